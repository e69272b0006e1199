#include "MsiEngineInstall.h"

#include <cstdio>

#include "FileVersion.h"
#include "InstallerErrors.h"
#include "MessageBox.h"
#include "PathHelpers.h"
#include "PlatformChecks.h"
#include "ProgramStart.h"
#include "UniqueHandle.h"
#include "WinApp.h"
#include "resource.h"

namespace {

const char kSource[] = "MsiEngineInstall";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValuePrefix[] = L"ZKInstaller";

const DWORD kNt4ServicePack6 = 0x600;

}  // namespace

CMsiEngineInstall::CMsiEngineInstall(const wchar_t* installer9x, const wchar_t* installerNT, const wchar_t* arguments)
    : m_strInstaller9x(installer9x ? installer9x : L""), m_strInstallerNT(installerNT ? installerNT : L""),
      m_strArguments(arguments ? arguments : L"")
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    m_strExePath = path;
    CWinApp* app = AfxGetApp();
    if (app && app->m_lpCmdLine)
        m_strAppCmdLine = app->m_lpCmdLine;
    wchar_t system[MAX_PATH + 1] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    m_strMsiDllPath = system;
    m_strMsiDllPath += L"\\msi.dll";
    m_requiredVersion.QuadPart = 0;
}

CMsiEngineInstall::~CMsiEngineInstall() { }

void CMsiEngineInstall::SetRequiredVersion(const wchar_t* version)
{
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    unsigned d = 0;
    if (version)
        swscanf(version, L"%u.%u.%u.%u", &a, &b, &c, &d);
    SetRequiredVersion((a << 16) | b, (c << 16) | d);
}

void CMsiEngineInstall::SetRequiredVersion(DWORD versionMS, DWORD versionLS)
{
    m_requiredVersion.HighPart = versionMS;
    m_requiredVersion.LowPart = versionLS;
}

const CString& CMsiEngineInstall::GetEngineInstallerPath() const
{
    return IsWindowsNT() ? m_strInstallerNT : m_strInstaller9x;
}

bool CMsiEngineInstall::GetInstalledVersion(DWORD& versionMS, DWORD& versionLS) const
{
    return QueryFileVersion(m_strMsiDllPath, versionMS, versionLS);
}

bool CMsiEngineInstall::GetInstalledVersionString(CString& text) const
{
    return GetFileVersionString(m_strMsiDllPath, text);
}

bool CMsiEngineInstall::IsEngineCurrent() const
{
    uint64_t installed = 0;
    GetFileVersion(m_strMsiDllPath, installed);
    return installed != 0 && installed >= m_requiredVersion.QuadPart;
}

void CMsiEngineInstall::SetQuiet(bool quiet)
{
    if (quiet)
        m_strExtraSwitches = L" /Q";
}

bool CMsiEngineInstall::NeedsInstall()
{
    if (IsEngineCurrent())
        return false;
    if (!IsAdministrator())
        throw MsiEngineError(kSource, 292, LoadResourceString(IDS_NO_ADMIN_PRIVILEGES), ERROR_PRIVILEGE_NOT_HELD);
    if (m_requiredVersion.HighPart >= 0x20000 && IsWindowsNT4()) {
        DWORD servicePack = 0;
        if (!GetNT4ServicePack(servicePack) || servicePack < kNt4ServicePack6)
            throw MsiEngineError(
                kSource, 303, LoadResourceString(IDS_ENGINE_NEEDS_SERVICE_PACK_6), ERROR_OLD_WIN_VERSION);
    }
    return true;
}

LONG CMsiEngineInstall::AddRunValue()
{
    OrbelToolbox::UniqueRegKey key;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, const_cast<wchar_t*>(L""), REG_OPTION_NON_VOLATILE,
        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.AddressOf(), nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    CString name;
    for (int n = 1;; ++n) {
        name.Format(L"%s%d", kRunValuePrefix, n);
        if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND)
            break;
    }
    m_strRunValueName = name;
    CString command = m_strAppCmdLine;
    if (!command.IsEmpty())
        command += L" ";
    command += L"/runkey ";
    command += name;
    CString value;
    value.Format(L"\"%s\" %s", m_strExePath.GetString(), command.GetString());
    DWORD bytes = static_cast<DWORD>(value.GetLength() * sizeof(wchar_t));
    if (IsWindowsNT())
        bytes += sizeof(wchar_t);
    return RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.GetString()), bytes);
}

LONG CMsiEngineInstall::DeleteRunValue(const wchar_t* name)
{
    OrbelToolbox::UniqueRegKey key;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, key.AddressOf());
    if (result != ERROR_SUCCESS)
        return result;
    return RegDeleteValueW(key.Get(), name);
}

CString CMsiEngineInstall::BuildCommandLine() const
{
    // Formatted to its full length: installer paths and arguments may be long.
    CString command;
    if (IsWindowsNT()) {
        command.Format(
            L"\"%s\"%s %s", m_strInstallerNT.GetString(), m_strExtraSwitches.GetString(), m_strArguments.GetString());
    } else {
        wchar_t shortPath[MAX_PATH + 1] = {};
        GetShortPathNameW(m_strInstaller9x, shortPath, MAX_PATH);
        command.Format(L"%s%s %s", shortPath, m_strExtraSwitches.GetString(), m_strArguments.GetString());
    }
    return command;
}

UINT CMsiEngineInstall::Run()
{
    if (!NeedsInstall())
        return 0;
    CString command = BuildCommandLine();

    LONG written = AddRunValue();
    if (written != ERROR_SUCCESS) {
        ReportError(kRunValueNotWritten, static_cast<DWORD>(written));
        return static_cast<UINT>(written);
    }

    OrbelToolbox::UniqueKernelHandle installer;
    OrbelToolbox::UniqueKernelHandle thread;
    UINT result = StartProgram(command, installer, thread);
    if (result != 0) {
        ReportError(kStartFailed, result, command);
    } else {
        WaitForSingleObject(installer.Get(), INFINITE);
        DWORD exitCode = 0;
        GetExitCodeProcess(installer.Get(), &exitCode);
        if (exitCode == 0 || exitCode == ERROR_SUCCESS_REBOOT_INITIATED) {
            result = 0;
        } else if (exitCode == ERROR_SUCCESS_REBOOT_REQUIRED) {
            if (!AskReboot())
                return ERROR_SUCCESS_REBOOT_REQUIRED;
            if (RestartWindows())
                return ERROR_SUCCESS_REBOOT_INITIATED;
            result = GetLastError();
            ReportError(kRestartFailed, result);
        } else {
            result = exitCode;
            ReportError(kInstallerFailed, exitCode);
        }
    }

    LONG deleted = DeleteRunValue(m_strRunValueName);
    if (deleted != ERROR_SUCCESS)
        ReportError(kRunValueNotDeleted, static_cast<DWORD>(deleted));
    return result;
}

bool CVelmoMsiEngineInst::ReportError(int, DWORD, const wchar_t*)
{
    return true;
}

bool CVelmoMsiEngineInst::AskReboot()
{
    CString root;
    UINT type = GetVolumeRoot(GetEngineInstallerPath(), root) ? GetDriveTypeW(root) : DRIVE_UNKNOWN;
    UINT question = IDS_ENGINE_RESTART_QUESTION;
    if (type == DRIVE_REMOVABLE || type == DRIVE_CDROM)
        question = IDS_ENGINE_RESTART_QUESTION_REMOVABLE;
    else if (type == DRIVE_REMOTE)
        question = IDS_ENGINE_RESTART_QUESTION_NETWORK;
    return g_pfnMessageBoxW(nullptr, LoadResourceString(question), LoadResourceString(IDS_INSTALLER_CAPTION),
               MB_YESNO | MB_ICONQUESTION)
        == IDYES;
}

BOOL RestartWindows()
{
    return ExitWindowsWithPrivilege(EWX_REBOOT);
}
