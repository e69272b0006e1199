// A module linked with the support library, loaded by the output tests.
#include <windows.h>

#include "OrbelOutput.h"

// The output object this module uses.
extern "C" __declspec(dllexport) void* OutputTestModuleSharedData()
{
    return &OrbelToolbox::OrbelOutput::GetSharedData();
}
