#include "RealServices.h"

#include "Desktop.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "PathPicker.h"
#include "PosixDirLister.h"
#include "PosixFileDeleter.h"

Services realServices()
{
    static QtMessageBox messageBox;
    static QtFileDialog fileDialog;
    static QtPathPicker pathPicker;
    static PosixDirLister dirLister;
    static PosixFileDeleter fileDeleter;
    static QtDesktop desktop;
    return {messageBox, fileDialog, pathPicker, dirLister, fileDeleter, desktop};
}
