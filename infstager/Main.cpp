// Entry point of infstager: windowless, silent, exit code always 0.
#include <windows.h>

#include "InfStager.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return infstager::Run(GetCommandLineA());
}
