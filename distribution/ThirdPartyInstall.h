// Helpers of the parts that another vendor's installer installs: the names of the feature states
// in the log and the paths and command lines built from the part's package folder.
#pragma once

#include <ostream>

#include "CString.h"

// Writes the name of a Windows Installer feature state ("Local", "Absent"...; "Invalid State"
// for a value that is none).
std::wostream& WriteInstallStateName(std::wostream& out, int state);

// The progress page's status while a vendor's executable runs: "Currently installing <product>.
// Part <n> of <count>." from the string resources.
CString FormatThirdPartyStatus(const CString& productName, int partNumber, int partCount);

// The package path up to, not including, its last backslash; empty without one.
CString GetPackageFolder(const CString& packagePath);

// The folder with a backslash between it and the text unless the text starts with one; an empty
// folder gives the text alone.
CString JoinThirdPartyPath(const CString& folder, const CString& text);

// The command line of a vendor's executable: the program, taken from the folder, in double
// quotes, then the arguments unchanged. When the command starts with a double quote the program
// is the text up to the closing quote (the whole rest without one); otherwise it is the longest
// part of the command, cut at a blank, that names an existing program file in the folder (as
// the system's search finds it), else the command's first blank-separated word.
CString BuildThirdPartyCommandLine(const CString& folder, const CString& command);
