#include "StructuredExceptionTranslator.h"

#include <new>
#include <stdexcept>

// How a fault becomes a throw: a process-wide vectored exception handler looks at every
// exception first. For a hardware fault of this program's code on a thread with an armed scope it
// keeps a copy of the exception record and context in the thread's slot and resumes the thread
// in a small trampoline instead of at the faulting instruction. The trampoline pushes the
// faulting address + 1 as a return address (as if the faulting instruction had called it) and
// jumps to a function that throws; the unwinder then walks from the faulting function with its
// own unwind information (the program is built with -fnon-call-exceptions). The push happens on
// the thread itself after the handler returned, so nothing is written below the stack pointer
// while the system's exception frame still lives there.

extern "C" void VelmoSehTrampoline() __asm__("velmo_seh_trampoline");
extern "C" [[noreturn]] void VelmoThrowTranslated() __asm__("velmo_throw_translated");

#if defined(__x86_64__)
__asm__(".text\n"
        ".globl velmo_seh_trampoline\n"
        "velmo_seh_trampoline:\n"
        "    pushq %rax\n"  // the return address the handler left in rax
        "    jmp velmo_throw_translated\n");
#elif defined(__i386__)
__asm__(".text\n"
        ".globl velmo_seh_trampoline\n"
        "velmo_seh_trampoline:\n"
        "    pushl %eax\n"  // the return address the handler left in eax
        "    jmp velmo_throw_translated\n");
#else
#error "Unsupported processor"
#endif

namespace {

// One per thread with an armed scope or a translator of its own; CONTEXT needs 16-byte alignment
// on x86_64.
struct alignas(16) ThreadState {
    CONTEXT context;
    EXCEPTION_RECORD record;
    EXCEPTION_POINTERS pointers;
    LONG depth = 0;
    StructuredExceptionTranslatorFunction translator = nullptr;

    bool Armed() const { return depth > 0 || translator != nullptr; }
};

DWORD g_slot = TLS_OUT_OF_INDEXES;
INIT_ONCE g_initOnce = INIT_ONCE_STATIC_INIT;
// The program's image: the module that holds this code.
ULONG_PTR g_imageBegin = 0;
ULONG_PTR g_imageEnd = 0;

ThreadState* CurrentState()
{
    if (g_slot == TLS_OUT_OF_INDEXES) {
        return nullptr;
    }
    DWORD lastError = ::GetLastError();  // TlsGetValue clears it; the faulting code may need it
    ThreadState* state = static_cast<ThreadState*>(::TlsGetValue(g_slot));
    ::SetLastError(lastError);
    return state;
}

bool IsHardwareFault(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case 0xC00002B4u:  // STATUS_FLOAT_MULTIPLE_FAULTS
    case 0xC00002B5u:  // STATUS_FLOAT_MULTIPLE_TRAPS
        return true;
    default:
        return false;  // among them stack overflow, guard page, breakpoint, software exceptions
    }
}

bool FindOwnImage()
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&FindOwnImage), &module)) {
        return false;
    }
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    g_imageBegin = reinterpret_cast<ULONG_PTR>(base);
    g_imageEnd = g_imageBegin + headers->OptionalHeader.SizeOfImage;
    return true;
}

bool InOwnImage(const void* address)
{
    ULONG_PTR at = reinterpret_cast<ULONG_PTR>(address);
    return at >= g_imageBegin && at < g_imageEnd;
}

LONG CALLBACK TranslatingHandler(EXCEPTION_POINTERS* info)
{
    ThreadState* state = CurrentState();
    if (!state || !state->Armed()) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (!IsHardwareFault(record->ExceptionCode) || (record->ExceptionFlags & EXCEPTION_NONCONTINUABLE)
        || !InOwnImage(record->ExceptionAddress)) {
        return EXCEPTION_CONTINUE_SEARCH;
    }

    state->record = *record;
    state->record.ExceptionRecord = nullptr;
    state->context = *info->ContextRecord;
    state->pointers.ExceptionRecord = &state->record;
    state->pointers.ContextRecord = &state->context;

    CONTEXT* context = info->ContextRecord;
    ULONG_PTR returnAddress = reinterpret_cast<ULONG_PTR>(record->ExceptionAddress) + 1;
#if defined(__x86_64__)
    context->Rax = returnAddress;
    context->Rsp &= ~static_cast<DWORD64>(15);  // after the push: 8 mod 16, as after a call
    context->Rip = reinterpret_cast<DWORD64>(&VelmoSehTrampoline);
#else
    context->Eax = returnAddress;
    context->Eip = reinterpret_cast<DWORD>(&VelmoSehTrampoline);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

BOOL CALLBACK Initialize(PINIT_ONCE, PVOID, PVOID*)
{
    if (!FindOwnImage()) {
        return FALSE;
    }
    DWORD slot = ::TlsAlloc();
    if (slot == TLS_OUT_OF_INDEXES) {
        return FALSE;
    }
    g_slot = slot;
    // First in the list, so that no other handler sees the fault before it is translated.
    return ::AddVectoredExceptionHandler(1, TranslatingHandler) != nullptr;
}

// The calling thread's state, made when it has none.
ThreadState& AttachState()
{
    if (!::InitOnceExecuteOnce(&g_initOnce, Initialize, nullptr, nullptr)) {
        throw std::runtime_error("Cannot install the structured-exception translator");
    }
    ThreadState* state = CurrentState();
    if (!state) {
        state = new ThreadState();
        if (!::TlsSetValue(g_slot, state)) {
            delete state;
            throw std::runtime_error("Cannot arm the structured-exception translator");
        }
    }
    return *state;
}

// Drops the calling thread's state once nothing keeps it armed.
void DetachStateIfIdle(ThreadState* state)
{
    if (state && !state->Armed()) {
        ::TlsSetValue(g_slot, nullptr);
        delete state;
    }
}

}  // namespace

extern "C" __attribute__((used)) void VelmoThrowTranslated()
{
    ThreadState* state = CurrentState();
    if (state->translator) {
        state->translator(state->record.ExceptionCode, &state->pointers);
    }
    TranslateStructuredException(state->record.ExceptionCode, &state->pointers);
}

void TranslateStructuredException(unsigned int code, EXCEPTION_POINTERS* pointers)
{
    if (code == DelayLoadException::kModuleNotFound || code == DelayLoadException::kProcedureNotFound) {
        throw DelayLoadException(code, pointers);
    }
    throw SEH_Exception(code, pointers);
}

StructuredExceptionTranslatorFunction SetThreadStructuredExceptionTranslator(
    StructuredExceptionTranslatorFunction translator)
{
    ThreadState* state = translator ? &AttachState() : CurrentState();
    if (!state) {
        return nullptr;
    }
    StructuredExceptionTranslatorFunction previous = state->translator;
    state->translator = translator;
    DetachStateIfIdle(state);
    return previous;
}

StructuredExceptionTranslatorScope::StructuredExceptionTranslatorScope()
{
    ++AttachState().depth;
}

StructuredExceptionTranslatorScope::~StructuredExceptionTranslatorScope()
{
    ThreadState* state = CurrentState();
    if (state) {
        --state->depth;
        DetachStateIfIdle(state);
    }
}

bool StructuredExceptionTranslatorScope::IsArmed()
{
    ThreadState* state = CurrentState();
    return state && state->Armed();
}
