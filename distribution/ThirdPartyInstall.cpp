// The parts of a distribution that another vendor's installer installs: the part's one fake
// feature names, for the state it changes to, either another Windows Installer package with its
// command line or an executable to start, and the run waits for it.
#include "ThirdPartyInstall.h"

#include <windows.h>

#include <msi.h>

#include <vector>

#include "ApplicationServices.h"
#include "Distribution.h"
#include "Feature.h"
#include "InstallProgressPage.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "PathHelpers.h"
#include "ProgramStart.h"
#include "TextHelpers.h"
#include "UiMode.h"
#include "UniqueHandle.h"
#include "VelmoLogStream.h"

namespace {

// The command column of a state and the position of the state's two bits in Attributes: the lower
// bit marks a Windows Installer command line, the higher one an exit code to ignore.
struct StateCommand {
    int state;
    const wchar_t* column;
    int shift;
};
const StateCommand kStateCommands[] = {
    {INSTALLSTATE_LOCAL, L"LocalCmd", 0},
    {INSTALLSTATE_DEFAULT, L"LocalCmd", 0},
    {INSTALLSTATE_SOURCE, L"SourceCmd", 2},
    {INSTALLSTATE_ADVERTISED, L"AdvertiseCmd", 4},
    {INSTALLSTATE_ABSENT, L"RemoveCmd", 6},
};
const int kMsiFlag = 0x1;
const int kIgnoreExitCodeFlag = 0x2;
const int kRunFirstFlag = 0x100;
const int kRunLastFlag = 0x200;

const int kThirdPartyFakeFeatureType = CFeature::kThirdParty;

// "Currently installing %1.  Part %2 of %3."
const UINT kInstallStatusText = 125;

// The result of a vendor executable that cannot be started (ERROR_INSTALL_FAILURE).
const UINT kLaunchFailure = 1603;

const DWORD kLogWrap = 70;

const wchar_t kRebootProperty[] = L"REBOOT";
const wchar_t kSuppressReboot[] = L" REBOOT=ReallySuppress";

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

CString NumberText(int value)
{
    CString text;
    text.Format(L"%d", value);
    return text;
}

}  // namespace

std::wostream& WriteInstallStateName(std::wostream& out, int state)
{
    static const wchar_t* const kNames[] = {L"Not Used", L"Bad Configuration", L"Incomplete", L"Absent",
        L"Buffer Overflow", L"Invalid Argument", L"Unknown", L"Broken", L"Advertised Feature or Removed Component",
        L"Absent", L"Local", L"Source", L"Default"};
    const int first = INSTALLSTATE_NOTUSED;
    const int last = INSTALLSTATE_DEFAULT;
    if (state < first || state > last)
        return out << L"Invalid State";
    return out << kNames[state - first];
}

CString FormatThirdPartyStatus(const CString& productName, int partNumber, int partCount)
{
    CString status;
    status.FormatMessage(kInstallStatusText, static_cast<const wchar_t*>(productName),
        static_cast<const wchar_t*>(NumberText(partNumber)), static_cast<const wchar_t*>(NumberText(partCount)));
    return status;
}

CString GetPackageFolder(const CString& packagePath)
{
    const int lastBackslash = packagePath.ReverseFind(L'\\');
    return lastBackslash < 0 ? CString() : packagePath.Left(lastBackslash);
}

CString JoinThirdPartyPath(const CString& folder, const CString& text)
{
    CString path = folder;
    if (text.IsEmpty() || text[0] != L'\\')
        AddTrailingBackslash(path);
    return path + text;
}

CString BuildThirdPartyCommandLine(const CString& folder, const CString& command)
{
    const wchar_t* text = command;
    while (IsBlank(*text))
        ++text;
    const wchar_t* program = text;
    const wchar_t* programEnd;
    const wchar_t* arguments;
    if (*text == L'"') {
        program = text + 1;
        programEnd = wcschr(program, L'"');
        if (programEnd) {
            arguments = programEnd + 1;
        } else {
            programEnd = program + wcslen(program);
            arguments = programEnd;
        }
    } else {
        // The program is the longest part of the command, cut at a blank, that names a program
        // file in the folder, as the system's own search would find it: a blank in the program's
        // name stays in it, and no shorter path is started instead. When none does, the first word.
        programEnd = nullptr;
        const wchar_t* end = program + wcslen(program);
        for (const wchar_t* cut = end; cut > program && !programEnd; --cut) {
            if ((cut == end || IsBlank(*cut)) && !IsBlank(cut[-1])
                && NamesProgramFile(JoinThirdPartyPath(folder, CString(program, static_cast<int>(cut - program)))))
                programEnd = cut;
        }
        if (!programEnd) {
            programEnd = program;
            while (*programEnd && !IsBlank(*programEnd))
                ++programEnd;
        }
        arguments = programEnd;
    }
    const CString programName(program, static_cast<int>(programEnd - program));
    return L"\"" + JoinThirdPartyPath(folder, programName) + L"\"" + arguments;
}

void CPart::Populate3rdPartyCommands(MsiSession& session)
{
    for (const CFeature* feature : m_features) {
        if (!feature->IsFakeFeature(CFeature::kThirdParty) || feature->GetCurrentState() == feature->GetActionState())
            continue;
        const StateCommand* entry = nullptr;
        for (const StateCommand& candidate : kStateCommands) {
            if (candidate.state == feature->GetActionState())
                entry = &candidate;
        }
        if (!entry)
            continue;

        MsiSmartPtr<MsiDatabase> database = session.GetActiveDatabase();
        MsiSmartPtr<MsiView> view = database->OpenView(
            L"SELECT Title, MsiPath, %s, Attributes FROM ZK3rdPartyInstallFakeFeature, ZKFakeFeature WHERE "
            L"ZKFakeFeature.Feature_=? AND ZKFakeFeature.Reference_=ZK3rdPartyInstallFakeFeature.Reference AND "
            L"ZKFakeFeature.Type=%i",
            entry->column, kThirdPartyFakeFeatureType);
        view->ExecuteWith(feature->GetName());
        MsiSmartPtr<MsiRecord> row = view->Fetch();
        if (!row)
            continue;

        ThirdPartyCommand command;
        command.title = row->GetMfcString(1);
        command.packagePath = session.FormatString(CString(row->GetMfcString(2)));
        command.command = session.FormatString(CString(row->GetMfcString(3)));
        const int attributes = row->GetIntegerOrDefault(4, 0);
        const int flags = attributes >> entry->shift;
        command.msi = (flags & kMsiFlag) != 0;
        command.ignoreExitCode = (flags & kIgnoreExitCodeFlag) != 0;
        command.placement = (attributes & kRunFirstFlag) ? -1 : ((attributes & kRunLastFlag) ? 1 : 0);
        command.state = static_cast<INSTALLSTATE>(feature->GetActionState());
        m_thirdPartyCommands.push_back(command);
    }
}

UINT CPart::Install3rdParty(CDistribution& distribution)
{
    return RunThirdPartyCommands(
        distribution, m_productName, GetPackageFolder(GetSourcePackagePath()), m_thirdPartyCommands);
}

UINT CPart::RunThirdPartyCommands(CDistribution& distribution, const CString& productName, const CString& packageFolder,
    const std::vector<ThirdPartyCommand>& commands)
{
    AppServices().GetLogStream(kLogInfo, 0) << L"--- Installing 3rd Party Part " << productName << L" ---" << std::endl
                                            << GetCurrentTimeText() << std::endl;
    UINT result = ERROR_SUCCESS;
    for (const ThirdPartyCommand& entry : commands) {
        if (entry.command.IsEmpty()) {
            VelmoLogGuard log = AppServices().GetLogStream(kLogInfo, kLogWrap);
            WriteInstallStateName(log << L"No command line provided for state ", entry.state)
                << L".  Skipping " << entry.title << L"." << std::endl;
            continue;
        }
        if (entry.msi) {
            const CString package = JoinThirdPartyPath(packageFolder, entry.packagePath);
            CString command = entry.command;
            if (command.Find(kRebootProperty) < 0)
                command += kSuppressReboot;
            AppServices().GetLogStream(kLogInfo, kLogWrap)
                << L"Launching 3rd Party MSI for " << productName << std::endl
                << L"Path: " << package << std::endl
                << L"Command: " << command << std::endl;
            result = MsiApi().MsiInstallProductW(package, command);
            AppServices().GetLogStream(kLogInfo, 0) << L"Part returned " << result << std::endl;
            continue;
        }

        const CString commandLine = BuildThirdPartyCommandLine(packageFolder, entry.command);
        AppServices().GetLogStream(kLogInfo, kLogWrap)
            << L"Launching 3rd Party Install Executable for " << productName << std::endl
            << L"Command: " << commandLine << std::endl;
        IInstallProgressPage* page = distribution.GetProgressPage();
        if (page && AppServices().GetUiMode() != UiQuiet) {
            page->ShowInstallStatus(FormatThirdPartyStatus(
                productName, distribution.GetCurrentPartNumber(), distribution.GetPartCountToInstall()));
        }

        OrbelToolbox::UniqueKernelHandle processHandle;
        OrbelToolbox::UniqueKernelHandle threadHandle;
        if (const DWORD error = StartProgram(commandLine, processHandle, threadHandle)) {
            AppServices().GetLogStream(kLogError, 0)
                << L"ERROR: Failed to launch 3rd Party product " << productName << L". Error: " << error << std::endl;
            result = kLaunchFailure;
            continue;
        }
        WaitForSingleObject(processHandle.Get(), INFINITE);
        DWORD exitCode = 0;
        GetExitCodeProcess(processHandle.Get(), &exitCode);
        AppServices().GetLogStream(kLogInfo, 0) << L"Part returned " << exitCode << std::endl;
        if (!entry.ignoreExitCode)
            result = exitCode;
    }
    AppServices().GetLogStream(kLogInfo, 0)
        << L"--- Finished Running 3rd Party Part " << productName << L" ---" << std::endl
        << GetCurrentTimeText() << std::endl;
    return result;
}

bool CPart::Has3rdPartyEntryFirst() const
{
    if (!m_thirdParty)
        return false;
    for (const ThirdPartyCommand& entry : m_thirdPartyCommands) {
        if (entry.placement < 0)
            return true;
    }
    return false;
}

bool CPart::Has3rdPartyEntryLast() const
{
    if (!m_thirdParty)
        return false;
    for (const ThirdPartyCommand& entry : m_thirdPartyCommands) {
        if (entry.placement > 0)
            return true;
    }
    return false;
}
