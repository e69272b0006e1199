#include "ExceptionStackTrace.h"

#include <dbghelp.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DynamicLibrary.h"
#include "VaListEnd.h"

namespace {

// The C++ exceptions of the 64-bit runtime travel as structured exceptions with these codes;
// they are no crashes.
const DWORD kCxxExceptionCodes[] = {0x20474343u, 0x21474343u, 0x22474343u};

const DWORD kMaxSymbolName = 512;
const DWORD kMaxModuleName = 130;
const DWORD kMessageCapacity = 512;

#if defined(_M_X64) || defined(__x86_64__)
const DWORD kMachine = IMAGE_FILE_MACHINE_AMD64;
#else
const DWORD kMachine = IMAGE_FILE_MACHINE_I386;
#endif

// Per thread: the head of the list of registered objects, and whether a report is being written
// (exceptions raised meanwhile are not reported again).
DWORD g_headSlot = TLS_OUT_OF_INDEXES;
DWORD g_busySlot = TLS_OUT_OF_INDEXES;
const size_t kMaxFrames = 256;

BOOL CALLBACK InstallOnce(PINIT_ONCE, PVOID handler, PVOID*)
{
    g_headSlot = TlsAlloc();
    g_busySlot = TlsAlloc();
    if (g_headSlot == TLS_OUT_OF_INDEXES || g_busySlot == TLS_OUT_OF_INDEXES)
        return FALSE;
    return AddVectoredExceptionHandler(1, reinterpret_cast<PVECTORED_EXCEPTION_HANDLER>(handler)) != nullptr;
}

bool InstallProcessHandler(PVECTORED_EXCEPTION_HANDLER handler)
{
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    return InitOnceExecuteOnce(&once, InstallOnce, reinterpret_cast<PVOID>(handler), nullptr) != FALSE;
}

// The image-help functions, bound once; all or nothing.
struct ImageHelp {
    BOOL(WINAPI* SymInitialize)(HANDLE, PCSTR, BOOL);
    BOOL(WINAPI* SymCleanup)(HANDLE);
    BOOL(WINAPI* StackWalk64)
    (DWORD, HANDLE, HANDLE, LPSTACKFRAME64, PVOID, PREAD_PROCESS_MEMORY_ROUTINE64, PFUNCTION_TABLE_ACCESS_ROUTINE64,
        PGET_MODULE_BASE_ROUTINE64, PTRANSLATE_ADDRESS_ROUTINE64);
    PVOID(WINAPI* SymFunctionTableAccess64)(HANDLE, DWORD64);
    DWORD64(WINAPI* SymGetModuleBase64)(HANDLE, DWORD64);
    BOOL(WINAPI* SymGetSymFromAddr64)(HANDLE, DWORD64, PDWORD64, PIMAGEHLP_SYMBOL64);
    DWORD64(WINAPI* SymLoadModule64)(HANDLE, HANDLE, PCSTR, PCSTR, DWORD64, DWORD);
    DWORD(WINAPI* SymSetOptions)(DWORD);
    DWORD(WINAPI* SymGetOptions)();
    DWORD(WINAPI* UnDecorateSymbolName)(PCSTR, PSTR, DWORD, DWORD);
};

template <class F> bool Bind(OrbelToolbox::DynamicLibrary& library, const char* name, F& function)
{
    function = reinterpret_cast<F>(reinterpret_cast<void (*)()>(library.TryGetProc(name)));
    return function != nullptr;
}

const ImageHelp* LoadImagehlpFunctions()
{
    static OrbelToolbox::DynamicLibrary library(L"IMAGEHLP.DLL");
    static ImageHelp functions;
    static LONG state = 0;  // 0 not tried, 1 present, 2 missing
    if (state == 0) {
        ImageHelp f = {};
        const bool all = Bind(library, "SymInitialize", f.SymInitialize) && Bind(library, "SymCleanup", f.SymCleanup)
            && Bind(library, "StackWalk64", f.StackWalk64)
            && Bind(library, "SymFunctionTableAccess64", f.SymFunctionTableAccess64)
            && Bind(library, "SymGetModuleBase64", f.SymGetModuleBase64)
            && Bind(library, "SymGetSymFromAddr64", f.SymGetSymFromAddr64)
            && Bind(library, "SymLoadModule64", f.SymLoadModule64) && Bind(library, "SymSetOptions", f.SymSetOptions)
            && Bind(library, "SymGetOptions", f.SymGetOptions)
            && Bind(library, "UnDecorateSymbolName", f.UnDecorateSymbolName);
        if (all)
            functions = f;
        state = all ? 1 : 2;
    }
    return state == 1 ? &functions : nullptr;
}

void DebugOutput(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    vsnprintf(text, sizeof(text), format, args);
    OutputDebugStringA(text);
}

struct ModuleEntry {
    std::string path;
    std::string name;
    DWORD64 base;
    DWORD size;
};

// The process's modules: the tool-help snapshot, else the process-status functions.
std::vector<ModuleEntry> ListModules()
{
    std::vector<ModuleEntry> modules;
    using Snapshot = HANDLE(WINAPI*)(DWORD, DWORD);
    using ModuleWalk = BOOL(WINAPI*)(HANDLE, tagMODULEENTRY32*);  // the narrow entry points
    const wchar_t* hosts[] = {L"kernel32.dll", L"tlhelp32.dll"};
    for (const wchar_t* host : hosts) {
        OrbelToolbox::DynamicLibrary library(host);
        Snapshot snapshot = nullptr;
        ModuleWalk first = nullptr;
        ModuleWalk next = nullptr;
        if (!Bind(library, "CreateToolhelp32Snapshot", snapshot) || !Bind(library, "Module32First", first)
            || !Bind(library, "Module32Next", next))
            continue;
        HANDLE handle = snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
        if (handle == INVALID_HANDLE_VALUE)
            continue;
        tagMODULEENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = first(handle, &entry); more; more = next(handle, &entry))
            modules.push_back(
                {entry.szExePath, entry.szModule, reinterpret_cast<DWORD_PTR>(entry.modBaseAddr), entry.modBaseSize});
        CloseHandle(handle);
        if (!modules.empty())
            return modules;
    }
    OrbelToolbox::DynamicLibrary psapi(L"psapi.dll");
    BOOL(WINAPI * enumerate)(HANDLE, HMODULE*, DWORD, LPDWORD) = nullptr;
    DWORD(WINAPI * fileName)(HANDLE, HMODULE, LPSTR, DWORD) = nullptr;
    DWORD(WINAPI * baseName)(HANDLE, HMODULE, LPSTR, DWORD) = nullptr;
    BOOL(WINAPI * information)(HANDLE, HMODULE, LPMODULEINFO, DWORD) = nullptr;
    if (!Bind(psapi, "EnumProcessModules", enumerate) || !Bind(psapi, "GetModuleFileNameExA", fileName)
        || !Bind(psapi, "GetModuleBaseNameA", baseName) || !Bind(psapi, "GetModuleInformation", information))
        return modules;
    std::vector<HMODULE> handles(1024);
    DWORD needed = 0;
    if (!enumerate(
            GetCurrentProcess(), handles.data(), static_cast<DWORD>(handles.size() * sizeof(HMODULE)), &needed)) {
        DebugOutput("EPM failed, gle = %lu\n", GetLastError());
        return modules;
    }
    handles.resize(std::min<size_t>(handles.size(), needed / sizeof(HMODULE)));
    for (HMODULE handle : handles) {
        MODULEINFO info = {};
        char path[MAX_PATH] = "";
        char name[MAX_PATH] = "";
        information(GetCurrentProcess(), handle, &info, sizeof(info));
        fileName(GetCurrentProcess(), handle, path, MAX_PATH);
        baseName(GetCurrentProcess(), handle, name, MAX_PATH);
        modules.push_back({path, name, reinterpret_cast<DWORD_PTR>(info.lpBaseOfDll), info.SizeOfImage});
    }
    return modules;
}

std::string SymbolSearchPath()
{
    std::string path;
    char buffer[MAX_PATH];
    if (GetCurrentDirectoryA(MAX_PATH, buffer))
        path += std::string(buffer) + ";";
    if (GetModuleFileNameA(nullptr, buffer, MAX_PATH)) {
        std::string program = buffer;
        const size_t slash = program.find_last_of("\\/");
        if (slash != std::string::npos)
            path += program.substr(0, slash) + ";";
    }
    const char* variables[] = {"_NT_SYMBOL_PATH", "_NT_ALTERNATE_SYMBOL_PATH", "SYSTEMROOT"};
    for (const char* variable : variables) {
        if (GetEnvironmentVariableA(variable, buffer, MAX_PATH))
            path += std::string(buffer) + ";";
    }
    if (!path.empty())
        path.pop_back();
    return path;
}

void ContextFrame(const CONTEXT& context, DWORD64& pc, DWORD64& stack, DWORD64& frame)
{
#if defined(_M_X64) || defined(__x86_64__)
    pc = context.Rip;
    stack = context.Rsp;
    frame = context.Rbp;
#else
    pc = context.Eip;
    stack = context.Esp;
    frame = context.Ebp;
#endif
}

bool WritableWords(const void* address, size_t bytes)
{
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(address, &info, sizeof(info)) != sizeof(info) || info.State != MEM_COMMIT)
        return false;
    const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if ((info.Protect & writable) == 0 || (info.Protect & PAGE_GUARD) != 0)
        return false;
    const BYTE* end = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
    return static_cast<const BYTE*>(address) + bytes <= end;
}

}  // namespace

ExceptionStackTrace::~ExceptionStackTrace()
{
    if (!m_registered)
        return;
    ExceptionStackTrace* head = static_cast<ExceptionStackTrace*>(TlsGetValue(g_headSlot));
    if (head == this) {
        TlsSetValue(g_headSlot, m_next);
    } else {
        for (ExceptionStackTrace* item = head; item; item = item->m_next) {
            if (item->m_next == this) {
                item->m_next = m_next;
                break;
            }
        }
    }
    m_next = nullptr;
    m_registered = false;
}

bool ExceptionStackTrace::Register()
{
    if (m_registered)
        return true;
    if (!InstallProcessHandler(&ExceptionStackTrace::Handler))
        return false;
    m_thread = GetCurrentThreadId();
    m_next = static_cast<ExceptionStackTrace*>(TlsGetValue(g_headSlot));
    TlsSetValue(g_headSlot, this);
    m_registered = true;
    return true;
}

LONG CALLBACK ExceptionStackTrace::Handler(EXCEPTION_POINTERS* pointers)
{
    // TlsGetValue clears the thread's last error, which the interrupted code may still need.
    const DWORD lastError = GetLastError();
    if (g_headSlot == TLS_OUT_OF_INDEXES || !pointers || !pointers->ExceptionRecord)
        return EXCEPTION_CONTINUE_SEARCH;
    const DWORD code = pointers->ExceptionRecord->ExceptionCode;
    for (DWORD cxx : kCxxExceptionCodes) {
        if (code == cxx)
            return EXCEPTION_CONTINUE_SEARCH;
    }
    if ((pointers->ExceptionRecord->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0)
        return EXCEPTION_CONTINUE_SEARCH;
    if (TlsGetValue(g_busySlot)) {
        SetLastError(lastError);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    TlsSetValue(g_busySlot, reinterpret_cast<void*>(1));
    for (ExceptionStackTrace* item = static_cast<ExceptionStackTrace*>(TlsGetValue(g_headSlot)); item;
         item = item->m_next) {
        try {
            item->WriteReport(pointers->ExceptionRecord, pointers->ContextRecord);
        } catch (...) {
        }
    }
    SetLastError(lastError);
    TlsSetValue(g_busySlot, nullptr);
    return EXCEPTION_CONTINUE_SEARCH;
}

const wchar_t* ExceptionStackTrace::GetExceptionName(DWORD code)
{
    struct Name {
        DWORD code;
        const wchar_t* name;
    };
    static const Name names[] = {
        {STATUS_GUARD_PAGE_VIOLATION, L"GUARD_PAGE"},
        {STATUS_DATATYPE_MISALIGNMENT, L"DATATYPE_MISALIGNMENT"},
        {STATUS_BREAKPOINT, L"BREAKPOINT"},
        {STATUS_SINGLE_STEP, L"SINGLE_STEP"},
        {STATUS_ACCESS_VIOLATION, L"ACCESS_VIOLATION"},
        {STATUS_IN_PAGE_ERROR, L"IN_PAGE_ERROR"},
        {STATUS_INVALID_HANDLE, L"INVALID_HANDLE"},
        {STATUS_ILLEGAL_INSTRUCTION, L"ILLEGAL_INSTRUCTION"},
        {STATUS_NONCONTINUABLE_EXCEPTION, L"NONCONTINUABLE_EXCEPTION"},
        {STATUS_INVALID_DISPOSITION, L"INVALID_DISPOSITION"},
        {STATUS_ARRAY_BOUNDS_EXCEEDED, L"ARRAY_BOUNDS_EXCEEDED"},
        {STATUS_FLOAT_DENORMAL_OPERAND, L"FLT_DENORMAL_OPERAND"},
        {STATUS_FLOAT_DIVIDE_BY_ZERO, L"FLT_DIVIDE_BY_ZERO"},
        {STATUS_FLOAT_INEXACT_RESULT, L"FLT_INEXACT_RESULT"},
        {STATUS_FLOAT_INVALID_OPERATION, L"FLT_INVALID_OPERATION"},
        {STATUS_FLOAT_OVERFLOW, L"FLT_OVERFLOW"},
        {STATUS_FLOAT_STACK_CHECK, L"FLT_STACK_CHECK"},
        {STATUS_FLOAT_UNDERFLOW, L"FLT_UNDERFLOW"},
        {STATUS_INTEGER_DIVIDE_BY_ZERO, L"INT_DIVIDE_BY_ZERO"},
        {STATUS_INTEGER_OVERFLOW, L"INT_OVERFLOW"},
        {STATUS_PRIVILEGED_INSTRUCTION, L"PRIV_INSTRUCTION"},
        {STATUS_STACK_OVERFLOW, L"STACK_OVERFLOW"},
    };
    for (const Name& name : names) {
        if (name.code == code)
            return name.name;
    }
    static wchar_t buffer[kMessageCapacity];
    buffer[0] = L'\0';
    FormatMessageW(FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_HMODULE, GetModuleHandleW(L"NTDLL.DLL"), code, 0,
        buffer, kMessageCapacity, nullptr);
    return buffer;
}

bool ExceptionStackTrace::GetLogicalAddress(
    const void* address, HMODULE& module, std::wstring& path, DWORD& section, DWORD_PTR& offset)
{
    module = nullptr;
    path.clear();
    section = 0;
    offset = 0;
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(address, &info, sizeof(info)) != sizeof(info) || !info.AllocationBase)
        return false;
    module = static_cast<HMODULE>(info.AllocationBase);
    wchar_t name[MAX_PATH];
    if (!GetModuleFileNameW(module, name, MAX_PATH))
        return false;
    path = name;
    const BYTE* base = static_cast<const BYTE*>(info.AllocationBase);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    const DWORD_PTR rva = static_cast<const BYTE*>(address) - base;
    for (WORD index = 0; index < nt->FileHeader.NumberOfSections; ++index) {
        const DWORD start = sections[index].VirtualAddress;
        const DWORD length = std::max(sections[index].SizeOfRawData, sections[index].Misc.VirtualSize);
        if (rva >= start && rva < start + length) {
            section = index + 1u;
            offset = rva - start;
            return true;
        }
    }
    return false;
}

void ExceptionStackTrace::WriteStackTrace(const CONTEXT* original)
{
    if (!original)
        return;
    CONTEXT context = *original;
    DWORD64 pc = 0;
    DWORD64 stack = 0;
    DWORD64 frameAddress = 0;
    ContextFrame(context, pc, stack, frameAddress);
    auto writeFrame = [this](DWORD64 programCounter, DWORD64 frame, const char* symbol, DWORD64 displacement) {
        HMODULE module = nullptr;
        std::wstring path;
        DWORD section = 0;
        DWORD_PTR offset = 0;
        GetLogicalAddress(
            reinterpret_cast<const void*>(static_cast<DWORD_PTR>(programCounter)), module, path, section, offset);
        if (path.size() > kMaxModuleName)
            path.resize(kMaxModuleName);
        WriteFrame(static_cast<DWORD_PTR>(programCounter), static_cast<DWORD_PTR>(frame), section, offset, path.c_str(),
            symbol, displacement);
    };

    const ImageHelp* help = LoadImagehlpFunctions();
    if (!help) {
        OutputDebugStringA("IMAGEHLP.DLL or its exported procs not found\n");
        const size_t word = sizeof(DWORD_PTR);
        DWORD_PTR framePointer = static_cast<DWORD_PTR>(frameAddress);
        DWORD_PTR programCounter = static_cast<DWORD_PTR>(pc);
        for (size_t count = 0; count < kMaxFrames; ++count) {
            writeFrame(programCounter, framePointer, nullptr, 0);
            const DWORD_PTR* words = reinterpret_cast<const DWORD_PTR*>(framePointer);
            if (framePointer == 0 || framePointer % word != 0 || !WritableWords(words, 2 * word))
                break;
            const DWORD_PTR next = words[0];
            programCounter = words[1];
            if (next % word != 0 || next <= framePointer
                || !WritableWords(reinterpret_cast<const void*>(next), 2 * word))
                break;
            framePointer = next;
        }
        return;
    }

    HANDLE process = GetCurrentProcess();
    help->SymSetOptions(help->SymGetOptions() | SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS);
    const std::string searchPath = SymbolSearchPath();
    if (!help->SymInitialize(process, searchPath.c_str(), FALSE))
        return;
    for (const ModuleEntry& module : ListModules()) {
        if (help->SymLoadModule64(process, nullptr, module.path.c_str(), module.name.c_str(), module.base, module.size))
            DebugOutput("Symbols loaded: \"%s\"\n", module.path.c_str());
        else
            DebugOutput("Error %lu loading symbols for \"%s\"\n", GetLastError(), module.path.c_str());
    }

    STACKFRAME64 frame = {};
    frame.AddrPC.Offset = pc;
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrStack.Offset = stack;
    frame.AddrStack.Mode = AddrModeFlat;
    frame.AddrFrame.Offset = frameAddress;
    frame.AddrFrame.Mode = AddrModeFlat;
    std::vector<BYTE> symbolBuffer(sizeof(IMAGEHLP_SYMBOL64) + kMaxSymbolName);
    auto* symbol = reinterpret_cast<IMAGEHLP_SYMBOL64*>(symbolBuffer.data());
    for (size_t count = 0; count < kMaxFrames
         && help->StackWalk64(kMachine, process, GetCurrentThread(), &frame, &context, nullptr,
             help->SymFunctionTableAccess64, help->SymGetModuleBase64, nullptr);
         ++count) {
        if (frame.AddrFrame.Offset == 0 && frame.AddrPC.Offset == 0)
            break;
        symbol->SizeOfStruct = sizeof(IMAGEHLP_SYMBOL64);
        symbol->MaxNameLength = kMaxSymbolName;
        DWORD64 displacement = 0;
        const bool named = help->SymGetSymFromAddr64(process, frame.AddrPC.Offset, &displacement, symbol) != FALSE;
        writeFrame(frame.AddrPC.Offset, frame.AddrFrame.Offset, named ? symbol->Name : nullptr, displacement);
        if (frame.AddrFrame.Offset == 0)
            break;
    }
    help->SymCleanup(process);
}
