// The installer's log: one UTF-16LE text file shared with Windows Installer's own log.
//
// Every line reads "OrbelInstaller: " + text + CR LF. Long lines wrap at a blank when a width
// is set, the continuation repeating the prefix. Text carries a message level (bits); levels
// outside the level mask are dropped. Each line is written at the current end of the file,
// which stays open for shared writing, so lines of another writer appended in between are
// never overwritten.
//
// Writers on several threads go through `VelmoLogGuard`: it holds the stream's lock for one
// statement and sets that statement's level and width, so lines and levels never interleave:
//     VelmoLogGuard(log, kLogInfo, 80) << L"Loaded " << n << L" parts" << std::endl;
#pragma once

#include <windows.h>

#include <locale>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "CString.h"
#include "UniqueHandle.h"

// Message levels: bits chosen by the writer. Detail output (the second text of an error, a
// command line, property lists) adds kLogDetail to the level of its line.
enum LogLevel : DWORD {
    kLogError = 0x2,
    kLogWarning = 0x4,
    kLogInfo = 0x10,
    kLogDetail = 0x1000,
};

// The stream buffer: collects one line at a time and writes whole lines to the file.
class VelmoLogStreamBuf : public std::wstreambuf {
public:
    VelmoLogStreamBuf();
    ~VelmoLogStreamBuf() override;
    VelmoLogStreamBuf(const VelmoLogStreamBuf&) = delete;
    VelmoLogStreamBuf& operator=(const VelmoLogStreamBuf&) = delete;

    // Opens (append: OPEN_ALWAYS, else CREATE_ALWAYS) for shared reading and writing;
    // throws LogFileError when the file cannot be opened or created.
    void Open(const wchar_t* fileName, bool append);
    bool IsOpen() const { return m_hFile.IsValid(); }
    // Writes a pending partial line, then closes the file; later output is dropped.
    void Close();

    DWORD SetLineWidth(DWORD width);  // 0 = no wrapping; the width counts the prefix
    DWORD SetLevelMask(DWORD mask);
    DWORD SetMessageLevel(DWORD level);
    DWORD GetLineWidth() const { return m_width; }
    DWORD GetMessageLevel() const { return m_level; }

    // Seam: whether the system is of the NT family (byte-order mark on new files). Tests
    // replace it to reach the Windows 9x behaviour.
    static bool (*s_pfnIsWindowsNT)();

protected:
    int_type overflow(int_type c) override;
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
    int sync() override;
    void imbue(const std::locale& loc) override;

private:
    bool WriteLine(bool force);
    bool WriteLinePart(bool force, bool& wrote);
    bool WriteRaw(const wchar_t* text, size_t count);
    bool IsSpace(wchar_t c) const;
    void FindLastSpace();
    void TakeUserLocale();

    OrbelToolbox::UniqueKernelHandle m_hFile;
    std::locale m_locale;
    std::wstring m_line;  // always begins with the prefix
    size_t m_lastSpace = std::wstring::npos;  // m_line's last white space after the prefix, or npos
    DWORD m_width = 0;
    DWORD m_columns = 0;  // columns of m_line, prefix included; a tab counts 8
    DWORD m_levelMask = 0xFFFFFFFF;
    DWORD m_level = kLogError;
};

// The wide output stream over the buffer. Its own operations lock; the standard inserters
// do not, so writers on several threads use `VelmoLogGuard`.
class VelmoLogOStream : public std::wostream {
public:
    static const wchar_t Prefix[];  // "OrbelInstaller: "

    VelmoLogOStream();
    ~VelmoLogOStream() override;
    VelmoLogOStream(const VelmoLogOStream&) = delete;
    VelmoLogOStream& operator=(const VelmoLogOStream&) = delete;

    void Open(const wchar_t* fileName, bool append);
    bool IsOpen() const;
    void Close();
    DWORD SetLineWidth(DWORD width);
    DWORD SetMessageLevel(DWORD level);
    DWORD SetLevelMask(DWORD mask);

    // The statement lock (recursive: a thread may nest statements).
    void Lock() { EnterCriticalSection(&m_lock); }
    void Unlock() { LeaveCriticalSection(&m_lock); }

private:
    std::unique_ptr<VelmoLogStreamBuf> m_pBuf;
    CRITICAL_SECTION m_lock;
};

// One logged statement: holds the stream's lock from construction to the end of the full
// expression, with the statement's message level and wrap width; on destruction restores the
// level and width that were set before (a statement nested on the same thread keeps the
// outer one's settings intact) and unlocks.
class VelmoLogGuard {
public:
    VelmoLogGuard(VelmoLogOStream& stream, DWORD level, DWORD width);
    ~VelmoLogGuard();
    VelmoLogGuard(const VelmoLogGuard&) = delete;
    VelmoLogGuard& operator=(const VelmoLogGuard&) = delete;

    std::wostream& Stream() { return m_stream; }
    operator std::wostream&() { return m_stream; }

    template <class T> VelmoLogGuard& operator<<(const T& value)
    {
        m_stream << value;
        return *this;
    }
    VelmoLogGuard& operator<<(const wchar_t* text)
    {
        m_stream << text;
        return *this;
    }
    // Manipulators: std::endl, std::flush, std::hex...
    VelmoLogGuard& operator<<(std::wostream& (*manip)(std::wostream&))
    {
        manip(m_stream);
        return *this;
    }
    VelmoLogGuard& operator<<(std::wios& (*manip)(std::wios&))
    {
        manip(m_stream);
        return *this;
    }
    VelmoLogGuard& operator<<(std::ios_base& (*manip)(std::ios_base&))
    {
        manip(m_stream);
        return *this;
    }

private:
    VelmoLogOStream& m_stream;
    DWORD m_prevWidth;
    DWORD m_prevLevel;
};

// Writes a string object's characters up to its first NUL.
std::wostream& operator<<(std::wostream& os, const CString& text);
