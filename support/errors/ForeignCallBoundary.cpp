#include "ForeignCallBoundary.h"

namespace {

DWORD g_slot = TLS_OUT_OF_INDEXES;
INIT_ONCE g_initOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK AllocateSlot(PINIT_ONCE, PVOID, PVOID*)
{
    g_slot = TlsAlloc();
    return g_slot != TLS_OUT_OF_INDEXES;
}

// The innermost boundary of the calling thread, or null.
ForeignCallBoundary* Innermost()
{
    if (g_slot == TLS_OUT_OF_INDEXES)
        return nullptr;
    const DWORD lastError = GetLastError();  // the library's error code belongs to the caller
    ForeignCallBoundary* boundary = static_cast<ForeignCallBoundary*>(TlsGetValue(g_slot));
    SetLastError(lastError);
    return boundary;
}

void SetInnermost(ForeignCallBoundary* boundary)
{
    const DWORD lastError = GetLastError();
    TlsSetValue(g_slot, boundary);
    SetLastError(lastError);
}

// The head of the thread's list of registered exception-handler frames (the chain of the 32-bit
// system; the system's own bookkeeping frames on 64-bit Wine).
// GCC 12 at -O2 takes the header's segment-register read for an access to an empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
_EXCEPTION_REGISTRATION_RECORD*& ExceptionListHead()
{
    return reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList;
}
#pragma GCC diagnostic pop

// Leaves the frames between the fault and the boundary: the handler frames they registered
// go with them, and the boundary's setjmp returns a second time.
[[noreturn]] __attribute__((noinline)) void JumpBack(ForeignCallBoundary* boundary, void* exceptionList)
{
    ExceptionListHead() = static_cast<_EXCEPTION_REGISTRATION_RECORD*>(exceptionList);
    __builtin_longjmp(boundary->m_jump, 1);
}

}  // namespace

ForeignCallBoundary::ForeignCallBoundary() : m_jump(), m_outer(nullptr), m_exceptionList(nullptr), m_returned(false)
{
    InitOnceExecuteOnce(&g_initOnce, AllocateSlot, nullptr, nullptr);
    m_outer = Innermost();
    m_exceptionList = ExceptionListHead();
    m_record = EXCEPTION_RECORD();
    m_pointers.ExceptionRecord = &m_record;
    m_pointers.ContextRecord = nullptr;
    if (g_slot != TLS_OUT_OF_INDEXES)
        SetInnermost(this);
}

ForeignCallBoundary::~ForeignCallBoundary()
{
    if (g_slot != TLS_OUT_OF_INDEXES)
        SetInnermost(m_outer);
}

void ForeignCallBoundary::ThrowReturnedException()
{
    // No longer a place to come back to, while the exception unwinds through this frame.
    SetInnermost(m_outer);
    throw SEH_Exception(m_record.ExceptionCode, &m_pointers);
}

bool ResumeAtForeignCallBoundary(const EXCEPTION_POINTERS* pointers)
{
    ForeignCallBoundary* boundary = Innermost();
    if (!boundary || boundary->m_returned || !pointers || !pointers->ExceptionRecord
        || pointers->ExceptionRecord->ExceptionCode == static_cast<DWORD>(EXCEPTION_STACK_OVERFLOW))
        return false;
    boundary->m_returned = true;
    boundary->m_record = *pointers->ExceptionRecord;
    boundary->m_record.ExceptionRecord = nullptr;
    JumpBack(boundary, boundary->m_exceptionList);
}
