#include "platform/Services.h"

#include "platform/DirLister.h"
#include "platform/FileDeleter.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/PathPicker.h"

Services realServices()
{
    static QtMessageBox messageBox;
    static QtFileDialog fileDialog;
    static QtPathPicker pathPicker;
    static PosixDirLister dirLister;
    static PosixFileDeleter fileDeleter;
    return {messageBox, fileDialog, pathPicker, dirLister, fileDeleter};
}
