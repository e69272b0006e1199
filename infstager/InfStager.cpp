#include "InfStager.h"

#include <setupapi.h>

#include <cstring>

namespace infstager {

std::string g_keyPath = "SOFTWARE\\Zekova Systems\\ZK-TARN\\Signed INFs";
std::string g_stagingFolder;
GetVersionExFn g_getVersionEx = GetVersionExA;

namespace {

constexpr DWORD kValueBufferSize = 260;

// Owns an open registry key.
class RegKey {
public:
    RegKey() = default;
    ~RegKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool Open(const std::string& path)
    {
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &m_key) == ERROR_SUCCESS;
    }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// An INF file is a name that holds ".inf" (case-sensitive) anywhere but at its very start.
bool IsInfName(const char* name)
{
    return name[0] != '\0' && std::strstr(name + 1, ".inf") != nullptr;
}

void RecordStagedInf(const char* sourceName, const char* stagedName)
{
    RegKey key;
    if (!key.Open(g_keyPath))
        return;
    RegSetValueExA(key.Get(), sourceName, 0, REG_SZ, reinterpret_cast<const BYTE*>(stagedName),
        static_cast<DWORD>(std::strlen(stagedName) + 1));
}

void StageFile(const char* name)
{
    const std::string path = g_stagingFolder + "\\" + name;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    char destination[MAX_PATH] = {};
    PSTR component = nullptr;
    if (SetupCopyOEMInfA(path.c_str(), nullptr, SPOST_PATH, 0, destination, MAX_PATH, nullptr, &component)
        && component != nullptr && *component != '\0') {
        RecordStagedInf(name, component);
    }
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(path.c_str(), attributes);
}

bool IsWindowsXpOrLater()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!g_getVersionEx(&info))
        return false;
    return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion >= 1);
}

void DeleteFileForced(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

void UninstallThroughSetupApi(const std::string& stagedName)
{
    using UninstallFn = BOOL(WINAPI*)(PCSTR, DWORD, PVOID);
    HMODULE setupapi = LoadLibraryA("setupapi");
    if (!setupapi)
        return;
    auto uninstall = reinterpret_cast<UninstallFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(setupapi, "SetupUninstallOEMInfA")));
    if (uninstall)
        uninstall(stagedName.c_str(), SUOI_FORCEDELETE, nullptr);
    FreeLibrary(setupapi);
}

// A staged name is a plain file name of the INF store: no folder, drive or parent reference may
// lead the removal outside it.
bool IsPlainFileName(const char* name)
{
    const std::string text = name;
    if (text.empty() || text == "." || text == "..")
        return false;
    return text.find_first_of("\\/:") == std::string::npos;
}

// Before Windows 5.1 there is no uninstall function: delete the staged INF and its precompiled
// .pnf from the INF store directly.
void DeleteFromInfStore(const std::string& stagedName)
{
    char windowsDir[MAX_PATH] = {};
    UINT n = GetWindowsDirectoryA(windowsDir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    const std::string infDir = std::string(windowsDir) + "\\inf";
    if (stagedName.size() >= 4) {
        std::string pnf = stagedName.substr(0, stagedName.size() - 3) + "pnf";
        DeleteFileForced(infDir + "\\" + pnf);
    }
    DeleteFileForced(infDir + "\\" + stagedName);
}

}  // namespace

void EnsureRegistryKey()
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, g_keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
            nullptr, &key, nullptr)
        == ERROR_SUCCESS) {
        RegCloseKey(key);
    }
}

int StageFolder()
{
    // The pattern must fit the fixed pattern buffer; an over-long folder is not staged at all
    // (a truncated pattern would search some other folder).
    if (g_stagingFolder.empty() || g_stagingFolder.size() + 2 > kPatternBufferSize)
        return -1;
    const std::string pattern = g_stagingFolder + "*";

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    do {
        if (IsInfName(found.cFileName))
            StageFile(found.cFileName);
    } while (FindNextFileA(search, &found));
    const int result = GetLastError() == ERROR_NO_MORE_FILES ? 0 : -1;
    FindClose(search);
    return result;
}

void RemoveStagedInf(const std::string& name)
{
    RegKey key;
    if (!key.Open(g_keyPath))
        return;
    char staged[kValueBufferSize + 1] = {};
    DWORD size = kValueBufferSize;
    DWORD type = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(staged), &size)
        != ERROR_SUCCESS)
        return;
    staged[size < kValueBufferSize ? size : kValueBufferSize] = '\0';

    // Only a plain file name names a staged copy; the record goes whatever it holds.
    if (type == REG_SZ && IsPlainFileName(staged)) {
        if (IsWindowsXpOrLater())
            UninstallThroughSetupApi(staged);
        else
            DeleteFromInfStore(staged);
    }
    RegDeleteValueA(key.Get(), name.c_str());
}

int Run(const char* commandLine)
{
    EnsureRegistryKey();

    const std::string line = commandLine ? commandLine : "";
    const size_t programEnd = line.find(' ');
    const size_t verbStart = programEnd == std::string::npos ? 0 : programEnd + 1;
    const size_t verbEnd = line.find(' ', verbStart);
    const std::string verb
        = line.substr(verbStart, verbEnd == std::string::npos ? std::string::npos : verbEnd - verbStart);
    if (verb == "installINFs") {
        g_stagingFolder = verbEnd == std::string::npos ? std::string() : line.substr(verbEnd + 1);
        StageFolder();
    } else {
        RemoveStagedInf(verb);
    }
    return 0;
}

}  // namespace infstager
