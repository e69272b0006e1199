#include "InstallerLogCapture.h"

#include <msi.h>

#include <vector>

#include "ApplicationServices.h"
#include "MsiApi.h"
#include "UniqueHandle.h"

namespace {

const wchar_t kEngineLogPrefix[] = L"zkl";

}  // namespace

InstallerLogCapture::~InstallerLogCapture()
{
    try {
        Stop();
    } catch (...) {
        // The log is best effort once the run is over.
    }
}

void InstallerLogCapture::Start(DWORD mode, DWORD attributes)
{
    Stop();
    m_runLog = AppServices().GetLogFile();
    if (m_runLog.IsEmpty()) {
        MsiApi().MsiEnableLogW(0, nullptr, 0);
        return;
    }
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, kEngineLogPrefix, 0, name)) {
        // Without a file of its own the engine does not log: the run's log stays whole.
        MsiApi().MsiEnableLogW(0, nullptr, 0);
        return;
    }
    m_engineFile = name;
    MsiApi().MsiEnableLogW(mode, m_engineFile, attributes | INSTALLLOGATTRIBUTES_APPEND);
}

CString InstallerLogCapture::DecodeEngineText(const char* bytes, size_t count)
{
    CString decoded;
    if (count >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(bytes + 2);
        decoded = CString(text, static_cast<int>((count - 2) / sizeof(wchar_t)));
    } else if (count > 0) {
        const int length = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(count), nullptr, 0);
        std::vector<wchar_t> wide(static_cast<size_t>(length) + 1);
        MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(count), wide.data(), length);
        decoded = CString(wide.data(), length);
    }
    CString result;
    for (int i = 0; i < decoded.GetLength(); ++i) {
        const wchar_t c = decoded[i];
        if (c == L'\n' && (i == 0 || decoded[i - 1] != L'\r'))
            result += L'\r';
        result += c;
    }
    return result;
}

void InstallerLogCapture::Drain()
{
    if (m_engineFile.IsEmpty())
        return;
    OrbelToolbox::UniqueKernelHandle engine(CreateFileW(m_engineFile, GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!engine)
        return;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(engine.Get(), &size) || size.QuadPart == 0)
        return;
    std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(engine.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return;
    const CString text = DecodeEngineText(bytes.data(), read);

    // The run's own pending text goes first; the engine's text is appended after it.
    AppServices().GetLogStream(0, 0) << std::flush;
    OrbelToolbox::UniqueKernelHandle runLog(CreateFileW(
        m_runLog, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!runLog)
        return;
    DWORD written = 0;
    const DWORD length = static_cast<DWORD>(text.GetLength() * sizeof(wchar_t));
    if (!WriteFile(runLog.Get(), text.GetString(), length, &written, nullptr) || written != length)
        return;
    // Drained: the engine starts again from an empty file.
    LARGE_INTEGER start = {};
    SetFilePointerEx(engine.Get(), start, nullptr, FILE_BEGIN);
    SetEndOfFile(engine.Get());
}

void InstallerLogCapture::Stop()
{
    if (!m_engineFile.IsEmpty()) {
        MsiApi().MsiEnableLogW(0, nullptr, 0);
        Drain();
        m_stoppedFiles.push_back(m_engineFile);
        m_engineFile.Empty();
    }
    RemoveStoppedFiles();
}

void InstallerLogCapture::RemoveStoppedFiles()
{
    std::vector<CString> kept;
    for (const CString& file : m_stoppedFiles) {
        if (!DeleteFileW(file) && GetLastError() != ERROR_FILE_NOT_FOUND)
            kept.push_back(file);
    }
    m_stoppedFiles.swap(kept);
}
