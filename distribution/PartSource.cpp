// Where a part's package lies on the distribution's media, and Windows Installer's cached
// source list of the product pointed at those media.
#include "Part.h"

#include <algorithm>

#include "ApplicationServices.h"
#include "CPath.h"
#include "Distribution.h"
#include "InstallerErrors.h"
#include "PackedGuid.h"
#include "PartInfo.h"
#include "PathHelpers.h"
#include "UniqueHandle.h"
#include "VelmoLogStream.h"
#include "resource.h"

namespace {

const char kSource[] = "PartSource";

// The product's source-list media keys, in the order they are updated.
struct SourceListKey {
    HKEY root;
    const wchar_t* rootName;
    const wchar_t* pathFormat;
};
const SourceListKey kSourceListKeys[] = {
    {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L"Installer\\Products\\%s\\SourceList\\Media"},
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"Software\\Microsoft\\Installer\\Products\\%s\\SourceList\\Media"},
};

LONG SetTextValue(HKEY key, const wchar_t* name, const CString& text)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.GetString()),
        static_cast<DWORD>((text.GetLength() + 1) * sizeof(wchar_t)));
}

// The drive ("X:", empty without one) and the folder (after the drive, up to and with the last
// separator) of a path, as the C library's path splitting gives them, for a path of any length.
void SplitDriveAndFolder(const CString& path, CString& drive, CString& folder)
{
    int start = 0;
    if (path.GetLength() >= 2 && path[1] == L':') {
        drive = path.Left(2);
        start = 2;
    }
    const int last = std::max(path.ReverseFind(L'\\'), path.ReverseFind(L'/'));
    if (last >= start)
        folder = path.Mid(start, last + 1 - start);
}

bool IsRemovableMedium(UINT driveType)
{
    return driveType == DRIVE_REMOVABLE || driveType == DRIVE_CDROM;
}

}  // namespace

UINT(WINAPI* CPart::s_pfnGetDriveTypeW)(LPCWSTR rootPath) = GetDriveTypeW;

CString CPart::GetSourcePackagePath() const
{
    const CDistribution& distribution = *m_distribution;
    CString configured = m_partInfo->GetLangDbPath();
    const CString& root = distribution.GetCurrentRootPath();
    if (distribution.GetCurrentVolume() != m_partInfo->GetVolume()) {
        throw IncorrectVolume(kSource, __LINE__, configured, root,
            static_cast<unsigned long>(distribution.GetCurrentVolume()),
            static_cast<unsigned long>(m_partInfo->GetVolume()),
            L"While looking for %1, expected volume %4 to be at %2.  Found volume %3");
    }
    RemoveLeadingBackslash(configured);
    if (CPath::IsAbsolute(configured))
        return configured;
    // The root may come without its trailing backslash (a folder found through a media prompt):
    // exactly one backslash joins the two.
    CString path = root;
    AddTrailingBackslash(path);
    return path + configured;
}

void CPart::UpdateVolumeCache(const CString& title)
{
    AppServices().GetLogStream(kLogInfo, 0)
        << L"Attempting to update volume location cache for " << m_productName << std::endl;
    const CString packed = PackGuid(m_productCode);
    for (const SourceListKey& where : kSourceListKeys) {
        CString path;
        path.Format(where.pathFormat, packed.GetString());
        const CString keyName = CString(where.rootName) + L"\\" + path;

        OrbelToolbox::UniqueRegKey key;
        LONG outcome = RegOpenKeyExW(where.root, path, 0, KEY_WRITE | KEY_WOW64_64KEY, key.AddressOf());
        if (outcome == ERROR_SUCCESS) {
            CString prompt;
            prompt.Format(LoadResourceString(IDS_SOURCE_LIST_DISK_PROMPT), title.GetString());
            int number = 0;
            for (const CString& label : m_volumeLabels) {
                CString name;
                name.Format(L"%d", ++number);
                outcome = SetTextValue(key.Get(), name, label + L";" + title);
            }
            SetTextValue(key.Get(), L"DiskPrompt", prompt);

            const CString package = GetSourcePackagePath();
            CString drive, folder;
            SplitDriveAndFolder(package, drive, folder);
            // The drive's root folder: GetDriveTypeW asks for the trailing backslash.
            if (!drive.IsEmpty() && IsRemovableMedium(s_pfnGetDriveTypeW(drive + L"\\")))
                outcome = SetTextValue(key.Get(), L"MediaPackage", folder);
            key.Reset();
        }

        if (outcome == ERROR_SUCCESS) {
            AppServices().GetLogStream(kLogInfo, 0) << L"VolumeCache: Modified keys in " << keyName << std::endl;
        } else if (outcome == ERROR_FILE_NOT_FOUND) {
            AppServices().GetLogStream(kLogInfo, 0) << L"VolumeCache: Did not find keys in " << keyName << std::endl;
        } else {
            AppServices().GetLogStream(kLogError, 0) << L"VolumeCache: Failed to modify key values in " << keyName
                                                     << L" - Windows Error " << outcome << std::endl;
        }
    }
}
