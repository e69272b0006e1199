// A crash-report writer: while registered on a thread it sees every structured exception raised
// on that thread before the exception goes on to the handlers that deal with it, and has it
// described: code and name, the fault address as module, section and offset, the registers and
// a stack trace with symbol names. The mechanism lives here; a subclass formats the report.
//
// The registration is a vectored exception handler of the process (the 64-bit ABI has no
// per-thread handler chain) that serves the threads' own lists of registered objects, newest
// first. It runs before the handlers that are installed before the first registration.
#pragma once

#include <windows.h>

#include <string>

class ExceptionStackTrace {
public:
    // The report of one exception; any exception raised while writing is swallowed.
    virtual void WriteReport(EXCEPTION_RECORD* record, CONTEXT* context) = 0;
    // One frame of the stack trace: program counter, frame address, 1-based section number and
    // offset into it, the module's path, the symbol's name (null when unknown) and the distance
    // from the symbol.
    virtual void WriteFrame(DWORD_PTR pc, DWORD_PTR frame, DWORD section, DWORD_PTR offset, const wchar_t* module,
        const char* symbol, DWORD64 displacement)
        = 0;

    ExceptionStackTrace() = default;
    virtual ~ExceptionStackTrace();

    ExceptionStackTrace(const ExceptionStackTrace&) = delete;
    ExceptionStackTrace& operator=(const ExceptionStackTrace&) = delete;

    // Links the object at the head of the calling thread's list; the destructor unlinks it
    // (also from inside the list). False when the process handler cannot be installed.
    bool Register();

    // The name of an exception code ("ACCESS_VIOLATION"...); other codes from ntdll.dll's message
    // table (empty when it has none).
    static const wchar_t* GetExceptionName(DWORD code);

    // The module that holds `address`, its path, and the 1-based number of the PE section that
    // contains the address with the offset into it. False when the address belongs to no module.
    static bool GetLogicalAddress(
        const void* address, HMODULE& module, std::wstring& path, DWORD& section, DWORD_PTR& offset);

protected:
    // Walks the stack of `context` and writes one frame per step: with the image-help functions
    // when they are there, else along the frame-pointer chain.
    void WriteStackTrace(const CONTEXT* context);

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* pointers);

    ExceptionStackTrace* m_next = nullptr;
    DWORD m_thread = 0;
    bool m_registered = false;
};
