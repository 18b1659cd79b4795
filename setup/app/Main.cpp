// Entry point of setup.exe.
#include <windows.h>

#include "app/SetupApp.h"
#include "framework/LibrarySearch.h"

// The one application object, constructed before WinMain.
kalvorin::setup::CSetupApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before anything can load a library: none from the program's folder
    // (a download folder, a disk) or the current folder.
    kalvorin::RestrictLibrarySearch();
    kalvorin::LoadCommonControls();
    return theApp.RunApplication(instance);
}
