// The start-up's checks of the machine: prerequisite libraries and the page-in from removable
// media.
#include "VelmoInstaller.h"

#include <ostream>

#include "InstallerErrors.h"
#include "MessageBox.h"
#include "PathHelpers.h"
#include "PlatformChecks.h"
#include "UniqueHandle.h"

namespace {

// True when `dll` loads and exports `function`; the library is freed again.
bool ExportsFunction(const wchar_t* dll, const char* function)
{
    OrbelToolbox::UniqueModule module(LoadLibraryW(dll));
    return module && GetProcAddress(module.Get(), function) != nullptr;
}

const wchar_t kOsRequirements[] =
    L"This computer does not meet the minimum operating system requirements for this product.  "
    L"Consult the documentation for operating system requirements.";
const wchar_t kNt4ServicePack[] =
    L"  If the documentation states that this product supports Windows NT 4.0, then please install "
    L"Windows NT Service Pack 6 or higher and restart the installer.";
const wchar_t kUnknownVersion[] =
    L"Unable to determine operating system version. This computer does not have Microsoft Internet "
    L"Explorer 4.0 or higher. Consult the documentation for operating system requirements.";

}  // namespace

bool IsInitCommonControlsExAvailable()
{
    return ExportsFunction(L"comctl32.dll", "InitCommonControlsEx");
}

bool CVelmoInstallerApp::CheckPrerequisiteDlls()
{
    if (ExportsFunction(L"shlwapi.dll", "PathIsUNCW") && ExportsFunction(L"oleacc.dll", "CreateStdAccessibleObject") &&
        IsInitCommonControlsExAvailable())
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
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
        if (GetVersionExA(&infoA))
            platform = infoA.dwPlatformId;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
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

bool CheckMsiEngineRegistration()
{
    throw OperationAborted("VelmoInstaller", __LINE__, L"CheckMsiEngineRegistration", L"%1 is not available yet.");
}
