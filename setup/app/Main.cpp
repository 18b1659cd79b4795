// Entry point of setup.exe.
#include <windows.h>
#include <commctrl.h>

#include "app/SetupApp.h"

// The one application object, constructed before WinMain.
CSetupApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ::InitCommonControls();
    return theApp.RunApplication(instance);
}
