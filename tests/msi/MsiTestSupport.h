// Helpers of the access layer's tests.
#pragma once

#include <windows.h>

#include <string>

#include "MsiFailure.h"
#include "MsiText.h"

namespace msitest {

// The fixture package built from data/layer.wxs and data/tables.
std::wstring FixturePath();

// The code of the MsiInstallerError that `f` throws; ~0u when it throws nothing.
template <typename F> UINT MsiErrorCode(F f)
{
    try {
        f();
    } catch (const MsiInstallerError& e) {
        return e.GetCode();
    }
    return ~0u;
}

inline std::wstring Str(const IPlexaString& s)
{
    return s.GetString();
}

}  // namespace msitest
