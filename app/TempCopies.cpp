// Temporary copies of files on media that may go away: made in the temporary folder, recorded,
// and deleted when the run ends.
#include "VelmoInstaller.h"

#include "PathHelpers.h"
#include "SystemErrorClasses.h"

static const char kSource[] = "VelmoInstaller";

UINT(WINAPI* CVelmoInstallerApp::s_pfnGetDriveTypeW)(LPCWSTR root) = &GetDriveTypeW;

void CVelmoInstallerApp::MakeTempCopy(const wchar_t* sourcePath, CString& copyPath)
{
    static const wchar_t kDebugText[] = L"Unable to copy original %1 to %2.\nWindows Error %3.";
    wchar_t tempFile[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(m_strTempPath, L"zki", 0, tempFile)) {
        DWORD error = GetLastError();
        throw TempCopyCreationFailed(kSource, 1248, sourcePath, tempFile, WindowsError(error, nullptr), kDebugText);
    }
    if (!CopyFileW(sourcePath, tempFile, FALSE)) {
        DWORD error = GetLastError();
        DeleteFileW(tempFile);
        throw TempCopyCreationFailed(kSource, 1255, sourcePath, tempFile, WindowsError(error, nullptr), kDebugText);
    }
    // A copy from a CD-ROM would keep its read-only attribute.
    SetFileAttributesW(tempFile, FILE_ATTRIBUTE_NORMAL);
    m_tempFiles.push_back(CString(tempFile));
    copyPath = tempFile;
}

bool CVelmoInstallerApp::CopyIfOnCdRom(const wchar_t* path, CString& pathToUse)
{
    CString root;
    UINT type = GetVolumeRoot(path, root) ? s_pfnGetDriveTypeW(root) : DRIVE_UNKNOWN;
    if (type == DRIVE_REMOVABLE || type == DRIVE_REMOTE || type == DRIVE_CDROM) {
        MakeTempCopy(path, pathToUse);
        return true;
    }
    CString unchanged(path);  // `path` may be pathToUse's own text
    pathToUse = unchanged;
    return false;
}

void DeleteTempCopy(const CString& path)
{
    if (!DeleteFileW(path) && GetLastError() != ERROR_FILE_NOT_FOUND)
        MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
