#include "MsiHandleHelpers.h"

#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "MsPrintf.h"
#include "MsiApi.h"
#include "MsiHandle.h"

namespace {

constexpr wchar_t kLogPrefix[] = L"OrbelInstaller: ";
constexpr size_t kChunkLength = 70;
constexpr DWORD kInstallLevelUnits = 9;
constexpr wchar_t kListSeparators[] = L", ";

// The buffer protocol: ask with an empty buffer, then once more with the reported length + 1.
template <class Call> UINT ReadText(CString& out, bool lengthFromCall, Call call)
{
    out.Empty();
    wchar_t empty[1] = {L'\0'};
    DWORD count = 0;
    UINT result = call(empty, &count);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) {
        return result;
    }
    count += 1;
    wchar_t* buffer = nullptr;
    try {
        buffer = out.GetBuffer(static_cast<int>(count));
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    const DWORD units = count;
    result = call(buffer, &count);
    if (result != ERROR_SUCCESS || count >= units) {
        out.ReleaseBuffer(0);
        return result == ERROR_SUCCESS ? ERROR_MORE_DATA : result;
    }
    out.ReleaseBuffer(lengthFromCall ? static_cast<int>(count) : -1);
    return ERROR_SUCCESS;
}

std::wstring FormatOrEmpty(const wchar_t* format, va_list args)
{
    try {
        return MsFormatV(format ? format : L"", args);
    } catch (...) {
        return std::wstring();
    }
}

// One information message whose template is `text`.
int LogText(MSIHANDLE install, const std::wstring& text)
{
    try {
        UniqueMsiHandle record(MsiApi().MsiCreateRecord(1));
        if (!record) {
            return -1;
        }
        MsiApi().MsiRecordSetStringW(record.Get(), 0, text.c_str());
        return MsiApi().MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.Get());
    } catch (...) {
        return -1;  // msi.dll could not be bound
    }
}

int LogRecord(MSIHANDLE install, MSIHANDLE record)
{
    MsiApi().MsiRecordSetStringW(record, 0, L"");
    return MsiApi().MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

// Opens and executes a query with one string parameter.
UINT OpenQuery(MSIHANDLE database, const wchar_t* query, const wchar_t* parameter, UniqueMsiHandle& view)
{
    UINT result = MsiApi().MsiDatabaseOpenViewW(database, query, view.AddressOf());
    if (result != ERROR_SUCCESS) {
        return result;
    }
    UniqueMsiHandle parameters(MsiApi().MsiCreateRecord(1));
    if (parameter != nullptr) {
        MsiApi().MsiRecordSetStringW(parameters.Get(), 1, parameter);
    }
    return MsiApi().MsiViewExecute(view.Get(), parameter != nullptr ? parameters.Get() : 0);
}

// The items of a list separated by commas and blanks.
std::vector<std::wstring> SplitList(const CString& text)
{
    std::vector<std::wstring> items;
    const wchar_t* at = text.GetString();
    for (;;) {
        at += wcsspn(at, kListSeparators);
        if (*at == L'\0') {
            return items;
        }
        const size_t length = wcscspn(at, kListSeparators);
        items.emplace_back(at, length);
        at += length;
    }
}

}  // namespace

UINT GetSessionProperty(MSIHANDLE install, const wchar_t* name, CString& value)
{
    return ReadText(value, true,
        [&](wchar_t* buffer, DWORD* count) { return MsiApi().MsiGetPropertyW(install, name, buffer, count); });
}

UINT GetSessionTargetPath(MSIHANDLE install, const wchar_t* folder, CString& value)
{
    return ReadText(value, true,
        [&](wchar_t* buffer, DWORD* count) { return MsiApi().MsiGetTargetPathW(install, folder, buffer, count); });
}

UINT GetRecordString(MSIHANDLE record, UINT field, CString& value)
{
    return ReadText(value, false,
        [&](wchar_t* buffer, DWORD* count) { return MsiApi().MsiRecordGetStringW(record, field, buffer, count); });
}

int LogToInstaller(MSIHANDLE install, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int result = LogToInstallerV(install, format, args);
    va_end(args);
    return result;
}

int LogToInstallerV(MSIHANDLE install, const wchar_t* format, va_list args)
{
    return LogText(install, FormatOrEmpty(format, args));
}

int LogToInstallerPrefixed(MSIHANDLE install, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::wstring text = FormatOrEmpty(format, args);
    va_end(args);
    return LogText(install, kLogPrefix + text);
}

int LogToInstallerChunked(MSIHANDLE install, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::wstring text = FormatOrEmpty(format, args);
    va_end(args);
    int result = 0;
    for (size_t at = 0; at < text.size() && result == 0; at += kChunkLength) {
        result = LogText(install, kLogPrefix + text.substr(at, kChunkLength));
    }
    return result;
}

bool TableExists(MSIHANDLE database, const wchar_t* table)
{
    try {
        UniqueMsiHandle view;
        if (OpenQuery(database, L"SELECT Name FROM _Tables WHERE Name=?", table ? table : L"", view) != ERROR_SUCCESS) {
            return false;
        }
        UniqueMsiHandle row;
        return MsiApi().MsiViewFetch(view.Get(), row.AddressOf()) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

int GetProductInstallLevel(MSIHANDLE product)
{
    wchar_t buffer[kInstallLevelUnits] = {};
    DWORD count = kInstallLevelUnits;
    try {
        if (MsiApi().MsiGetProductPropertyW(product, L"INSTALLLEVEL", buffer, &count) != ERROR_SUCCESS) {
            return 0;
        }
    } catch (...) {
        return 0;
    }
    return _wtoi(buffer);
}

UINT GetComponentActionState(MSIHANDLE install, MSIHANDLE database, const wchar_t* component, int* state)
{
    if (state == nullptr || component == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *state = -1;
    try {
        // The component's name is a query parameter: a name with quotes cannot change the query.
        UniqueMsiHandle conditionView;
        UINT result
            = OpenQuery(database, L"SELECT Condition FROM Component WHERE Component=?", component, conditionView);
        if (result != ERROR_SUCCESS) {
            return result;
        }
        UniqueMsiHandle conditionRow;
        result = MsiApi().MsiViewFetch(conditionView.Get(), conditionRow.AddressOf());
        if (result == ERROR_SUCCESS) {
            CString condition;
            result = GetRecordString(conditionRow.Get(), 1, condition);
            if (result != ERROR_SUCCESS) {
                return result;
            }
            if (!condition.IsEmpty()
                && MsiApi().MsiEvaluateConditionW(install, condition.GetString()) == MSICONDITION_FALSE) {
                *state = INSTALLSTATE_ABSENT;
                return ERROR_SUCCESS;
            }
        } else if (result != ERROR_NO_MORE_ITEMS) {
            return result;
        }

        UniqueMsiHandle features;
        result = OpenQuery(database, L"SELECT Feature_ FROM FeatureComponents WHERE Component_=?", component, features);
        if (result != ERROR_SUCCESS) {
            return result;
        }
        for (;;) {
            UniqueMsiHandle row;
            result = MsiApi().MsiViewFetch(features.Get(), row.AddressOf());
            if (result == ERROR_NO_MORE_ITEMS) {
                return ERROR_SUCCESS;
            }
            if (result != ERROR_SUCCESS) {
                return result;
            }
            CString feature;
            result = GetRecordString(row.Get(), 1, feature);
            if (result != ERROR_SUCCESS) {
                return result;
            }
            INSTALLSTATE installed = INSTALLSTATE_UNKNOWN;
            INSTALLSTATE action = INSTALLSTATE_UNKNOWN;
            result = MsiApi().MsiGetFeatureStateW(install, feature.GetString(), &installed, &action);
            if (result != ERROR_SUCCESS) {
                return result;
            }
            if (action == INSTALLSTATE_LOCAL) {
                *state = INSTALLSTATE_LOCAL;
                return ERROR_SUCCESS;
            }
            if (action == INSTALLSTATE_SOURCE) {
                *state = INSTALLSTATE_SOURCE;
            } else if ((action == INSTALLSTATE_REMOVED || action == INSTALLSTATE_ABSENT)
                && *state < INSTALLSTATE_LOCAL) {
                *state = INSTALLSTATE_ABSENT;
            }
        }
    } catch (...) {
        return ERROR_DLL_NOT_FOUND;  // msi.dll could not be bound
    }
}

UINT DumpTable(MSIHANDLE install, const wchar_t* table)
{
    if (table == nullptr || wcschr(table, L'`') != nullptr) {
        return ERROR_INVALID_PARAMETER;  // the name is quoted into the query
    }
    try {
        UniqueMsiHandle database(MsiApi().MsiGetActiveDatabase(install));
        if (!database) {
            return ERROR_INVALID_HANDLE;
        }
        UniqueMsiHandle view;
        const std::wstring query = std::wstring(L"SELECT * FROM `") + table + L"`";
        UINT result = OpenQuery(database.Get(), query.c_str(), nullptr, view);
        if (result != ERROR_SUCCESS) {
            return result;
        }
        LogToInstaller(install, L"Dump of Table %s", table);
        for (MSICOLINFO kind : {MSICOLINFO_NAMES, MSICOLINFO_TYPES}) {
            UniqueMsiHandle columns;
            if (MsiApi().MsiViewGetColumnInfo(view.Get(), kind, columns.AddressOf()) == ERROR_SUCCESS) {
                LogRecord(install, columns.Get());
            }
        }
        LogToInstaller(install, L"End Dump");
        for (;;) {
            UniqueMsiHandle row;
            result = MsiApi().MsiViewFetch(view.Get(), row.AddressOf());
            if (result == ERROR_NO_MORE_ITEMS) {
                return ERROR_SUCCESS;
            }
            if (result != ERROR_SUCCESS) {
                return result;
            }
            LogRecord(install, row.Get());
        }
    } catch (...) {
        return ERROR_DLL_NOT_FOUND;
    }
}

UINT GetRecordListItem(MSIHANDLE record, DWORD* item, wchar_t* buffer, DWORD* size)
{
    if (item == nullptr || size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    CString text;
    UINT result = ERROR_SUCCESS;
    try {
        result = GetRecordString(record, 2, text);
    } catch (...) {
        return ERROR_DLL_NOT_FOUND;
    }
    if (result != ERROR_SUCCESS) {
        return result;
    }
    const std::vector<std::wstring> items = SplitList(text);
    const DWORD wanted = *item == 0 ? 1 : *item;
    if (wanted > items.size()) {
        *item = 0;
        return ERROR_NO_MORE_ITEMS;
    }
    const std::wstring& found = items[wanted - 1];
    const DWORD length = static_cast<DWORD>(found.size());
    if (buffer == nullptr || length >= *size) {
        *size = length + 1;
        return ERROR_MORE_DATA;
    }
    wmemcpy(buffer, found.c_str(), length + 1);
    *item = wanted + 1;
    *size = length;
    return ERROR_SUCCESS;
}

UINT GetRecordListItem(MSIHANDLE record, DWORD* item, CString& value)
{
    value.Empty();
    DWORD size = 0;
    UINT result = GetRecordListItem(record, item, nullptr, &size);
    if (result != ERROR_MORE_DATA) {
        return result;
    }
    wchar_t* buffer = nullptr;
    try {
        buffer = value.GetBuffer(static_cast<int>(size));
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    result = GetRecordListItem(record, item, buffer, &size);
    value.ReleaseBuffer(result == ERROR_SUCCESS ? static_cast<int>(size) : 0);
    return result;
}
