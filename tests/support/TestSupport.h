// Helpers shared by the test programs.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Result of a program started by `RunProcess`.
struct ProcessResult {
    DWORD exitCode = 0;     // the full 32-bit exit code (a Unix shell sees only the low 8 bits)
    bool timedOut = false;  // the program was still running at the time-out and was terminated
};

// Starts `commandLine` with CreateProcessW, waits for it and returns its exit code.
// A program that is still running after `timeoutMs` is terminated and reported as timed out.
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 60000);

// Folder of the running test program, without a trailing backslash. Programs, modules and
// test data of the build lie there (test data in its "data" subfolder).
std::wstring ModuleDir();

// Full path of a file or folder of the build's test data ("data\" beside the test programs).
std::wstring TestDataPath(const std::wstring& relative);

// A fresh empty folder under the prefix's temporary folder; removed with its content by the
// destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return m_path; }  // without a trailing backslash
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// Writes `content` to `path` as bytes (creating or truncating the file); false on failure.
bool WriteFileBytes(const std::wstring& path, const std::string& content);
// Reads a whole file as bytes; empty when it can not be read.
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

// The INI text of a sample distribution that passes the language step: [Localization] with
// the lines `localization`, [Distribution] titled by string 100 of the custom module, and
// [Utilities] naming post.exe and sysinfo.dll in the configuration folder; then `more`.
std::string DistributionIni(const std::string& localization, const std::string& more = "");

// The sample distribution (built beside the test programs in "sample" and "SAMPLE2") copied
// for a run of the test: its first volume in `dir`\VOLUME1 (returned) with the configuration's
// files named by absolute path, the first part `corePackage` and the merged package
// `mergedPackage` (the sample's when empty), and its volume ID file. Empty when the sample's
// configuration lacks a text the copy replaces.
std::wstring WriteSampleVolume1(
    const TempDir& dir, const std::wstring& corePackage, const std::wstring& mergedPackage = std::wstring());
// Its second volume beside it, `dir`\SAMPLE2, with or without its package.
void WriteSampleVolume2(const TempDir& dir, bool withPackage);

// A UTF-16LE text file (a log) read back.
struct LogFile {
    bool bom = false;                 // the file starts with the byte-order mark
    std::wstring text;                // everything after the mark
    std::vector<std::wstring> lines;  // the text's lines, each ended by CR LF (not included)
    std::wstring rest;                // what follows the last CR LF
};
LogFile ReadLogFile(const std::wstring& path);

// The process's current folder, as the system reports it.
std::wstring CurrentFolder();

// Puts the process's current folder back at the end of a scope (the configuration and some
// tests change it); the second form also enters `folder`.
class CurrentFolderGuard {
public:
    CurrentFolderGuard();
    explicit CurrentFolderGuard(const std::wstring& folder);
    ~CurrentFolderGuard();
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

private:
    std::wstring m_saved;
};

// Copies of a resource module with a corrupt string table (block `block` holds the strings
// 16 * (block - 1) to 16 * (block - 1) + 15), for the readers' robustness tests. Both return
// false when the copy cannot be made.
// A raw string block: each entry a count of characters (which need not match) and the characters.
std::string RawStringBlock(std::initializer_list<std::pair<WORD, std::wstring>> entries);
// The block replaced by `raw` as it stands (its lengths may run past its end).
bool CopyWithRawStringBlock(
    const std::wstring& source, const std::wstring& target, unsigned block, const std::string& raw);
// The block's resource entry pointed at `rva` with `size` bytes (which may lie outside the image).
bool CopyWithStringBlockAt(
    const std::wstring& source, const std::wstring& target, unsigned block, DWORD rva, DWORD size);
// The size of the module's image (of the headers of the file at `path`); 0 when unreadable.
DWORD ImageSizeOf(const std::wstring& path);

// Calls an export of a COM server module taking no argument (DllRegisterServer,
// DllUnregisterServer); the module's load error, or E_NOTIMPL without the export.
HRESULT CallServerExport(const std::wstring& dll, const char* name);

}  // namespace testsupport
