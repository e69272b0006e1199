#include "InstallPathValidation.h"

#include <windows.h>

#include <cwchar>

#include "CString.h"
#include "LanguageHelpers.h"
#include "LocaleNames.h"
#include "PathHelpers.h"
#include "TextHelpers.h"
#include "WindowsError.h"

namespace {

constexpr int kMaxPathLength = MAX_PATH;
constexpr UINT kPathTooLongString = 51320;
constexpr UINT kReservedNameString = 51323;
constexpr UINT kInvalidCharacterString = 51324;
constexpr UINT kInvalidPathString = 51801;
constexpr UINT kCodePageString = 11013;
constexpr wchar_t kForbiddenCharacters[] = L"/:*?\"<>|";

const wchar_t* const kReservedNames[] = {
    L"CON",
    L"PRN",
    L"AUX",
    L"CLOCK$",
    L"NUL",
    L"COM1",
    L"COM2",
    L"COM3",
    L"COM4",
    L"COM5",
    L"COM6",
    L"COM7",
    L"COM8",
    L"COM9",
    L"LPT1",
    L"LPT2",
    L"LPT3",
    L"LPT4",
    L"LPT5",
    L"LPT6",
    L"LPT7",
    L"LPT8",
    L"LPT9",
};

[[noreturn]] void Fail(DWORD code, UINT stringId, const wchar_t* first, const wchar_t* second = L"")
{
    CString format;
    format.LoadString(stringId);
    CString message;
    message.FormatMessage(format.GetString(), first, second);
    throw WindowsError(code, message.GetString());
}

// The volume root with a trailing backslash: "X:\" of a drive path, "\\server\share\" of a
// UNC path (the whole path when it names no share).
CString RootOf(const CString& path)
{
    CString root;
    if (path.GetLength() >= 2 && path[1] == L':') {
        root = path.Left(path.GetLength() >= 3 ? 3 : 2);
    } else if (path.GetLength() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        const int serverEnd = path.Find(L'\\', 2);
        const int shareEnd = serverEnd < 0 ? -1 : path.Find(L'\\', serverEnd + 1);
        root = shareEnd < 0 ? path : path.Left(shareEnd + 1);
    } else {
        Fail(ERROR_INVALID_NAME, kInvalidPathString, path);
    }
    return AddTrailingBackslash(root);
}

bool IsReservedName(const CString& name)
{
    const int dot = name.ReverseFind(L'.');
    const CString base = dot < 0 ? name : name.Left(dot);
    for (const wchar_t* reserved : kReservedNames) {
        if (_wcsicmp(base.GetString(), reserved) == 0) {
            return true;
        }
    }
    return false;
}

bool HasForbiddenCharacter(const CString& name)
{
    for (int i = 0; i < name.GetLength(); ++i) {
        if (name[i] < 32 || wcschr(kForbiddenCharacters, name[i]) != nullptr) {
            return true;
        }
    }
    return false;
}

void CheckFolderNames(const CString& path, const CString& root)
{
    CString working = path;
    RemoveTrailingBackslash(working);
    CString top = root;
    RemoveTrailingBackslash(top);
    while (working != top) {
        const int separator = working.ReverseFind(L'\\');
        if (separator < 0) {
            break;  // nothing left to walk
        }
        const CString name = working.Mid(separator + 1);
        if (IsReservedName(name)) {
            Fail(ERROR_DIRECTORY, kReservedNameString, name);
        }
        const DWORD attributes = GetFileAttributesW(working);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            Fail(ERROR_DIRECTORY, kInvalidPathString, working);
        }
        if (HasForbiddenCharacter(name)) {
            Fail(ERROR_DIRECTORY, kInvalidCharacterString, name);
        }
        working = working.Left(separator);
    }
}

}  // namespace

VolumeInformationQuery g_pfnGetVolumeInformationW = &GetVolumeInformationW;

void ValidateInstallPath(const wchar_t* path)
{
    if (path == nullptr || path[0] == L'\0') {
        return;
    }
    const CString text(path);
    if (text.GetLength() > kMaxPathLength) {
        Fail(ERROR_DIRECTORY, kPathTooLongString, text);
    }
    const CString root = RootOf(text);
    if (!g_pfnGetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
        DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_DATA) {
            error = ERROR_INVALID_DRIVE;
        }
        Fail(error, kInvalidPathString, root);
    }
    CheckFolderNames(text, root);

    const LCID locale = GetUserDefaultLCID();
    if (HasUnmappableCharacters(text, OrbelToolbox::GetAnsiCodePage(locale))) {
        CString languageName;
        if (UINT id = GetLocaleLanguageNameStringId(locale)) {
            languageName.LoadString(id);
        }
        Fail(ERROR_DIRECTORY, kCodePageString, text, languageName);
    }
    if (!CanEnterDirectory(text)) {
        Fail(ERROR_PATH_NOT_FOUND, kInvalidPathString, text);
    }
}
