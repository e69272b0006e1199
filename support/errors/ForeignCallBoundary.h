// Calls into a system library that can fault on bad input (Windows Installer reading a corrupt
// package: an access violation inside the package's open, the C run time's invalid-parameter
// exception during an install).
//
// Such a fault is never translated where it happens: the library and the system see it first
// and may handle it themselves. Only when no handler takes it and the process's last resort runs
// (the unhandled-exception filter calls ResumeAtForeignCallBoundary), the thread leaves the
// library for the innermost boundary it entered, and the call throws SEH_Exception from there:
// the caller's objects are released by the unwinding and the thread's barrier ends the run as
// for any other error. The library's frames of that call are abandoned, never resumed.
#pragma once

#include <windows.h>

#include "SEH_Exception.h"

class ForeignCallBoundary {
public:
    ForeignCallBoundary();
    ~ForeignCallBoundary();
    ForeignCallBoundary(const ForeignCallBoundary&) = delete;
    ForeignCallBoundary& operator=(const ForeignCallBoundary&) = delete;

    // After the thread came back to this boundary: throws the exception that brought it back.
    [[noreturn]] void ThrowReturnedException();

    // The jump buffer of __builtin_setjmp (five words).
    void* m_jump[5];

private:
    friend bool ResumeAtForeignCallBoundary(const EXCEPTION_POINTERS* pointers);

    ForeignCallBoundary* m_outer;
    void* m_exceptionList;  // the thread's registered handler frames when the call started
    bool m_returned;
    EXCEPTION_RECORD m_record;
    EXCEPTION_POINTERS m_pointers;
};

// Calls `function()` inside a boundary.
template <typename Function> __attribute__((noinline)) auto CallAtForeignBoundary(Function function) -> decltype(function())
{
    ForeignCallBoundary boundary;
    if (__builtin_setjmp(boundary.m_jump) != 0)
        boundary.ThrowReturnedException();
    return function();
}

// From the unhandled-exception filter: when the faulting thread is inside a boundary (and the
// exception is one a thread can come back from: not a stack overflow), sends the thread back to
// the innermost one and does not return. Otherwise returns false.
bool ResumeAtForeignCallBoundary(const EXCEPTION_POINTERS* pointers);
