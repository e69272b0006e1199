// The start-up's checks of the machine: prerequisite libraries, the page-in from removable
// media, the operating-system bounds of the configuration, the registration of the Windows
// Installer engine, and the check of installed version keys that the install run calls.
#include "VelmoInstaller.h"

#include <cstdio>
#include <cwchar>
#include <ostream>

#include "DistributionInfo.h"
#include "OsVersionKey.h"
#include "RegistryText.h"

#include "InstallerErrors.h"
#include "MessageBox.h"
#include "PathHelpers.h"
#include "PlatformChecks.h"
#include "UniqueHandle.h"
#include "resource.h"

namespace {

const char kStartupSource[] = "VelmoInstaller";

// True when `dll` loads and exports `function`; the library is freed again.
bool ExportsFunction(const wchar_t* dll, const char* function)
{
    OrbelToolbox::UniqueModule module(LoadLibraryW(dll));
    return module && GetProcAddress(module.Get(), function) != nullptr;
}

const wchar_t kOsRequirements[]
    = L"This computer does not meet the minimum operating system requirements for this product.  "
      L"Consult the documentation for operating system requirements.";
const wchar_t kNt4ServicePack[]
    = L"  If the documentation states that this product supports Windows NT 4.0, then please install "
      L"Windows NT Service Pack 6 or higher and restart the installer.";
const wchar_t kUnknownVersion[]
    = L"Unable to determine operating system version. This computer does not have Microsoft Internet "
      L"Explorer 4.0 or higher. Consult the documentation for operating system requirements.";

}  // namespace

bool IsInitCommonControlsExAvailable()
{
    return ExportsFunction(L"comctl32.dll", "InitCommonControlsEx");
}

bool CVelmoInstallerApp::CheckPrerequisiteDlls()
{
    if (ExportsFunction(L"shlwapi.dll", "PathIsUNCW") && ExportsFunction(L"oleacc.dll", "CreateStdAccessibleObject")
        && IsInitCommonControlsExAvailable())
        return true;

    // No resource module is loaded yet: the texts are built in.
    DWORD platform = 0xFFFFFFFF;
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (QueryOsVersion(info)) {
        platform = info.dwPlatformId;
    } else {
        OSVERSIONINFOA infoA = {};
        infoA.dwOSVersionInfoSize = sizeof(infoA);
        if (g_platformApi.GetVersionExA(&infoA))
            platform = infoA.dwPlatformId;
    }
    CString text;
    if (platform == VER_PLATFORM_WIN32s || platform == VER_PLATFORM_WIN32_WINDOWS) {
        text = kOsRequirements;
    } else if (platform == VER_PLATFORM_WIN32_NT) {
        text = kOsRequirements;
        text += kNt4ServicePack;
    } else {
        text = kUnknownVersion;
    }
    g_pfnMessageBoxW(nullptr, text, L"setup.exe", MB_OK | MB_SETFOREGROUND | MB_ICONWARNING);
    return false;
}

void CVelmoInstallerApp::PageInImageIfRemovable()
{
    if (!IsWindowsNT() && IsRunFromRemovableMedia())
        PageInImage(GetModuleHandleW(nullptr));
}

bool CVelmoInstallerApp::IsRunFromRemovableMedia()
{
    wchar_t path[MAX_PATH + 1] = {};
    if (!GetModuleFileNameW(nullptr, path, MAX_PATH))
        return false;
    CString root;
    if (!GetVolumeRoot(path, root))
        return false;
    UINT type = GetDriveTypeW(root);
    return type == DRIVE_REMOVABLE || type == DRIVE_REMOTE || type == DRIVE_CDROM;
}

void CVelmoInstallerApp::CheckOsRequirements()
{
    if (IsOsSupported())
        return;
    CString message;
    m_pConfigInfo->GetDistributionInfo()->GetOSErrorMessage(message);
    throw MissingOSReq(kStartupSource, 837, message, L"OS requrement not met", L"%2");
}

bool CVelmoInstallerApp::IsOsSupported()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!QueryOsVersion(info))
        return false;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
    case VER_PLATFORM_WIN32_WINDOWS:
        return false;
    case VER_PLATFORM_WIN32_NT:
        return IsOsVersionInBounds(true, info);
    default:
        return true;
    }
}

bool CVelmoInstallerApp::IsOsVersionInBounds(bool isNt, const OSVERSIONINFOW& version)
{
    CString minimum;
    CString maximum;
    m_pConfigInfo->GetDistributionInfo()->GetOSVersionBounds(isNt, minimum, maximum);
    if (!minimum.IsEmpty()) {
        if (minimum == L"-1")
            return false;  // the family is excluded
        if (!CompareOsVersion(minimum, version, true, isNt))
            return false;
    }
    return maximum.IsEmpty() || CompareOsVersion(maximum, version, false, isNt);
}

namespace {

// The service pack of the running NT system: from the extended version record, else the first
// number of the basic record's service-pack text.
void GetServicePack(const OSVERSIONINFOW& version, unsigned& major, unsigned& minor)
{
    OSVERSIONINFOEXW extended = {};
    extended.dwOSVersionInfoSize = sizeof(extended);
    if (g_platformApi.GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
        major = extended.wServicePackMajor;
        minor = extended.wServicePackMinor;
        return;
    }
    major = 0;
    minor = 0;
    for (const wchar_t* p = version.szCSDVersion; *p && p < version.szCSDVersion + 128; ++p) {
        if (iswdigit(*p)) {
            major = static_cast<unsigned>(wcstoul(p, nullptr, 10));
            break;
        }
    }
}

}  // namespace

bool CompareOsVersion(const wchar_t* bound, const OSVERSIONINFOW& version, bool isMinimum, bool isNt)
{
    unsigned long boundMajor = 0;
    unsigned long boundMinor = 0;
    unsigned long boundBuild = 0;
    unsigned short boundSpMajor = 0;
    unsigned short boundSpMinor = 0;
    if (isNt)
        swscanf(bound, L"%lu,%lu,%lu,%hu,%hu", &boundMajor, &boundMinor, &boundBuild, &boundSpMajor, &boundSpMinor);
    else
        swscanf(bound, L"%lu,%lu,%lu", &boundMajor, &boundMinor, &boundBuild);

    unsigned spMajor = 0;
    unsigned spMinor = 0;
    DWORD build = version.dwBuildNumber;
    if (isNt)
        GetServicePack(version, spMajor, spMinor);
    else
        build &= 0xFFFF;

    uint64_t boundFirst = 0;
    uint64_t boundSecond = 0;
    uint64_t systemFirst = 0;
    uint64_t systemSecond = 0;
    OrbelToolbox::MakeOsVersionKey(
        boundMajor, boundMinor, boundBuild, boundSpMajor, boundSpMinor, boundFirst, boundSecond);
    OrbelToolbox::MakeOsVersionKey(
        version.dwMajorVersion, version.dwMinorVersion, build, spMajor, spMinor, systemFirst, systemSecond);

    if (isNt) {
        // Below Windows 2000 (5.0, build 2195) no bound is ever met.
        uint64_t floorFirst = 0;
        uint64_t floorSecond = 0;
        OrbelToolbox::MakeOsVersionKey(5, 0, 2195, 0, 0, floorFirst, floorSecond);
        if (systemFirst < floorFirst || (systemFirst == floorFirst && systemSecond < floorSecond))
            return false;
    }
    const bool boundBelowOrEqual
        = boundFirst < systemFirst || (boundFirst == systemFirst && boundSecond <= systemSecond);
    const bool boundAboveOrEqual
        = boundFirst > systemFirst || (boundFirst == systemFirst && boundSecond >= systemSecond);
    return isMinimum ? boundBelowOrEqual : boundAboveOrEqual;
}

namespace {

const wchar_t kMsiAutomationServer[] = L"CLSID\\{000C1090-0000-0000-C000-000000000046}\\InprocServer32";

MissingOSReq EngineCorrupt(int line, const CString& details)
{
    CString message;
    message.LoadString(IDS_ENGINE_CORRUPT);
    return MissingOSReq(kStartupSource, line, message, details, L"%2");
}

// The registered path of Windows Installer's automation server; throws MissingOSReq.
CString ReadRegisteredMsiPath()
{
    OrbelToolbox::UniqueRegKey key;
    LONG result
        = g_platformApi.RegOpenKeyExW(HKEY_CLASSES_ROOT, kMsiAutomationServer, 0, KEY_QUERY_VALUE, key.AddressOf());
    if (result != ERROR_SUCCESS) {
        CString details;
        details.Format(L"Failed to open CLSID key for WindowsInstaller::Installer: error %d", result);
        throw EngineCorrupt(1043, details);
    }
    CString path;
    result = OrbelToolbox::ReadRegistryString(key.Get(), nullptr, path);
    if (result != ERROR_SUCCESS) {
        CString details;
        details.Format(
            L"Failed to read InprocServer32 default vaule for WindowsInstaller::Installer: error %d", result);
        throw EngineCorrupt(1053, details);
    }
    return path;
}

}  // namespace

bool CheckMsiEngineRegistration()
{
    OrbelToolbox::UniqueModule library(LoadLibraryW(L"msi.dll"));
    const HMODULE msi = library.Get();
    try {
        if (!msi) {
            CString details;
            details.Format(L"Failed to load msi.dll: error %d", GetLastError());
            throw EngineCorrupt(1028, details);
        }
        wchar_t loaded[MAX_PATH + 1] = {};
        GetModuleFileNameW(msi, loaded, MAX_PATH);
        CString registered = ReadRegisteredMsiPath();
        if (_wcsicmp(loaded, registered) != 0) {
            CString details;
            details.Format(L"LoadLibrary msi.dll does not match CoCreate msi.dll.\nLoadLibrary='%s'\nCoCreate='%s'",
                loaded, registered.GetString());
            throw EngineCorrupt(1060, details);
        }
    } catch (const MissingOSReq&) {
        // The start-up has made sure that the user is an administrator: repair the registration.
        if (!msi)
            throw;
        typedef HRESULT(STDAPICALLTYPE * RegisterServer)();
        RegisterServer reg
            = reinterpret_cast<RegisterServer>(reinterpret_cast<void (*)()>(GetProcAddress(msi, "DllRegisterServer")));
        if (!reg) {
            throw EngineCorrupt(1084, L"Could not find entry point DllRegisterServer in msi.dll");
        }
        HRESULT hr = reg();
        if (FAILED(hr)) {
            CString details;
            details.Format(L"Failed to register msi.dll: error 0x%x", static_cast<unsigned>(hr));
            throw EngineCorrupt(1078, details);
        }
    }
    return true;
}

namespace {

const wchar_t* const kVersionKeyRoots[] = {
    L"SOFTWARE\\Zekova Systems\\Tamblor\\AddOns\\FPGA",
    L"SOFTWARE\\Zekova Systems\\Tamblor\\AddOns\\Tamblor Pockard",
    L"SOFTWARE\\Zekova Systems\\Tamblor\\AddOns\\Real-Time",
    L"SOFTWARE\\Zekova Systems\\Glimra",
    L"SOFTWARE\\Zekova Systems\\Dorvel\\Pyrrel",
    L"SOFTWARE\\Zekova Systems\\Parrox",
    L"SOFTWARE\\Zekova Systems\\Glimra Builder",
    L"SOFTWARE\\Zekova Systems\\Tamblor Run-Time",
    L"SOFTWARE\\Numtrove\\Calcura",
    L"SOFTWARE\\Zekova Systems\\Tamblor\\AddOns\\Real-Time for Kernix",
    L"SOFTWARE\\Zekova Systems\\Dorvel\\Tamblor",
    L"SOFTWARE\\Brevant\\Kernix",
    L"SOFTWARE\\Hallicor\\Kernix",
    L"SOFTWARE\\Zekova Systems\\Prevant",
    L"SOFTWARE\\Zekova Systems\\Pyrrel",
    L"SOFTWARE\\Zekova Systems\\Mensoria",
    L"SOFTWARE\\Zekova Systems\\Dravanel",
    L"SOFTWARE\\Zekova Systems\\Tamblor",
};

// True when HKLM\SOFTWARE\Zekova Systems\Common\Installer turns the check off.
bool IsVersionKeyCheckDisabled()
{
    OrbelToolbox::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Zekova Systems\\Common\\Installer", 0, KEY_READ, key.AddressOf())
        != ERROR_SUCCESS)
        return false;
    CString value;
    LONG result
        = OrbelToolbox::ReadRegistryString(key.Get(), L"DisableValidationForZKPathsHighestVersionReader", value);
    return result == ERROR_SUCCESS && value == L"1";
}

// A subkey name that reads as a version (not 0.0.0.0) and whose length is a multiple of 8.
bool IsSuspectVersionName(const wchar_t* name)
{
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    unsigned d = 0;
    swscanf(name, L"%u.%u.%u.%u", &a, &b, &c, &d);
    const uint32_t packed = (a << 16) | b | (c << 16) | d;
    return packed != 0 && wcslen(name) % 8 == 0;
}

}  // namespace

bool CVelmoInstallerApp::CheckInstalledVersionKeys()
{
    if (IsVersionKeyCheckDisabled())
        return true;
    CString list;
    for (const wchar_t* root : kVersionKeyRoots) {
        OrbelToolbox::UniqueRegKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_ENUMERATE_SUB_KEYS, key.AddressOf()) != ERROR_SUCCESS)
            continue;
        for (DWORD index = 0;; ++index) {
            wchar_t name[257] = {};
            DWORD length = 257;
            if (RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (IsSuspectVersionName(name))
                list.AppendFormat(L"\t%s\\%s\n", root, name);
        }
    }
    if (list.IsEmpty())
        return true;
    CString text;
    text.Format(L"The installation has detected a version number(s) whose length is a multiple of 8 at the "
                L"following registry keys. Please consult with the OrbelInstaller group for more "
                L"information.\n\n%s",
        list.GetString());
    g_pfnMessageBoxW(nullptr, text, L"Fatal Error!", MB_OK | MB_ICONERROR);
    return false;
}
