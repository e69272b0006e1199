#include "TestSupport.h"

#include <shellapi.h>

#include <vector>

namespace testsupport {

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs)
{
    ProcessResult result;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        result.exitCode = static_cast<DWORD>(-1);
        result.timedOut = false;
        return result;
    }
    if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 0xDEAD);
        WaitForSingleObject(pi.hProcess, INFINITE);
        result.timedOut = true;
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

std::wstring ModuleDir()
{
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

std::wstring TestDataPath(const std::wstring& relative)
{
    return ModuleDir() + L"\\data\\" + relative;
}

TempDir::TempDir()
{
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    for (;;) {
        wchar_t name[MAX_PATH + 64];
        wsprintfW(name, L"%svtest%lu_%ld", base, GetCurrentProcessId(), InterlockedIncrement(&counter));
        if (CreateDirectoryW(name, nullptr)) {
            m_path = name;
            return;
        }
    }
}

TempDir::~TempDir()
{
    std::vector<wchar_t> from(m_path.begin(), m_path.end());
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&op);
}

bool WriteFileBytes(const std::wstring& path, const std::string& content)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == content.size();
}

std::string ReadFileBytes(const std::wstring& path)
{
    HANDLE h = CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    std::string data;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0)
        data.append(buf, n);
    CloseHandle(h);
    return data;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

}  // namespace

std::wstring WriteSampleVolume1(const TempDir& dir, const std::wstring& corePackage, const std::wstring& mergedPackage)
{
    const std::wstring sample = ModuleDir() + L"\\sample";
    const std::string root = Narrow(sample) + "\\";
    std::string ini = ReadFileBytes(sample + L"\\setup.ini");
    const std::pair<std::string, std::string> replacements[] = {
        {"WinNTPath=engine", "WinNTPath=" + root + "engine"},
        {"=res\\custom1033", "=" + root + "res\\custom1033"},
        {"=res\\custom1031", "=" + root + "res\\custom1031"},
        {"=res\\standard1031", "=" + root + "res\\standard1031"},
        {"=tools\\postprocessor", "=" + root + "tools\\postprocessor"},
        {"=tools\\ZKSysInfo", "=" + root + "tools\\ZKSysInfo"},
        {";license\\license1033", ";" + root + "license\\license1033"},
        {";license\\license1031", ";" + root + "license\\license1031"},
        {"Path=merged.msi", "Path=" + (mergedPackage.empty() ? root + "merged.msi" : Narrow(mergedPackage))},
        {"Path=parts\\core.msi", "Path=" + Narrow(corePackage)},
    };
    for (const auto& replacement : replacements) {
        const size_t at = ini.find(replacement.first);
        if (at == std::string::npos)
            return std::wstring();
        ini.replace(at, replacement.first.size(), replacement.second);
    }
    const std::wstring volume1 = dir.File(L"VOLUME1");
    CreateDirectoryW(volume1.c_str(), nullptr);
    WriteFileBytes(volume1 + L"\\setup.ini", ini);
    CopyFileW((sample + L"\\zkdist.id").c_str(), (volume1 + L"\\zkdist.id").c_str(), FALSE);
    return volume1;
}

void WriteSampleVolume2(const TempDir& dir, bool withPackage)
{
    const std::wstring volume2 = dir.File(L"SAMPLE2");
    CreateDirectoryW(volume2.c_str(), nullptr);
    CreateDirectoryW((volume2 + L"\\parts").c_str(), nullptr);
    const std::wstring sample2 = ModuleDir() + L"\\SAMPLE2";
    CopyFileW((sample2 + L"\\zkdist.id").c_str(), (volume2 + L"\\zkdist.id").c_str(), FALSE);
    if (withPackage)
        CopyFileW((sample2 + L"\\parts\\extras.msi").c_str(), (volume2 + L"\\parts\\extras.msi").c_str(), FALSE);
}

std::string DistributionIni(const std::string& localization, const std::string& more)
{
    return "[Localization]\r\n" + localization
        + "[Distribution]\r\nTitle=100\r\nGUID={6F1C1A52-1B47-4C8E-9D1E-2B0B5C7A4E10}\r\nVersion=1.2.3.4\r\n"
          "[Utilities]\r\nUpgradeManagerPostProcessor=post.exe\r\nZKSysInfo=sysinfo.dll\r\n"
        + more;
}

LogFile ReadLogFile(const std::wstring& path)
{
    const std::string bytes = ReadFileBytes(path);
    LogFile log;
    size_t start = 0;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
        && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        log.bom = true;
        start = 2;
    }
    for (size_t i = start; i + 1 < bytes.size(); i += 2)
        log.text.push_back(static_cast<wchar_t>(
            static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    size_t pos = 0;
    for (size_t end; (end = log.text.find(L"\r\n", pos)) != std::wstring::npos; pos = end + 2)
        log.lines.push_back(log.text.substr(pos, end - pos));
    log.rest = log.text.substr(pos);
    return log;
}

std::wstring CurrentFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

CurrentFolderGuard::CurrentFolderGuard() : m_saved(CurrentFolder()) { }

CurrentFolderGuard::CurrentFolderGuard(const std::wstring& folder) : m_saved(CurrentFolder())
{
    SetCurrentDirectoryW(folder.c_str());
}

CurrentFolderGuard::~CurrentFolderGuard()
{
    SetCurrentDirectoryW(m_saved.c_str());
}

std::string RawStringBlock(std::initializer_list<std::pair<WORD, std::wstring>> entries)
{
    std::string raw;
    for (const auto& entry : entries) {
        raw.append(reinterpret_cast<const char*>(&entry.first), sizeof(WORD));
        raw.append(reinterpret_cast<const char*>(entry.second.data()), entry.second.size() * sizeof(wchar_t));
    }
    return raw;
}

bool CopyWithRawStringBlock(
    const std::wstring& source, const std::wstring& target, unsigned block, const std::string& raw)
{
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE))
        return false;
    HANDLE update = BeginUpdateResourceW(target.c_str(), FALSE);
    if (!update)
        return false;
    std::string data = raw;
    BOOL ok = UpdateResourceW(update, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block),
        MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &data[0], static_cast<DWORD>(data.size()));
    return EndUpdateResourceW(update, !ok) && ok;
}

namespace {

template <class T> T* At(std::string& bytes, size_t offset)
{
    return offset + sizeof(T) <= bytes.size() ? reinterpret_cast<T*>(&bytes[offset]) : nullptr;
}

// The headers of the module in `bytes`, or null.
IMAGE_NT_HEADERS* Headers(std::string& bytes)
{
    IMAGE_DOS_HEADER* dos = At<IMAGE_DOS_HEADER>(bytes, 0);
    return dos ? At<IMAGE_NT_HEADERS>(bytes, static_cast<size_t>(dos->e_lfanew)) : nullptr;
}

// The entry with numeric id `id` of the resource directory at `offset` (file offsets).
IMAGE_RESOURCE_DIRECTORY_ENTRY* FindEntry(std::string& bytes, size_t offset, unsigned id)
{
    IMAGE_RESOURCE_DIRECTORY* directory = At<IMAGE_RESOURCE_DIRECTORY>(bytes, offset);
    if (!directory)
        return nullptr;
    const size_t count = directory->NumberOfNamedEntries + directory->NumberOfIdEntries;
    for (size_t i = 0; i < count; ++i) {
        IMAGE_RESOURCE_DIRECTORY_ENTRY* entry = At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(
            bytes, offset + sizeof(IMAGE_RESOURCE_DIRECTORY) + i * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));
        if (entry && !entry->NameIsString && (id == ~0u || entry->Id == id))
            return entry;
    }
    return nullptr;
}

}  // namespace

bool CopyWithStringBlockAt(
    const std::wstring& source, const std::wstring& target, unsigned block, DWORD rva, DWORD size)
{
    std::string bytes = ReadFileBytes(source);
    IMAGE_NT_HEADERS* headers = Headers(bytes);
    if (!headers)
        return false;
    const DWORD resources = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
    IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(headers);
    size_t root = 0;
    for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i) {
        const IMAGE_SECTION_HEADER& section = sections[i];
        if (resources >= section.VirtualAddress && resources < section.VirtualAddress + section.SizeOfRawData)
            root = resources - section.VirtualAddress + section.PointerToRawData;
    }
    if (root == 0)
        return false;
    // Type, name, then the first language.
    IMAGE_RESOURCE_DIRECTORY_ENTRY* type = FindEntry(bytes, root, 6);
    if (!type || !type->DataIsDirectory)
        return false;
    IMAGE_RESOURCE_DIRECTORY_ENTRY* name = FindEntry(bytes, root + type->OffsetToDirectory, block);
    if (!name || !name->DataIsDirectory)
        return false;
    IMAGE_RESOURCE_DIRECTORY_ENTRY* language = FindEntry(bytes, root + name->OffsetToDirectory, ~0u);
    if (!language || language->DataIsDirectory)
        return false;
    IMAGE_RESOURCE_DATA_ENTRY* data = At<IMAGE_RESOURCE_DATA_ENTRY>(bytes, root + language->OffsetToData);
    if (!data)
        return false;
    data->OffsetToData = rva;
    data->Size = size;
    return WriteFileBytes(target, bytes);
}

DWORD ImageSizeOf(const std::wstring& path)
{
    std::string bytes = ReadFileBytes(path);
    IMAGE_NT_HEADERS* headers = Headers(bytes);
    return headers ? headers->OptionalHeader.SizeOfImage : 0;
}

HRESULT CallServerExport(const std::wstring& dll, const char* name)
{
    HMODULE module = LoadLibraryW(dll.c_str());
    if (!module)
        return HRESULT_FROM_WIN32(GetLastError());
    auto function
        = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    const HRESULT result = function ? function() : E_NOTIMPL;
    FreeLibrary(module);
    return result;
}

}  // namespace testsupport
