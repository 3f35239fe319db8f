#pragma once

class IDesktop;
class IDirLister;
class IFileDeleter;
class IFileDialog;
class IMessageBox;
class IPathPicker;

// The platform services that the main window's handlers call. The program passes the real
// ones; tests pass scripted doubles.
struct Services {
    IMessageBox& messageBox;
    IFileDialog& fileDialog;
    IPathPicker& pathPicker;
    IDirLister& dirLister;
    IFileDeleter& fileDeleter;
    IDesktop& desktop;
};
