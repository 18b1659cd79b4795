// Entry point of the uninstaller (UnScr.exe, installed as UnSc####.exe).
#include <windows.h>

#include "app/UninstallApp.h"

// The one application object, constructed before WinMain.
CUninstallApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return theApp.RunApplication(instance);
}
