// Entry point of the installer front end.
#include <windows.h>

#include "VelmoInstaller.h"
#include "WinApp.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    // The application object `theApp` exists already (static initialisation); naming it here
    // also keeps it in the program, which links it from a library.
    if (!theApp.CheckPrerequisiteDlls())
        return -1;
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
