// Entry point of the uninstaller (UnScr.exe, installed as UnSc####.exe).
#include <windows.h>

#include "framework/LibrarySearch.h"
#include "uninstaller/app/UninstallApp.h"

// The one application object, constructed before WinMain.
kalvorin::uninstaller::CUninstallApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before anything can load a library: none from the program's folder
    // (its copy runs from the temporary folder) or the current folder.
    kalvorin::RestrictLibrarySearch();
    return theApp.RunApplication(instance);
}
