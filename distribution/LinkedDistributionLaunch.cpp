#include "LinkedDistributionLaunch.h"

#include "ApplicationServices.h"
#include "IdFile.h"
#include "InstallerErrors.h"
#include "PathHelpers.h"
#include "PlatformChecks.h"
#include "ProgramStart.h"
#include "SystemErrorClasses.h"
#include "UiMode.h"

namespace {

const char kSource[] = "LinkedDistribution";

// The file name part of a configured ID file name (the whole name without a backslash).
CString FileNamePart(const CString& name)
{
    const int slash = name.ReverseFind(L'\\');
    return slash < 0 ? name : name.Mid(slash + 1);
}

// The child's configuration name: the program's, with ".ini" for its extension.
CString ConfigurationNameFor(const CString& program)
{
    const int dot = program.ReverseFind(L'.');
    CString name = dot < 0 ? program : program.Left(dot);
    name += L".ini";
    return name;
}

// The child's parser takes "l" only as the log switch letter.
CString LogSwitch(const LinkedChildCommand& command)
{
    CString letters = command.logModes;
    if (letters.IsEmpty())
        letters = L"l";
    else if (letters[0] == L'L')
        letters.SetAt(0, L'l');
    CString text = L" /";
    text += letters;
    if (!command.logAppends)
        text += L"+";
    text += L" ";
    text += QuoteCommandLineArgument(command.logFile);
    return text;
}

}  // namespace

CString QuoteCommandLineArgument(const CString& text)
{
    CString quoted = L"\"";
    int backslashes = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; others stay as they are.
        const int written = c == L'"' ? backslashes * 2 + 1 : backslashes;
        for (int n = 0; n < written; ++n)
            quoted += L'\\';
        quoted += c;
        backslashes = 0;
    }
    for (int n = 0; n < backslashes * 2; ++n)
        quoted += L'\\';
    quoted += L'"';
    return quoted;
}

CString BuildLinkedChildCommandLine(const LinkedChildCommand& command)
{
    CString line = QuoteCommandLineArgument(command.program);
    // A quiet child needs the licences accepted, as its master's own quiet run had them.
    line += command.quiet ? L" /qn /AcceptLicenses yes" : L" /linkedcustom";
    if (command.level != 0)
        line.AppendFormat(L" /level %d", command.level);
    if (command.masterWindow) {
        // Window handles are 32-bit values in every process.
        line.AppendFormat(L" /masterHwnd %x",
            static_cast<unsigned int>(reinterpret_cast<ULONG_PTR>(command.masterWindow) & 0xFFFFFFFFu));
    }
    if (!command.logFile.IsEmpty())
        line += LogSwitch(command);
    if (!command.specFile.IsEmpty()) {
        line += L" ";
        line += QuoteCommandLineArgument(command.specFile);
    }
    if (command.passRoot) {
        line += L" /root ";
        line += QuoteCommandLineArgument(command.rootFolder);
        line += L" /ini ";
        line += QuoteCommandLineArgument(command.iniName);
    }
    // One /prop switch for each property, its whole NAME=VALUE quoted: the child's property list
    // takes a comma after a backslash for a comma of the value, so a value that ends in a
    // backslash (a folder) must not be followed by a separating comma.
    for (const auto& property : command.properties) {
        CString value = property.second;
        value.Replace(L",", L"\\,");
        line += L" /prop ";
        line += QuoteCommandLineArgument(property.first + L"=" + value);
    }
    return line;
}

void LaunchLinkedDistribution(const CLinkedDistribution& linked, const CString& volumeFolder, HWND masterWindow,
    const std::map<CString, CString>& properties, LinkedChildProcess& child)
{
    CString folder = volumeFolder;
    AddTrailingBackslash(folder);
    const CString idPath = folder + FileNamePart(linked.m_strIdFile);
    if (!FileExists(idPath))
        throw LinkedDistVolumeInvalid(kSource, __LINE__, linked.m_strTitle, volumeFolder, idPath, CString(), CString(),
            L"The ID file %3 was not found.");

    CIdFile idFile(true);
    try {
        idFile.Read(idPath);
    } catch (const IniFileErrors&) {
        throw LinkedDistVolumeInvalid(kSource, __LINE__, linked.m_strTitle, volumeFolder, idPath, CString(), CString(),
            L"The id file %3 is not valid.");
    }
    if (idFile.GetDistributionGuid().CompareNoCase(linked.m_strGuid) != 0)
        throw LinkedDistVolumeInvalid(kSource, __LINE__, linked.m_strTitle, volumeFolder, idPath,
            idFile.GetDistributionGuid(), CString(), L"The GUID %4 listed in %3 does not match the distribution GUID.");

    CString exePath = idFile.GetExePath();
    RemoveLeadingBackslash(exePath);
    LinkedChildCommand command;
    command.program = folder + exePath;
    if (!FileExists(command.program))
        throw LinkedDistVolumeInvalid(kSource, __LINE__, linked.m_strTitle, volumeFolder, idPath, CString(),
            command.program, L"The ExePath %5 listed in %3 was not found");

    IApplicationServices& app = AppServices();
    if (!IsWindowsNT()) {
        CString program;
        app.CopyIfOnCdRom(command.program, program);
        command.program = program;
        command.passRoot = true;
        command.rootFolder = volumeFolder;
        RemoveTrailingBackslash(command.rootFolder);
        command.iniName = ConfigurationNameFor(exePath);
    }
    command.quiet = app.GetUiMode() == UiQuiet;
    if (linked.m_bPassLevel)
        command.level = linked.m_nLevel;
    command.masterWindow = masterWindow;
    command.logFile = app.GetLogFile();
    command.logModes = app.GetLogModes();
    command.logAppends = (app.GetLogFileOptions() & 1) != 0;
    command.specFile = linked.m_strSpecFileCopy;
    command.properties = properties;

    const CString commandLine = BuildLinkedChildCommandLine(command);
    const DWORD error = StartProgram(commandLine, child.process, child.thread, &child.threadId);
    if (error != 0)
        throw LinkedDistCreateProcess(kSource, __LINE__, linked.m_strTitle, commandLine,
            WindowsError(error, nullptr), L"Failed to start %1 with command line %2.\nWindows Error %3");
}
