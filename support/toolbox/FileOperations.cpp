#include "FileOperations.h"

#include <shellapi.h>

#include <cwchar>
#include <direct.h>
#include <exception>
#include <set>
#include <stdlib.h>
#include <string>
#include <vector>

#include "CString.h"
#include "ErrorModeGuard.h"
#include "FileSearch.h"
#include "ContextMessage.h"
#include "OrbelOutput.h"
#include "PathStrings.h"
#include "DynamicLibrary.h"
#include "PlatformApi.h"
#include "RegistryText.h"
#include "ToolboxFailure.h"
#include "UniqueHandle.h"

namespace OrbelToolbox {

namespace {

constexpr wchar_t kFailed[] = L"OrbelToolbox: %s failed.";
// Context lines of the library's string table.
constexpr UINT kSharedDirectoryMessage = 9304;
constexpr UINT kFileMessage = 9305;
constexpr UINT kDirectoryMessage = 9306;
constexpr UINT kCopyMessage = 9307;
constexpr UINT kCreateDirectoryMessage = 9308;
constexpr UINT kEraseDirectoryMessage = 9309;
constexpr UINT kCopyFilesMessage = 9312;
constexpr wchar_t kSharedDirectoryKey[] = L"SOFTWARE\\Zekova Systems\\Common\\Installer";
constexpr wchar_t kSharedDirectoryValue[] = L"ZKSHAREDDIR";
constexpr uint64_t kMegabyte = 0x100000;
constexpr uint64_t kLargestConvertibleBytes = 1ull << 52;

DWORD ReadAttributes(const wchar_t* path)
{
    ErrorModeGuard errorMode;
    return GetFileAttributesW(path);
}

// What the copy's progress routine works with; an error of the progress callback is kept and
// raised again once CopyFileExW has returned.
struct CopyProgress {
    const wchar_t* target;
    std::exception_ptr error;
};

DWORD CALLBACK CopyProgressRoutine(LARGE_INTEGER total, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD,
    DWORD, HANDLE, HANDLE, LPVOID data)
{
    auto* progress = static_cast<CopyProgress*>(data);
    try {
        const uint64_t all = static_cast<uint64_t>(total.QuadPart);
        const uint64_t done = static_cast<uint64_t>(transferred.QuadPart);
        int percent = 100;
        if (all != 0) {
            percent = static_cast<int>(all < 0xFFFFFFFFull ? done * 100 / all : done / (all / 100));
        }
        OrbelOutput::PostProgress(percent, 100, 0, progress->target);
        return OrbelOutput::IsAbortRequested() ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
    } catch (...) {
        progress->error = std::current_exception();
        return PROGRESS_CANCEL;
    }
}

std::wstring WithoutTrailingBackslash(const wchar_t* path)
{
    std::wstring text(path);
    if (!text.empty() && text.back() == L'\\') {
        text.pop_back();
    }
    return text;
}

// Opens a file for reading or writing its times.
UniqueKernelHandle OpenForTimes(const wchar_t* file, DWORD access)
{
    UniqueKernelHandle handle(CreateFileW(file, access, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle) {
        RefuseLastWindowsError(L"CreateFile");
    }
    return handle;
}

}  // namespace

uint64_t GetFileSize(const wchar_t* file, uint64_t limit)
{
    auto fileContext = ContextMessageHolder::FromResource(kFileMessage, file ? file : L"");
    ContextMessageHolder context(
        L"OrbelToolbox: %s failed. File: %s Size limit: %I64u", L"OrbelToolbox::GetFileSize", file ? file : L"", limit);
    if (file == nullptr) {
        Refuse(-40, L"OrbelToolbox: Passed NULL string to %s", L"OrbelToolbox::GetFileSize");
    }
    WIN32_FIND_DATAW data;
    {
        ErrorModeGuard errorMode;
        if (GetFileAttributesW(file) == INVALID_FILE_ATTRIBUTES) {
            RefuseLastWindowsError(L"GetFileAttributes");
        }
        UniqueFindHandle search(FindFirstFileW(file, &data));
        if (!search) {
            RefuseLastWindowsError(L"FindFirstFile");
        }
    }
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) + data.nFileSizeLow;
    if (size <= limit) {
        return size;
    }
    OrbelOutput::DebugPrint(L"WARNING: OrbelToolbox: %s returning incorrect file size because size exceeds specified "
                            L"limit. File: %s Size: %I64u, Limit: %I64u",
        L"OrbelToolbox::GetFileSize", file, size, limit);
    return limit;
}

ULONG ConvertFileSizeBytesToMB(uint64_t bytes)
{
    ContextMessageHolder context(
        L"OrbelToolbox: %s failed. FileSizeInBytes: %I64u", L"OrbelToolbox::ConvertFileSizeBytesToMB", bytes);
    if (bytes >= kLargestConvertibleBytes) {
        Refuse(-40, L"     File size exceeds ULONG_MAX (4096 terabytes).");
    }
    return static_cast<ULONG>(bytes / kMegabyte);
}

uint64_t ConvertFileSizeMBToBytes(ULONG megabytes)
{
    return static_cast<uint64_t>(megabytes) * kMegabyte;
}

uint64_t GetDirectorySizeRecursive(const wchar_t* directory, uint64_t limit)
{
    ContextMessageHolder context(
        L"     %s failed on directory: %s", L"OrbelToolbox::GetDirectorySizeRecursive", directory ? directory : L"");
    FileSearch search(directory, L"*.*");
    uint64_t total = 0;
    while (search.Find(0)) {
        const uint64_t size = search.IsDirectory() ? GetDirectorySizeRecursive(search.GetPath(), limit)
                                                   : GetFileSize(search.GetPath(), limit);
        if (limit - size < total) {
            return limit;
        }
        total += size;
    }
    return total;
}

uint64_t GetDirectorySize(const wchar_t* directory, uint64_t limit)
{
    auto directoryContext = ContextMessageHolder::FromResource(kDirectoryMessage, directory ? directory : L"");
    ContextMessageHolder context(L"OrbelToolbox: %s failed. Directory: %s Size limit: %I64u",
        L"OrbelToolbox::GetDirectorySize", directory ? directory : L"", limit);
    if (directory == nullptr) {
        Refuse(-40, L"OrbelToolbox: Passed NULL string to %s", L"OrbelToolbox::GetDirectorySize");
    }
    FileSearch search(WithoutTrailingBackslash(directory).c_str());
    search.Find(FileSearch::ReportFailures);
    if (search.IsFile()) {
        Refuse(-32, L"     The directory given is actually a file.");
    }
    return GetDirectorySizeRecursive(directory, limit);
}

bool IsDirectory(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveFileAttributes(const wchar_t* file, DWORD attributes)
{
    auto fileContext = ContextMessageHolder::FromResource(kFileMessage, file ? file : L"");
    ContextMessageHolder context(L"OrbelToolbox: %s failed. File: %s Attributes:%d",
        L"OrbelToolbox::RemoveFileAttributes", file ? file : L"", attributes);
    const DWORD current = ReadAttributes(file);
    if (current == INVALID_FILE_ATTRIBUTES) {
        RefuseLastWindowsError(L"GetFileAttributes");
    }
    if (current & attributes) {
        SetFileAttributesW(file, current & ~attributes);
    }
}

void CopyFileIgnoreAttribs(const wchar_t* source, const wchar_t* target, bool failIfExists)
{
    auto files = ContextMessageHolder::FromResource(kCopyMessage, source ? source : L"", target ? target : L"");
    ContextMessageHolder context(kFailed, L"OrbelToolbox::CopyFileIgnoreAttribs");
    static DynamicFunctionW<BOOL> copyFileEx(&Kernel32Library(), "CopyFileEx");
    if (!copyFileEx.IsLoaded()) {
        RefuseWindowsError(ERROR_PROC_NOT_FOUND, L"CopyFileEx");
    }
    ErrorModeGuard errorMode;
    SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
    CopyProgress progress{target, nullptr};
    BOOL cancel = FALSE;
    const DWORD flags = failIfExists ? COPY_FILE_FAIL_IF_EXISTS : 0;
    if (!copyFileEx(source, target, static_cast<LPPROGRESS_ROUTINE>(&CopyProgressRoutine),
            static_cast<LPVOID>(&progress), &cancel, flags)) {
        const DWORD error = GetLastError();
        if (progress.error) {
            std::rethrow_exception(progress.error);
        }
        OrbelOutput::CheckAbort();
        RefuseWindowsError(error, L"CopyFileEx");
    }
    SetFileAttributesW(target, FILE_ATTRIBUTE_ARCHIVE);
}

void CopyFiles(const wchar_t* sourcePattern, const wchar_t* targetDirectory, const wchar_t* targetName, DWORD flags)
{
    auto paths = ContextMessageHolder::FromResource(kCopyFilesMessage, sourcePattern ? sourcePattern : L"",
        targetDirectory ? targetDirectory : L"", targetName ? targetName : L"");
    ContextMessageHolder context(kFailed, L"OrbelToolbox::CopyFiles");
    if (sourcePattern == nullptr || targetDirectory == nullptr) {
        Refuse(-40, L"OrbelToolbox: Passed NULL string to %s", L"OrbelToolbox::CopyFiles");
    }
    StrictPath sourceDirectory(sourcePattern, StrictPath::AllowWild);
    sourceDirectory.GetParentDirectory();
    wchar_t nameText[StrictPath::kUnits] = {};
    wcsncpy(nameText, sourcePattern, StrictPath::kMaxLength);
    StripToFileName(nameText);
    const StrictPath namePattern(nameText, StrictPath::FileName | StrictPath::AllowWild);
    const StrictPath target(targetDirectory, StrictPath::Directory);
    CreateDirectoryRecurse(target, nullptr);

    std::set<StrictPath> unmatched;
    if (flags & kCopyMirror) {
        FileSearch existing(target, namePattern);
        while (existing.Find(FileSearch::SkipDirectories)) {
            unmatched.insert(StrictPath(existing.GetFindData().cFileName, StrictPath::FileName));
        }
    }

    FileSearch sources(sourcePattern);
    while (sources.Find(FileSearch::SkipDirectories)) {
        const wchar_t* name
            = (targetName != nullptr && targetName[0] != L'\0') ? targetName : sources.GetFindData().cFileName;
        StrictPath targetPath(target);
        targetPath.Append(name, StrictPath::FileName);
        unmatched.erase(StrictPath(name, StrictPath::FileName));
        if ((flags & kCopySkipNotNewer) && IsFile(targetPath)) {
            FILETIME targetTime = {};
            GetFileTime(targetPath, nullptr, nullptr, &targetTime);
            if (CompareFileTime(&targetTime, &sources.GetFindData().ftLastWriteTime) >= 0) {
                OrbelOutput::DebugPrint(L"Skipping copying file %s. File already exists in target directory and is "
                                        L"newer than or the same as the one is source directory.\r\n",
                    sources.GetPath().GetText());
                continue;
            }
        }
        CopyFileIgnoreAttribs(sources.GetPath(), targetPath, false);
    }

    for (const StrictPath& name : unmatched) {
        StrictPath stale(target);
        stale.Append(name, StrictPath::FileName);
        DeleteFileW(stale);
    }

    if (flags & kCopyRecurse) {
        FileSearch subdirectories(sourceDirectory, namePattern);
        while (subdirectories.Find(0)) {
            if (!subdirectories.IsDirectory()) {
                continue;
            }
            StrictPath subPattern(subdirectories.GetPath());
            subPattern.Append(namePattern, StrictPath::FileName);
            StrictPath subTarget(target);
            subTarget.Append(subdirectories.GetFindData().cFileName, StrictPath::Directory);
            CopyFiles(subPattern, subTarget, targetName, flags);
        }
    }
}

void CreateDirectoryRecurse(const wchar_t* directory, SECURITY_ATTRIBUTES* security)
{
    auto path = ContextMessageHolder::FromResource(kCreateDirectoryMessage, directory ? directory : L"");
    ContextMessageHolder context(kFailed, L"OrbelToolbox::CreateDirectoryRecurse");
    const StrictPath whole(directory, StrictPath::Directory);
    StrictPath root(whole);
    root.GetVolume(true);
    const std::wstring text = WithoutTrailingBackslash(whole);
    const size_t rootLength = root.Length();
    if (text.size() < rootLength) {
        return;  // the directory is its own volume root
    }
    std::vector<std::wstring> prefixes;
    for (size_t at = text.find(L'\\', rootLength); at != std::wstring::npos; at = text.find(L'\\', at + 1)) {
        prefixes.push_back(text.substr(0, at));
    }
    prefixes.push_back(text);
    for (const std::wstring& prefix : prefixes) {
        ErrorModeGuard errorMode;
        const DWORD attributes = GetFileAttributesW(prefix.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (!CreateDirectoryW(prefix.c_str(), security)) {
                RefuseLastWindowsError(L"CreateDirectory");
            }
        }
    }
}

void EraseDirectoryContents(const wchar_t* directory, bool deleteDirectory)
{
    if (directory == nullptr || !IsDirectory(directory)) {
        return;
    }
    auto erasing = ContextMessageHolder::FromResource(kEraseDirectoryMessage, directory);
    ContextMessageHolder context(L"OrbelToolbox: %s failed. Path: %s DeleteDirectory: %d",
        L"OrbelToolbox::EraseDirectoryContents", directory, deleteDirectory ? 1 : 0);
    std::wstring source = WithoutTrailingBackslash(directory);
    if (!deleteDirectory) {
        source += L"\\*";
    }
    source.push_back(L'\0');  // the list form: each name ends with a NUL, the list with another
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    const int result = SHFileOperationW(&operation);
    if (result != 0) {
        RefuseWindowsError(static_cast<DWORD>(result), L"SHFileOperation");
    }
}

void GetSharedDirectory(StrictPath& out)
{
    auto shared = ContextMessageHolder::FromResource(kSharedDirectoryMessage);
    ContextMessageHolder context(L"OrbelToolbox: Unable to get ZK Shared dir.");
    HKEY opened = nullptr;
    const LSTATUS opening = g_platformApi.RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDirectoryKey, 0, KEY_READ, &opened);
    if (opening != ERROR_SUCCESS) {
        RefuseWindowsError(static_cast<DWORD>(opening), L"RegOpenKeyEx");
    }
    UniqueRegKey key(opened);
    // Only a string value counts, and it must fit the path.
    CString value;
    LONG result = ReadRegistryString(key.Get(), kSharedDirectoryValue, value);
    if (result == ERROR_SUCCESS && static_cast<size_t>(value.GetLength()) > StrictPath::kMaxLength) {
        result = ERROR_MORE_DATA;
    }
    if (result != ERROR_SUCCESS || value.IsEmpty()) {
        RefuseWindowsError(static_cast<DWORD>(result), L"RegQueryValueEx");
    }
    StrictPath::WritableBuffer buffer(out, StrictPath::Directory);
    wcscpy(buffer.Get(), value.GetString());
}

void AppendPath(wchar_t* fullPath, const wchar_t* pathToAppend)
{
    ContextMessageHolder context(L"OrbelToolbox: Error in %s function", L"OrbelToolbox::AppendPath");
    if (fullPath == nullptr) {
        Refuse(-40, L"             Parameter fullPath is NULL");
    }
    if (pathToAppend == nullptr) {
        Refuse(-40, L"             Parameter pathToAppend is NULL");
    }
    if (pathToAppend[0] == L'\0') {
        return;
    }
    wchar_t saved[MAX_PATH] = {};
    if (_wgetcwd(saved, MAX_PATH) == nullptr) {
        RefuseCrtError(L"_tgetcwd");
    }
    if (_wchdir(fullPath) != 0) {
        RefuseCrtError(L"_tchdir");
    }
    wchar_t resolved[MAX_PATH] = {};
    const bool ok = _wfullpath(resolved, pathToAppend, MAX_PATH) != nullptr;
    const int fullPathErrno = errno;
    // The current directory goes back before anything is reported.
    if (_wchdir(saved) != 0) {
        RefuseCrtError(L"_tchdir");
    }
    if (!ok) {
        errno = fullPathErrno;
        RefuseCrtError(L"_tfullpath");
    }
    wcscpy(fullPath, resolved);
}

void GetFileTime(const wchar_t* file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite)
{
    ContextMessageHolder context(L"%s failed. File='%s'", L"OrbelToolbox::GetFileTime", file ? file : L"");
    UniqueKernelHandle handle = OpenForTimes(file, FILE_READ_ATTRIBUTES);
    if (!::GetFileTime(handle.Get(), creation, lastAccess, lastWrite)) {
        RefuseLastWindowsError(L"GetFileTime");
    }
}

void SetFileTime(const wchar_t* file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite)
{
    ContextMessageHolder context(L"%s failed. File='%s'", L"OrbelToolbox::SetFileTime", file ? file : L"");
    UniqueKernelHandle handle = OpenForTimes(file, FILE_WRITE_ATTRIBUTES);
    if (!::SetFileTime(handle.Get(), creation, lastAccess, lastWrite)) {
        RefuseLastWindowsError(L"SetFileTime");
    }
}

}  // namespace OrbelToolbox
