#include "DelayLoadException.h"

#include "Resources.h"
#include "resource.h"

#include <delayimp.h>

#include <algorithm>
#include <cwchar>
#include <string>

DelayLoadException::DelayLoadException(unsigned int code, EXCEPTION_POINTERS* pointers) : SEH_Exception(code, pointers)
{
    const EXCEPTION_RECORD* record = pointers ? pointers->ExceptionRecord : nullptr;
    if (!record || record->NumberParameters < 1 || !record->ExceptionInformation[0]) {
        return;
    }
    const DelayLoadInfo* info = reinterpret_cast<const DelayLoadInfo*>(record->ExceptionInformation[0]);
    if (info->szDll) {
        m_dllName = info->szDll;
    }
    m_byName = info->dlp.fImportByName != FALSE;
    if (m_byName) {
        if (info->dlp.szProcName) {
            m_procName = info->dlp.szProcName;
        }
    } else {
        m_ordinal = info->dlp.dwOrdinal;
    }
}

DelayLoadException::DelayLoadException(unsigned int code, const char* dllName, const char* procName)
    : SEH_Exception(code, nullptr), m_dllName(dllName ? dllName : ""), m_byName(true),
      m_procName(procName ? procName : "")
{
}

DelayLoadException::DelayLoadException(unsigned int code, const char* dllName, DWORD ordinal)
    : SEH_Exception(code, nullptr), m_dllName(dllName ? dllName : ""), m_byName(false), m_ordinal(ordinal)
{
}

namespace {

std::wstring Widen(const std::string& text)
{
    std::wstring wide;
    int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length > 1) {
        wide.resize(static_cast<size_t>(length));
        ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
        wide.resize(static_cast<size_t>(length - 1));
    }
    return wide;
}

}  // namespace

DWORD DelayLoadException::GetMessage(wchar_t* buffer, DWORD size) const
{
    // The template, looked up like every string of the program: the language module first.
    const wchar_t* resource = nullptr;
    int resourceLength = 0;
    if (!AfxFindString(IDS_MISSING_EXPORT, resource, resourceLength) || resourceLength <= 0) {
        ::SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    std::wstring messageTemplate(resource, static_cast<size_t>(std::min(resourceLength, 255)));

    wchar_t path[MAX_PATH + 1] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    std::wstring program = slash ? slash + 1 : path;

    std::wstring dll = Widen(m_dllName);
    std::wstring function;
    if (m_byName) {
        function = Widen(m_procName);
    } else {
        wchar_t number[16];
        std::swprintf(number, 16, L"%ld", static_cast<long>(m_ordinal));
        function = number;
    }
    DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(program.c_str()), reinterpret_cast<DWORD_PTR>(dll.c_str()),
        reinterpret_cast<DWORD_PTR>(function.c_str())};
    return ::FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, messageTemplate.c_str(), 0, 0,
        buffer, size, reinterpret_cast<va_list*>(arguments));
}
