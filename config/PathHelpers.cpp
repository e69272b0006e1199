#include "PathHelpers.h"

#include <cwctype>
#include <vector>

#include "DynamicLibrary.h"
#include "PlatformChecks.h"
#include "UniqueHandle.h"

namespace {

bool IsSlash(wchar_t ch)
{
    return ch == L'\\' || ch == L'/';
}

bool HasDrive(const wchar_t* path)
{
    return iswalpha(path[0]) && path[1] == L':';
}

// GetFullPathNameW into a CString; empty when it fails or the result exceeds MAX_PATH - 1.
CString FullPath(const wchar_t* path)
{
    if (path == nullptr || path[0] == L'\0') {
        return CString();
    }
    wchar_t buffer[MAX_PATH];
    DWORD length = GetFullPathNameW(path, MAX_PATH, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        return CString();
    }
    return CString(buffer, static_cast<int>(length));
}

// The root of a full path without a trailing backslash: "C:" or "\\server\share".
CString RootOf(const CString& full)
{
    if (HasDrive(full)) {
        return full.Left(2);
    }
    if (full.GetLength() >= 2 && IsSlash(full[0]) && IsSlash(full[1])) {
        int serverEnd = full.Find(L'\\', 2);
        if (serverEnd < 0) {
            return full;
        }
        int shareEnd = full.Find(L'\\', serverEnd + 1);
        return shareEnd < 0 ? full : full.Left(shareEnd);
    }
    return CString();
}

bool IsExistingFolder(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool FileExists(const wchar_t* path)
{
    WIN32_FIND_DATAW data;
    OrbelToolbox::UniqueFindHandle find(FindFirstFileW(path, &data));
    return find.IsValid();
}

bool CanEnterDirectory(const wchar_t* folder)
{
    if (folder == nullptr || folder[0] == L'\0') {
        return false;
    }
    OrbelToolbox::UniqueKernelHandle handle(
        CreateFileW(folder, FILE_TRAVERSE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(handle.Get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

CString MakeAbsolutePath(const wchar_t* base, const wchar_t* path)
{
    if (path == nullptr) {
        path = L"";
    }
    CString fullBase = (base != nullptr && base[0] != L'\0' && IsExistingFolder(base)) ? FullPath(base) : CString();
    if (fullBase.IsEmpty()) {
        // Against the current directory, as the path stands.
        return FullPath(path[0] == L'\0' ? L"." : path);
    }
    if (path[0] == L'\0') {
        return fullBase;
    }
    if ((HasDrive(path) && IsSlash(path[2])) || (IsSlash(path[0]) && IsSlash(path[1]))) {
        return FullPath(path);  // already absolute
    }
    CString combined;
    if (IsSlash(path[0])) {
        combined = RootOf(fullBase) + path;  // relative to the base's root
    } else if (HasDrive(path)) {
        CString baseRoot = RootOf(fullBase);
        if (baseRoot.GetLength() == 2 && towupper(baseRoot[0]) == towupper(path[0])) {
            combined = fullBase;
            AddTrailingBackslash(combined);
            combined += path + 2;
        } else {
            return FullPath(path);  // another drive's own current folder
        }
    } else {
        combined = fullBase;
        AddTrailingBackslash(combined);
        combined += path;
    }
    return FullPath(combined);
}

bool GetVolumeRoot(const wchar_t* path, CString& root)
{
    size_t length = path == nullptr ? 0 : wcslen(path);
    if (length < 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    OSVERSIONINFOW version;
    if (QueryOsVersion(version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 4) {
        static OrbelToolbox::DynamicFunctionW<BOOL> getVolumePathName(
            &OrbelToolbox::Kernel32Library(), "GetVolumePathName");
        if (getVolumePathName.IsLoaded()) {
            DWORD size = GetFullPathNameW(path, 0, nullptr, nullptr) + 1;
            std::vector<wchar_t> buffer(size < MAX_PATH ? MAX_PATH : size);
            if (getVolumePathName(path, buffer.data(), static_cast<DWORD>(buffer.size()))) {
                root = buffer.data();
                AddTrailingBackslash(root);
                return true;
            }
            // Otherwise the text decides, as on systems without the function.
        }
    }
    if (path[1] == L':') {
        root = CString(path, 2) + L"\\";
        return true;
    }
    if (path[1] != L'\\') {
        return false;
    }
    if (length <= 2) {
        return false;
    }
    const wchar_t* serverEnd = wcschr(path + 2, L'\\');
    if (serverEnd == nullptr) {
        return false;
    }
    const wchar_t* shareEnd = wcschr(serverEnd + 1, L'\\');
    root = shareEnd == nullptr ? CString(path) : CString(path, static_cast<int>(shareEnd - path));
    AddTrailingBackslash(root);
    return true;
}

CString& AddTrailingBackslash(CString& path)
{
    int length = path.GetLength();
    if (length > 0 && path[length - 1] != L'\\') {
        path += L'\\';
    }
    return path;
}

CString& RemoveTrailingBackslash(CString& path)
{
    int length = path.GetLength();
    if (length > 0 && path[length - 1] == L'\\') {
        path = path.Left(length - 1);
    }
    return path;
}

CString& RemoveLeadingBackslash(CString& path)
{
    if (!path.IsEmpty() && path[0] == L'\\') {
        path = path.Mid(1);
    }
    return path;
}

CString& AddLeadingBackslash(CString& path)
{
    if (path.IsEmpty() || path[0] != L'\\') {
        path = L"\\" + path;
    }
    return path;
}
