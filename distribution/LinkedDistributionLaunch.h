// Starting the child installer of a linked distribution: the medium's volume ID file is checked,
// the child's setup program found on it, and the program started with a command line that makes
// it a linked child of this installer.
#pragma once

#include <windows.h>

#include <map>

#include "CString.h"
#include "LinkedDistribution.h"
#include "UniqueHandle.h"

// What the child's command line is made of.
struct LinkedChildCommand {
    CString program;              // the child's setup program
    bool quiet = false;           // the master runs without a user interface
    int level = 0;                // the install level handed on; 0: none
    HWND masterWindow = nullptr;  // the window the child reports to; none: no /masterHwnd
    CString logModes;             // the master's log letters, switch letter first ("l*v")
    bool logAppends = false;      // the master's log letters already ask for appending
    CString logFile;              // the master's log file; empty: no log switch
    CString specFile;             // the spec file handed to the child; empty: none
    bool passRoot = false;        // /root and /ini (the Windows 9x family)
    CString rootFolder;           // the volume folder, without its trailing backslash
    CString iniName;              // the child's configuration file name
    std::map<CString, CString> properties;  // /prop, in name order
};

// The child's command line. Every quoted text is quoted as the C run time reads it back (a quote
// in it and backslashes before a quote or the closing quote are escaped). Each property is an
// argument of its own after a /prop switch, "NAME=VALUE" quoted, with every comma of the value
// written "\," for the child's property list.
CString BuildLinkedChildCommandLine(const LinkedChildCommand& command);

// `text` in double quotes, written so that the C run time's argument parser gives back `text`.
CString QuoteCommandLineArgument(const CString& text);

// A started child installer.
struct LinkedChildProcess {
    OrbelToolbox::UniqueKernelHandle process;
    OrbelToolbox::UniqueKernelHandle thread;
    DWORD threadId = 0;
};

// Checks the medium in `volumeFolder` (its volume ID file must name the linked distribution's
// GUID, in any case, and an existing program) and starts the child installer reporting to
// `masterWindow` (may be none) with the properties given. LinkedDistVolumeInvalid for a medium
// that is not the linked distribution's, LinkedDistCreateProcess when the program cannot start.
void LaunchLinkedDistribution(const CLinkedDistribution& linked, const CString& volumeFolder, HWND masterWindow,
    const std::map<CString, CString>& properties, LinkedChildProcess& child);
