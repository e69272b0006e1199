// An owner of one raw Windows Installer handle, closed through the layer's function table. For
// handles held before a wrapper object of the layer takes them, and for code outside the
// wrappers.
#pragma once

#include <windows.h>
#include <msi.h>

#include "MsiApi.h"
#include "UniqueHandle.h"

struct MsiHandleTraits {
    using Type = MSIHANDLE;
    static Type Invalid() noexcept { return 0; }
    static bool IsValid(Type value) noexcept { return value != 0; }
    static void Close(Type value) noexcept { MsiApi().MsiCloseHandle(value); }
};

using UniqueMsiHandle = OrbelToolbox::UniqueHandle<MsiHandleTraits>;
