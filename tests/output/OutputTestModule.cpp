// A module linked with the support library, loaded by the output tests.
#include <windows.h>

#include "DynamicLibrary.h"
#include "OrbelOutput.h"

// The output object this module uses.
extern "C" __declspec(dllexport) void* OutputTestModuleSharedData()
{
    return &OrbelToolbox::OrbelOutput::GetSharedData();
}

// The module this module's copy of the library names as its own.
extern "C" __declspec(dllexport) HMODULE OutputTestModuleLibraryModule()
{
    return OrbelToolbox::GetLibraryModule();
}
