// Windows Installer's own log, gathered into the run's log. The engine is given a file of its
// own: an engine that writes its log from the start of the file it is given (rather than at its
// end) would otherwise overwrite the run's first lines. What it wrote is appended to the run's
// log as UTF-16 text whenever the caller drains it, in practice after each package.
#pragma once

#include <windows.h>

#include <vector>

#include "CString.h"

class InstallerLogCapture {
public:
    InstallerLogCapture() = default;
    ~InstallerLogCapture();
    InstallerLogCapture(const InstallerLogCapture&) = delete;
    InstallerLogCapture& operator=(const InstallerLogCapture&) = delete;

    // Turns the engine's log on with that mode and those attributes when the run has a log file,
    // else off.
    void Start(DWORD mode, DWORD attributes);
    // Appends what the engine wrote since the last drain to the run's log.
    void Drain();
    // Turns the engine's log off, drains it and removes the engine's file. A session opened
    // while the log was on keeps the file open until it closes: such a file is removed by a
    // later Stop, once the session is gone.
    void Stop();
    bool IsCapturing() const { return !m_engineFile.IsEmpty(); }

    // The engine's text as UTF-16 with CR LF line ends: UTF-16 when it starts with a byte-order
    // mark, else the ANSI code page.
    static CString DecodeEngineText(const char* bytes, size_t count);

private:
    // Removes the engine files of earlier captures that could not be removed yet.
    void RemoveStoppedFiles();

    CString m_engineFile;
    CString m_runLog;
    std::vector<CString> m_stoppedFiles;
};
