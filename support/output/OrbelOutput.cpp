#include "OrbelOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <map>
#include <new>
#include <string>

#include <delayimp.h>

#include "ContextMessage.h"
#include "DelayLoadException.h"
#include "DynamicLibrary.h"
#include "MsPrintf.h"
#include "SharedData.h"
#include "StringTable.h"
#include "StructuredExceptionTranslator.h"
#include "UniqueHandle.h"
#include "VaListEnd.h"

namespace {

const char kExportName[] = "ZK_OrbelToolbox_OrbelOutput_GetSharedGlobalData";

// This module's holder of the process's object; its destructor runs at exit.
OrbelToolbox::OrbelOutput::SharedDataHolder g_holder;

}  // namespace

extern "C" int ZK_OrbelToolbox_OrbelOutput_GetSharedGlobalData(void** data)
{
    if (data)
        *data = g_holder.data;
    return 0;
}

namespace OrbelToolbox {
namespace OrbelOutput {

namespace {

const int kCodeOutputFailure = -10;
const int kCodeWindowsFailure = -12;
const int kCodeCrtFailure = -13;
const int kCodeMisuse = -30;
const int kCodeNoResources = -40;
const int kCodeAbort = -100;
const LANGID kResourceCheckLanguage = LANG_ENGLISH;
const size_t kDebugLineGrowth = 128;

// Resource state of this module: -1 not checked, 0 missing, 1 present.
LONG volatile g_resourceState = -1;

bool Unwinding()
{
    return std::uncaught_exceptions() > 0;
}

// The string `id` of `module`'s string table in `language` (or the language's neutral form).
bool LoadTableString(HMODULE module, UINT id, LANGID language, std::wstring& out)
{
    const LANGID candidates[] = {language, MAKELANGID(PRIMARYLANGID(language), SUBLANG_NEUTRAL)};
    for (LANGID candidate : candidates) {
        if (FindTableString(module, id, candidate, out))
            return true;
    }
    return false;
}

std::wstring Prefix(ISharedData& data, bool chain)
{
    std::wstring prefix;
    if (data.GetTimestampNext() || data.GetTimestampAll()) {
        data.SetTimestampNext(false);
        double seconds;
        if (data.GetFrequency() != 0) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            seconds
                = static_cast<double>(now.QuadPart - data.GetStartTime()) / static_cast<double>(data.GetFrequency());
        } else {
            seconds = static_cast<double>(GetTickCount() - static_cast<DWORD>(data.GetStartTime())) * 0.001;
        }
        prefix = MsFormat(L"[%f] ", seconds);
    }
    if (chain)
        prefix += L"> ";
    return prefix;
}

[[noreturn]] void RaiseOutputFailure(ISharedData& data)
{
    data.SetErrorCode(kCodeOutputFailure);
    throw PrivateException();
}

// Writes one line to standard output, with the debug log's prefixes.
void WriteConsoleLine(ISharedData& data, bool chain, const std::wstring& text)
{
    std::wstring line = Prefix(data, chain) + text;
    if (line.empty() || (line.back() != L'\r' && line.back() != L'\n'))
        line += L'\n';
    if (fputws(line.c_str(), stdout) < 0) {
        fputws(L"_tprintf failed while trying to output message!\n", stdout);
        if (data.GetErrorCode() == 0)
            RaiseOutputFailure(data);
    }
    fflush(stdout);
}

// One line to the debug log; `chain` marks the lines of a report (after one empty line, with
// the "> " prefix).
void WriteDebugLogV(ISharedData& data, bool chain, const wchar_t* format, va_list args)
{
    if (!chain) {
        data.SetBlankLineWritten(false);
    } else if (!data.GetBlankLineWritten()) {
        va_list none{};
        WriteDebugLogV(data, false, L"", none);
        data.SetBlankLineWritten(true);
    }
    const bool console = data.GetLoggingMode() == LoggingModeConsole;
    if (!console && !data.GetDebugLogHandle())
        return;
    std::wstring text;
    try {
        text = MsFormatV(format, args);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        fputws(L"PrintfV failed while trying to write message to debug log:", stdout);
        fputws(format ? format : L"", stdout);
        fputws(L"\n", stdout);
        if (data.GetErrorCode() == 0)
            RaiseOutputFailure(data);
        return;
    }
    if (console) {
        WriteConsoleLine(data, chain, text);
        return;
    }
    if (!text.empty() && text.back() == L'\r') {
        text += L'\n';
    } else if (!text.empty() && text.back() == L'\n') {
        if (text.size() < 2 || text[text.size() - 2] != L'\r')
            text.insert(text.size() - 1, 1, L'\r');
    } else {
        text += L"\r\n";
    }
    const std::wstring line = Prefix(data, chain) + text;
    DWORD written = 0;
    const DWORD bytes = static_cast<DWORD>(line.size() * sizeof(wchar_t));
    if (!WriteFile(data.GetDebugLogHandle(), line.c_str(), bytes, &written, nullptr)) {
        fputws(L"WriteFile failed while trying to write message to debug log:", stdout);
        fputws(text.c_str(), stdout);
    }
}

void WriteDebugLog(ISharedData& data, bool chain, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    WriteDebugLogV(data, chain, format, args);
}

// The library's string `id` in the output language; "#" and the id when it cannot be loaded.
void LoadMessageString(ISharedData& data, UINT id, std::wstring& out)
{
    if (!CheckResources()) {
        out = MsFormat(L"#%u", id);
        const wchar_t* text = L"Resource id could not be loaded because resources are not available: %u";
        if (data.GetErrorCode() != 0 || Unwinding())
            WriteDebugLog(data, false, text, id);
        else
            Error(kCodeNoResources, text, id);
        return;
    }
    if (id == kStringInsert) {
        out = L"%1";
        return;
    }
    if (!LoadTableString(GetLibraryModule(), id, data.GetLanguage(), out)) {
        out = MsFormat(L"#%u", id);
        WriteDebugLog(data, false, L"Resource id not valid: %u", id);
    }
}

// One line of the report: the library's string `id` with `inserts` (message-text "%1" inserts),
// to the debug log as a chain line and to the user log queue (in LoggingMode 1 to standard
// output, and queued only while a report is in progress).
void WriteReportLine(ISharedData& data, UINT id, const DWORD_PTR* inserts)
{
    std::wstring templ;
    LoadMessageString(data, id, templ);
    std::wstring text;
    if (!FormatMessageText(templ.c_str(), reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(inserts)), true, text))
        text = templ;
    WriteDebugLog(data, true, L"%s", text.c_str());
    if (data.GetLoggingMode() == OutputUserLogMessages) {
        WriteConsoleLine(data, false, text);
        if (data.GetErrorCode() != 0)
            data.AppendUserLogMessage(text.c_str());
    } else {
        data.AppendUserLogMessage(text.c_str());
    }
}

void WriteReportText(ISharedData& data, const wchar_t* text)
{
    const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(text)};
    WriteReportLine(data, kStringInsert, inserts);
}

void RemoveUnregisteredHandlers(ISharedData& data)
{
    for (int index = data.GetHandlerCount() - 1; index >= 0; --index) {
        if (data.GetHandlerRegistrations(index) == 0)
            data.RemoveHandler(index);
    }
}

// Writes out and ends the report in progress; returns its code.
int EndReport(ISharedData& data)
{
    SharedDataLock lock(data);
    const int code = data.GetErrorCode();
    if (code != 0) {
        while (!data.IsDetailEmpty()) {
            const std::wstring line = data.DetailFront();
            data.PopDetailFront();
            if (code == kCodeAbort)
                WriteDebugLog(data, true, L"%s", line.c_str());
            else
                WriteReportText(data, line.c_str());
        }
        while (!data.IsContextEmpty()) {
            const std::wstring line = data.ContextFront();
            data.PopContextFront();
            WriteDebugLog(data, true, L"%s", line.c_str());
        }
        if (code != kCodeAbort)
            WriteReportLine(data, kStringReportEnd, nullptr);
        WriteReportLine(data, kStringReportClose, nullptr);
        WriteReportText(data, L" ");
    }
    RemoveUnregisteredHandlers(data);
    data.SetBlankLineWritten(false);  // the next report's chain starts with its own empty line
    if (code == kCodeAbort)
        data.SetAbortRequested(false);
    data.SetErrorCode(0);
    return code;
}

// The string id of a code's report text.
UINT CodeStringId(int code)
{
    static const std::map<int, UINT> table = {
        {0, 9100},
        {-1, 9101},
        {-10, 9110},
        {-11, 9111},
        {-12, 9112},
        {-13, 9113},
        {-20, 9120},
        {-21, 9121},
        {-30, 9130},
        {-31, 9131},
        {-32, 9132},
        {-33, 9133},
        {-40, 9140},
        {-41, 9141},
        {-99, 9199},
        {-100, 9200},
    };
    auto found = table.find(code);
    return found == table.end() ? kStringUnknownCode : found->second;
}

void PushDetail(ISharedData& data, UINT stringId, va_list* args)
{
    std::wstring templ;
    LoadMessageString(data, stringId, templ);
    if (Unwinding())
        data.PushDetailFront(templ.c_str(), args);
    else
        data.PushDetailBack(templ.c_str(), args);
}

void PushContext(ISharedData& data, const wchar_t* format, va_list args)
{
    if (Unwinding())
        data.PushContextFront(format, args);
    else
        data.PushContextBack(format, args);
}

// Creates the debug log file afresh (with the UTF-16 byte-order mark).
void CreateDebugLog(ISharedData& data)
{
    UniqueKernelHandle file(CreateFileW(data.GetDebugLogFileName(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
        CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!file)
        ReportLastWindowsError(L"CreateFile");
    const WORD mark = 0xFEFF;
    DWORD written = 0;
    if (!WriteFile(file.Get(), &mark, sizeof(mark), &written, nullptr))
        ReportLastWindowsError(L"WriteFile");
    data.SetDebugLogStarted(true);
}

HANDLE OpenDebugLog(ISharedData& data)
{
    if (!data.GetDebugLogStarted())
        CreateDebugLog(data);
    if (data.GetDebugLogHandle())
        return data.GetDebugLogHandle();
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE file = CreateFileW(data.GetDebugLogFileName(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, OPEN_ALWAYS,
        FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (file == INVALID_HANDLE_VALUE || file == nullptr) {
        const DWORD error = GetLastError();
        if (Unwinding())
            PrintResource(kStringDebugLogNotOpened, data.GetDebugLogFileName());
        ReportWindowsError(error, L"CreateFile");
    }
    SetFilePointer(file, 0, nullptr, FILE_END);
    data.SetDebugLogHandle(file);
    return file;
}

}  // namespace

SharedDataHolder::~SharedDataHolder()
{
    if (!owned)
        return;
    owned = false;
    ISharedData* object = data;
    data = nullptr;
    if (object->GetDebugLogHandle()) {
        CloseHandle(object->GetDebugLogHandle());
        object->SetDebugLogHandle(nullptr);
    }
    delete object;
}

ISharedData* CreateSharedData()
{
    ISharedData* created = new (std::nothrow) SharedData;
    if (!created)
        return nullptr;
    if (InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&g_holder.data), created, nullptr)
        != nullptr) {
        delete created;  // another thread of this module made it first
        return g_holder.data;
    }
    g_holder.owned = true;
    return created;
}

ISharedData* FindSharedData()
{
    using Export = int (*)(void**);
    ModuleList modules;
    while (modules.FindNextExporting(kExportName)) {
        auto exported
            = reinterpret_cast<Export>(reinterpret_cast<void (*)()>(GetProcAddress(modules.GetHandle(), kExportName)));
        void* found = nullptr;
        if (exported && exported(&found) == 0 && found)
            return static_cast<ISharedData*>(found);
    }
    return nullptr;
}

ISharedData& GetSharedData()
{
    ISharedData* data = g_holder.data;
    if (data)
        return *data;
    data = FindSharedData();
    if (data) {
        InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&g_holder.data), data, nullptr);
        data = g_holder.data;
    } else {
        data = CreateSharedData();
    }
    // Without an object nothing can be reported: the only cause is exhausted memory.
    if (!data)
        throw std::bad_alloc();
    CheckResources();
    return *data;
}

PrivateException::PrivateException()
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    data.SetReportDepth(data.GetReportDepth() + 1);
}

PrivateException::PrivateException(const PrivateException&) : PrivateException() { }

PrivateException::~PrivateException()
{
    ISharedData* data = g_holder.data;
    if (!data)
        return;
    SharedDataLock lock(*data);
    const int depth = data->GetReportDepth() - 1;
    data->SetReportDepth(depth < 0 ? 0 : depth);
    if (depth <= 0 && !data->GetErrorDeferred()) {
        try {
            EndReport(*data);
        } catch (...) {
            data->SetErrorCode(0);
        }
    }
}

void ReportError(int code)
{
    ISharedData& data = GetSharedData();
    {
        SharedDataLock lock(data);
        if (data.GetErrorCode() != 0 || Unwinding()) {
            if (code != 0)
                PushDetail(data, kStringFurtherError, nullptr);
            return;
        }
        EndReport(data);
        if (code == 0)
            return;
        data.SetErrorCode(code);
        try {
            std::wstring templ;
            LoadMessageString(data, CodeStringId(code), templ);
            const DWORD_PTR codeInsert[] = {static_cast<DWORD_PTR>(static_cast<LONG_PTR>(code))};
            std::wstring codeText;
            if (!FormatMessageText(
                    templ.c_str(), reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(codeInsert)), true, codeText))
                codeText = templ;
            WriteReportText(data, L" ");
            WriteReportLine(data, kStringReportTitle, nullptr);
            if (code == kCodeAbort) {
                WriteReportText(data, codeText.c_str());
            } else {
                const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(codeText.c_str())};
                WriteReportLine(data, kStringReportCode, inserts);
            }
        } catch (const PrivateException&) {
            throw;
        } catch (...) {
            PushDetail(data, kStringFurtherError, nullptr);
        }
    }
    throw PrivateException();
}

void Error(int code, const wchar_t* format, ...)
{
    ISharedData& data = GetSharedData();
    {
        SharedDataLock lock(data);
        va_list args;
        va_start(args, format);
        VaListEnd end(args);
        PushContext(data, format, args);
    }
    ReportError(code);
}

void Print(const wchar_t* format, ...)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    PushContext(data, format, args);
}

void ErrorFromResource(int code, UINT stringId, ...)
{
    ISharedData& data = GetSharedData();
    {
        SharedDataLock lock(data);
        va_list args;
        va_start(args, stringId);
        VaListEnd end(args);
        PushDetail(data, stringId, &args);
    }
    ReportError(code);
}

void PrintResource(UINT stringId, ...)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    va_list args;
    va_start(args, stringId);
    VaListEnd end(args);
    PushDetail(data, stringId, &args);
}

void DebugPrintResource(UINT stringId, ...)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    std::wstring templ;
    LoadMessageString(data, stringId, templ);
    va_list args;
    va_start(args, stringId);
    VaListEnd end(args);
    std::wstring text;
    if (!FormatMessageText(templ.c_str(), &args, false, text))
        text = templ;
    WriteDebugLog(data, false, L"%s", text.c_str());
}

void ReportWindowsError(DWORD error, const wchar_t* functionName)
{
    ContextMessageHolder context(L"Windows function %s returned an error. Error code: %u",
        functionName ? functionName : L"", static_cast<unsigned int>(error));
    ISharedData& data = GetSharedData();
    wchar_t* buffer = nullptr;
    const DWORD length
        = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, error, GetFullLanguageId(data.GetLanguage()), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    UniqueLocalPtr<wchar_t> text(buffer);
    try {
        if (length != 0 && text)
            ErrorFromResource(kCodeWindowsFailure, kStringInsert, text.Get());
        else
            ReportError(kCodeWindowsFailure);
    } catch (const PrivateException&) {
        SetLastError(error);  // the caller's catch block still sees the failed call's error
        throw;
    }
}

void ReportLastWindowsError(const wchar_t* functionName)
{
    ReportWindowsError(GetLastError(), functionName);
}

void ReportCrtError(const wchar_t* functionName)
{
    const int number = errno;
    ContextMessageHolder context(
        L"C Runtime function %s returned an error. Error code: %d", functionName ? functionName : L"", number);
    const char* text = strerror(number);
    if (text && *text)
        Error(kCodeCrtFailure, L"%hs", text);
    else
        ReportError(kCodeCrtFailure);
}

int GetErrorCode()
{
    return GetSharedData().GetErrorCode();
}

void RequestAbort()
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    data.SetAbortRequested(true);
}

void ClearAbortRequest()
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    data.SetAbortRequested(false);
}

bool IsAbortRequested()
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    return data.GetAbortRequested();
}

void CheckAbort()
{
    ISharedData& data = GetSharedData();
    {
        SharedDataLock lock(data);
        if (data.GetErrorDeferred() || data.GetErrorCode() == kCodeAbort || !data.GetAbortRequested())
            return;
    }
    ReportError(kCodeAbort);
}

int CatchError()
{
    ISharedData& data = GetSharedData();
    bool inProgress;
    {
        SharedDataLock lock(data);
        inProgress = data.GetErrorCode() != 0;
    }
    if (!inProgress) {
        try {
            for (int index = 0; index < data.GetHandlerCount(); ++index) {
                ErrorHandler handler = data.GetHandler(index);
                if (handler)
                    handler();
            }
            throw;
        } catch (const PrivateException&) {
            // Deferred before this copy goes, so that the report stays open.
            SharedDataLock lock(data);
            data.SetErrorDeferred(true);
        }
    }
    SharedDataLock lock(data);
    data.SetErrorDeferred(true);
    RemoveUnregisteredHandlers(data);
    return data.GetErrorCode();
}

void ThrowIfDeferred()
{
    ISharedData& data = GetSharedData();
    {
        SharedDataLock lock(data);
        if (!data.GetErrorDeferred())
            return;
        data.SetErrorDeferred(false);
        if (data.GetErrorCode() == 0)
            return;
    }
    throw PrivateException();
}

namespace {

// The delay-load support's record of a failed import: the exception's first parameter.
void ReportDelayLoadFailure(unsigned int code, const EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD* record = pointers ? pointers->ExceptionRecord : nullptr;
    const DelayLoadInfo* info = record && record->NumberParameters >= 1
        ? reinterpret_cast<const DelayLoadInfo*>(record->ExceptionInformation[0])
        : nullptr;
    const DelayLoadInfo none = {};
    if (!info)
        info = &none;
    const DWORD errorCode = info == &none ? 0 : info->dwLastError;
    Print(L"Error %u occurred in delay-loaded module! Structured exception code %u", errorCode, code);
    Print(L"Module name: %hs Module handle: %Iu", info->szDll ? info->szDll : "",
        reinterpret_cast<ULONG_PTR>(info->hmodCur));
    if (info->dlp.fImportByName)
        Print(L"Proc name: %hs", info->dlp.szProcName ? info->dlp.szProcName : "");
    else
        Print(L"Proc name: %s", L"<not imported by name>");
    Error(kCodeOutputFailure, L"Proc ordinal: %u Proc Address: %Iu Actual proc: %Iu",
        info->dlp.fImportByName ? 0u : static_cast<unsigned int>(info->dlp.dwOrdinal),
        reinterpret_cast<ULONG_PTR>(info->ppfn), reinterpret_cast<ULONG_PTR>(info->pfnCur));
}

}  // namespace

void TranslateStructuredException(unsigned int code, const EXCEPTION_POINTERS* pointers)
{
    const wchar_t* text;
    switch (code) {
    case 0xC0000005u:
        text = L"Access violation! Structured exception code %u";
        break;
    case 0xC000008Cu:
        text = L"Array bounds exceeded! Structured exception code %u";
        break;
    case 0xC00000FDu:
        text = L"Stack overflow! Structured exception code %u";
        break;
    case 0xC0000008u:
        text = L"Invalid Win32 handle! Structured exception code %u";
        break;
    case 0xC000001Du:
        text = L"Illegal instruction! Structured exception code %u";
        break;
    case 0xC000008Eu:
    case 0xC0000094u:
        text = L"Divide by zero error! Structured exception code %u";
        break;
    case 0xC0000091u:
    case 0xC0000093u:
    case 0xC0000095u:
        text = L"Numeric overflow/underflow! Structured exception code %u";
        break;
    case DelayLoadException::kModuleNotFound:
    case DelayLoadException::kProcedureNotFound:
        ReportDelayLoadFailure(code, pointers);
        return;
    default:
        text = L"Runtime error! Structured exception code %u";
        break;
    }
    Error(kCodeOutputFailure, text, code);
}

void InstallSehTranslator(bool install)
{
    if (install)
        SetThreadStructuredExceptionTranslator(&TranslateStructuredException);
}

bool CheckResources()
{
    const LONG state = g_resourceState;
    if (state >= 0)
        return state == 1;
    g_resourceState = 0;
    HMODULE module = GetLibraryModule();
    std::wstring probe;
    if (LoadTableString(module, kStringReportTitle, kResourceCheckLanguage, probe)) {
        g_resourceState = 1;
        return true;
    }
    wchar_t name[MAX_PATH] = L"";
    GetModuleFileNameW(module, name, MAX_PATH);
    const std::wstring message = MsFormat(L"Error: '%s' missing OrbelToolbox resources! Project for DLL needs "
                                          L"OrbelToolbox.rc in its resource includes.\n",
        name);
    MessageBoxW(nullptr, message.c_str(), L"OrbelToolbox", MB_ICONERROR);
    fputws(message.c_str(), stdout);
    return false;
}

void SetDebugLogFile(const wchar_t* path)
{
    ISharedData& data = GetSharedData();
    {
        SharedDataLock lock(data);
        if (!data.GetDebugLogHandle()) {
            data.SetDebugLogFileName(path);
            data.SetDebugLogStarted(false);  // a new file is created afresh on its first opening
            return;
        }
    }
    Error(kCodeMisuse, L"Cannot change the debug log file while it is open!");
}

const wchar_t* GetDebugLogFile()
{
    return GetSharedData().GetDebugLogFileName();
}

bool IsDebugLogOpen()
{
    return GetSharedData().GetDebugLogHandle() != nullptr;
}

bool IsDebugLogStarted()
{
    return GetSharedData().GetDebugLogStarted();
}

void EnableDebugLog(bool enable)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    if (enable) {
        OpenDebugLog(data);
    } else if (data.GetDebugLogHandle()) {
        CloseHandle(data.GetDebugLogHandle());
        data.SetDebugLogHandle(nullptr);
    }
}

void SetLoggingMode(int mode)
{
    GetSharedData().SetLoggingMode(mode);
}

void SetProgressCallback(ProgressCallback callback)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    data.SetProgressCallback(callback);
}

LANGID GetLanguage()
{
    return GetSharedData().GetLanguage();
}

void SetLanguage(LANGID language)
{
    GetSharedData().SetLanguage(language);
}

void TimestampNextMessage()
{
    GetSharedData().SetTimestampNext(true);
}

void SetTimestampMessages(bool on)
{
    GetSharedData().SetTimestampAll(on);
}

const wchar_t* GetNextUserLogMessage()
{
    ISharedData& data = GetSharedData();
    {
        SharedDataLock lock(data);
        if (data.GetLoggingMode() != OutputUserLogMessages)
            return data.GetNextUserLogMessage();
    }
    Error(kCodeMisuse, L"Call to GetNextUserLogMessage not allowed when LoggingMode is set to OutputUserLogMessages.");
    return nullptr;
}

const wchar_t* GetNextLogMessage()
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    return data.GetNextLogMessage();
}

const wchar_t* GetProgress(int* value, int* maximum)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    if (value)
        *value = data.GetProgressValue();
    if (maximum)
        *maximum = data.GetProgressMaximum();
    return data.GetProgressText();
}

void PostProgressV(int value, int maximum, UINT stringId, va_list args)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    std::wstring templ;
    LoadMessageString(data, stringId, templ);
    data.SetProgressValue(value);
    data.SetProgressMaximum(maximum);
    va_list copy;
    va_copy(copy, args);
    VaListEnd end(copy);
    data.FormatProgressText(templ.c_str(), &copy);
    if (ProgressCallback callback = data.GetProgressCallback())
        callback(data.GetProgressText(), value, maximum);
}

void PostProgress(int value, int maximum, UINT stringId, ...)
{
    va_list args;
    va_start(args, stringId);
    VaListEnd end(args);
    PostProgressV(value, maximum, stringId, args);
}

void RegisterHandler(ErrorHandler handler)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    for (int index = 0; index < data.GetHandlerCount(); ++index) {
        if (data.GetHandler(index) == handler) {
            data.AddHandlerRegistration(index);
            return;
        }
    }
    data.AddHandler(handler);
}

void UnregisterHandler(ErrorHandler handler)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    for (int index = 0; index < data.GetHandlerCount(); ++index) {
        if (data.GetHandler(index) != handler)
            continue;
        data.DropHandlerRegistration(index);
        if (!Unwinding() && data.GetHandlerRegistrations(index) == 0)
            data.RemoveHandler(index);
        return;
    }
}

void DebugPrintV(const wchar_t* format, va_list args)
{
    ISharedData& data = GetSharedData();
    SharedDataLock lock(data);
    WriteDebugLogV(data, false, format, args);
}

void DebugPrint(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    DebugPrintV(format, args);
}

namespace {

void PrintMark(const wchar_t* name, const wchar_t* detail, const wchar_t* mark)
{
    const time_t now = time(nullptr);
    const wchar_t* timeText = _wctime(&now);
    std::wstring when = timeText ? timeText : L"";
    while (!when.empty() && (when.back() == L'\n' || when.back() == L'\r'))
        when.pop_back();
    DebugPrint(L"");
    DebugPrint(mark, name ? name : L"", when.c_str());
    if (detail)
        DebugPrint(L"     %s", detail);
    DebugPrint(L"");
}

}  // namespace

void PrintBegin(const wchar_t* name, const wchar_t* detail)
{
    PrintMark(name, detail, L"    [%s BEGIN]  %s");
}

void PrintEnd(const wchar_t* name, const wchar_t* detail)
{
    PrintMark(name, detail, L"    [%s END]  %s");
}

LANGID GetFullLanguageId(LANGID language)
{
    switch (language) {
    case LANG_ENGLISH:
        return 1033;
    case LANG_FRENCH:
        return 1036;
    case LANG_JAPANESE:
        return 1041;
    case LANG_KOREAN:
        return 1042;
    case LANG_GERMAN:
        return 1031;
    default:
        return language;
    }
}

}  // namespace OrbelOutput
}  // namespace OrbelToolbox
