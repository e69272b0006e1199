// The installer's log stream: see VelmoLogStream.h.
#include "VelmoLogStream.h"

#include "PlatformApi.h"
#include "SystemMessage.h"

#include <cwctype>

#include "InstallerErrors.h"

// Errors thrown here name this module and the line.
static const char kSource[] = "VelmoLogStream";

namespace {

const DWORD kPrefixLength = 16;  // wcslen(VelmoLogOStream::Prefix)

bool IsWindowsNtFamily()
{
    OSVERSIONINFOW info = {};
    if (!QueryOsVersion(info))
        return true;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

const wchar_t VelmoLogOStream::Prefix[] = L"OrbelInstaller: ";

bool (*VelmoLogStreamBuf::s_pfnIsWindowsNT)() = IsWindowsNtFamily;

// ---------------------------------------------------------------------------------------------
// VelmoLogStreamBuf

VelmoLogStreamBuf::VelmoLogStreamBuf() : m_line(VelmoLogOStream::Prefix), m_columns(kPrefixLength)
{
    TakeUserLocale();
}

VelmoLogStreamBuf::~VelmoLogStreamBuf()
{
    try {
        Close();
    } catch (...) {
        // A destructor reports nothing; a failed last write is dropped like any other.
    }
}

void VelmoLogStreamBuf::TakeUserLocale()
{
    try {
        m_locale = std::locale("");
    } catch (...) {
        m_locale = std::locale::classic();
    }
    FindLastSpace();
}

void VelmoLogStreamBuf::imbue(const std::locale& loc)
{
    m_locale = loc;
    FindLastSpace();
}

// What is white space depends on the locale: the pending line's last break point is looked for
// again whenever the locale or the line's end changes other than by an added character.
void VelmoLogStreamBuf::FindLastSpace()
{
    m_lastSpace = std::wstring::npos;
    for (size_t i = m_line.size(); i > kPrefixLength; --i) {
        if (IsSpace(m_line[i - 1])) {
            m_lastSpace = i - 1;
            return;
        }
    }
}

bool VelmoLogStreamBuf::IsSpace(wchar_t c) const
{
    if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f')
        return true;
    try {
        return std::isspace(c, m_locale);
    } catch (...) {
        return std::iswspace(c) != 0;
    }
}

void VelmoLogStreamBuf::Open(const wchar_t* fileName, bool append)
{
    Close();
    HANDLE h = CreateFileW(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        append ? OPEN_ALWAYS : CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        throw LogFileError(kSource, __LINE__, CString(fileName), error, SystemMessageText(error));
    }
    DWORD openError = GetLastError();
    m_hFile.Reset(h);
    if (append && openError == ERROR_ALREADY_EXISTS) {
        LARGE_INTEGER zero = {};
        SetFilePointerEx(m_hFile.Get(), zero, nullptr, FILE_END);
    } else if (s_pfnIsWindowsNT()) {
        const wchar_t bom = 0xFEFF;
        WriteRaw(&bom, 1);
    }
    TakeUserLocale();
}

void VelmoLogStreamBuf::Close()
{
    if (!IsOpen())
        return;
    sync();
    m_hFile.Reset();
    m_line.assign(VelmoLogOStream::Prefix);
    m_columns = kPrefixLength;
    m_lastSpace = std::wstring::npos;
}

DWORD VelmoLogStreamBuf::SetLineWidth(DWORD width)
{
    DWORD previous = m_width;
    m_width = width;
    return previous;
}

DWORD VelmoLogStreamBuf::SetLevelMask(DWORD mask)
{
    DWORD previous = m_levelMask;
    m_levelMask = mask;
    return previous;
}

DWORD VelmoLogStreamBuf::SetMessageLevel(DWORD level)
{
    DWORD previous = m_level;
    m_level = level;
    return previous;
}

VelmoLogStreamBuf::int_type VelmoLogStreamBuf::overflow(int_type c)
{
    const int_type eof = traits_type::eof();
    if (!IsOpen())
        return traits_type::not_eof(c);
    if ((m_level & m_levelMask) != m_level)
        return traits_type::not_eof(c);
    if (traits_type::eq_int_type(c, eof))
        return traits_type::not_eof(c);

    wchar_t ch = traits_type::to_char_type(c);
    if (ch == L'\n') {
        if (m_line.size() > kPrefixLength && m_line.back() == L'\r') {
            m_line.pop_back();
            --m_columns;
            if (m_lastSpace == m_line.size())
                FindLastSpace();
        }
        return WriteLine(true) ? c : eof;
    }
    m_line.push_back(ch);
    m_columns += (ch == L'\t') ? 8 : 1;
    if (IsSpace(ch))
        m_lastSpace = m_line.size() - 1;
    if (m_width != 0 && m_columns > m_width) {
        if (!WriteLine(false))
            return eof;
    }
    return c;
}

// A forced write ends the line: when the width makes it break, the carried text is written
// as continuation lines too, so that a line end is never lost.
bool VelmoLogStreamBuf::WriteLine(bool force)
{
    bool wrote = false;
    if (!WriteLinePart(force, wrote))
        return false;
    while (force && wrote && m_line.size() > kPrefixLength) {
        if (!WriteLinePart(force, wrote))
            return false;
    }
    return true;
}

bool VelmoLogStreamBuf::WriteLinePart(bool force, bool& wrote)
{
    wrote = false;
    size_t partLength = m_line.size();
    size_t carryStart = m_line.size();
    if (m_width != 0 && m_columns > m_width) {
        // The last white space after the prefix, kept as the line grows: a long line without
        // one is never searched again for each character it gets.
        const size_t s = m_lastSpace;
        if (s == std::wstring::npos) {
            if (!force)
                return true;  // no break point yet: the line keeps growing
        } else {
            size_t end = s;
            while (end > kPrefixLength && IsSpace(m_line[end - 1]))
                --end;
            if (end < kPrefixLength + 1)
                end = kPrefixLength + 1;
            partLength = end;
            carryStart = s + 1;
        }
    }

    seekoff(0, std::ios_base::end, std::ios_base::out);
    const wchar_t crlf[2] = {L'\r', L'\n'};
    if (!WriteRaw(m_line.data(), partLength) || !WriteRaw(crlf, 2))
        return false;

    // The carried text follows the last white space: it has none.
    std::wstring carry = m_line.substr(carryStart);
    m_line.assign(VelmoLogOStream::Prefix);
    m_line += carry;
    m_columns = static_cast<DWORD>(m_line.size());
    m_lastSpace = std::wstring::npos;
    wrote = true;
    return true;
}

bool VelmoLogStreamBuf::WriteRaw(const wchar_t* text, size_t count)
{
    DWORD bytes = static_cast<DWORD>(count * sizeof(wchar_t));
    DWORD written = 0;
    return WriteFile(m_hFile.Get(), text, bytes, &written, nullptr) && written == bytes;
}

VelmoLogStreamBuf::pos_type VelmoLogStreamBuf::seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode)
{
    if (!IsOpen())
        return pos_type(off_type(-1));
    LARGE_INTEGER zero = {};
    LARGE_INTEGER position = {};
    if (!SetFilePointerEx(m_hFile.Get(), zero, &position, FILE_END))
        return pos_type(off_type(-1));
    return pos_type(off_type(position.QuadPart));
}

VelmoLogStreamBuf::pos_type VelmoLogStreamBuf::seekpos(pos_type, std::ios_base::openmode which)
{
    return seekoff(0, std::ios_base::end, which);
}

int VelmoLogStreamBuf::sync()
{
    if (!IsOpen())
        return 0;
    if (m_line.size() > kPrefixLength)
        WriteLine(true);
    FlushFileBuffers(m_hFile.Get());
    return 0;
}

// ---------------------------------------------------------------------------------------------
// VelmoLogOStream

VelmoLogOStream::VelmoLogOStream() : std::wostream(nullptr), m_pBuf(new VelmoLogStreamBuf)
{
    InitializeCriticalSection(&m_lock);
    rdbuf(m_pBuf.get());
    fill(L' ');
}

VelmoLogOStream::~VelmoLogOStream()
{
    rdbuf(nullptr);
    m_pBuf.reset();
    DeleteCriticalSection(&m_lock);
}

void VelmoLogOStream::Open(const wchar_t* fileName, bool append)
{
    Lock();
    try {
        m_pBuf->Open(fileName, append);
        clear();
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

bool VelmoLogOStream::IsOpen() const
{
    return m_pBuf->IsOpen();
}

void VelmoLogOStream::Close()
{
    Lock();
    m_pBuf->Close();
    Unlock();
}

DWORD VelmoLogOStream::SetLineWidth(DWORD width)
{
    return m_pBuf->SetLineWidth(width);
}

DWORD VelmoLogOStream::SetMessageLevel(DWORD level)
{
    return m_pBuf->SetMessageLevel(level);
}

DWORD VelmoLogOStream::SetLevelMask(DWORD mask)
{
    return m_pBuf->SetLevelMask(mask);
}

// ---------------------------------------------------------------------------------------------
// VelmoLogGuard

VelmoLogGuard::VelmoLogGuard(VelmoLogOStream& stream, DWORD level, DWORD width) : m_stream(stream)
{
    m_stream.Lock();
    m_prevWidth = m_stream.SetLineWidth(width);
    m_prevLevel = m_stream.SetMessageLevel(level);
}

VelmoLogGuard::~VelmoLogGuard()
{
    m_stream.SetMessageLevel(m_prevLevel);
    m_stream.SetLineWidth(m_prevWidth);
    m_stream.Unlock();
}

std::wostream& operator<<(std::wostream& os, const CString& text)
{
    return os << text.GetString();
}
