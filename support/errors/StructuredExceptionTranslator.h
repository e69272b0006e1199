// Translation of hardware faults into C++ exceptions, per thread.
//
// While a StructuredExceptionTranslatorScope lives on a thread, an access violation, a divide by
// zero or another hardware fault raised by the program's own code on that thread is thrown as
// SEH_Exception from the faulting instruction, so that destructors run and the thread's barrier
// catches it like any other error. Faults outside the program's image (the system's own
// libraries handle theirs), stack overflows and software exceptions are left alone.
#pragma once

#include "DelayLoadException.h"

// The translator: throws DelayLoadException for the codes 0xC06D007E and 0xC06D007F and
// SEH_Exception for every other code. Never returns.
[[noreturn]] void TranslateStructuredException(unsigned int code, EXCEPTION_POINTERS* pointers);

// A thread's own translator: it raises the exception it makes of the fault. When it returns
// instead, the fault is thrown as TranslateStructuredException throws it.
using StructuredExceptionTranslatorFunction = void (*)(unsigned int code, const EXCEPTION_POINTERS* pointers);

// Sets the calling thread's own translator (null: none) and returns the one it had. While one is
// set, the thread's hardware faults are translated by it, with or without an armed scope.
StructuredExceptionTranslatorFunction SetThreadStructuredExceptionTranslator(
    StructuredExceptionTranslatorFunction translator);

// Arms the translator on the calling thread for its lifetime; scopes nest. The exception
// pointers of a translated fault stay valid while the thread keeps a scope armed.
class StructuredExceptionTranslatorScope {
public:
    StructuredExceptionTranslatorScope();
    ~StructuredExceptionTranslatorScope();

    StructuredExceptionTranslatorScope(const StructuredExceptionTranslatorScope&) = delete;
    StructuredExceptionTranslatorScope& operator=(const StructuredExceptionTranslatorScope&) = delete;

    // True while the calling thread has a scope armed or a translator of its own.
    static bool IsArmed();
};
