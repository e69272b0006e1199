// Suppresses the system's critical-error boxes (a drive without a disc, for example) for its
// lifetime and restores the previous error mode at the end, also while an error unwinds.
#pragma once

#include <windows.h>

namespace OrbelToolbox {

class ErrorModeGuard {
public:
    ErrorModeGuard() : m_previous(SetErrorMode(SEM_FAILCRITICALERRORS)) { }
    ~ErrorModeGuard() { SetErrorMode(m_previous); }
    ErrorModeGuard(const ErrorModeGuard&) = delete;
    ErrorModeGuard& operator=(const ErrorModeGuard&) = delete;

private:
    UINT m_previous;
};

}  // namespace OrbelToolbox
