// The post-processing program: started before and after each part of the install run and
// waited for; only its start and end are logged, its outcome is never read. Its lines end
// without flushing the log file to disk (each line reaches the file as it ends): the program
// starts twice for every part.
#include <windows.h>

#include "ApplicationServices.h"
#include "BenchTimeline.h"
#include "Distribution.h"
#include "DistributionInfo.h"
#include "Part.h"
#include "ProgramStart.h"
#include "SystemMessage.h"
#include "TextHelpers.h"

namespace {

// Product states of a part after which the program is told the part was not installed before.
const int kStateUnknown = -1;
const int kStateBadConfig = -6;

// The post-processing program's path as configured; empty without a configuration.
CString PostProcessorPath(const CConfigInfo* config)
{
    return config ? config->GetDistributionInfo()->GetPostProcessorPath() : CString();
}

}  // namespace

CString CDistribution::GetPartHelperCommand(bool before, const CPart& part) const
{
    const CString path = PostProcessorPath(m_pConfig);
    const int state = part.GetProductState();
    const wchar_t* option
        = before ? L" /undo" : (state == kStateUnknown || state == kStateBadConfig ? L" /qnm" : L" /q");
    return CString(L"\"") + path + L"\"" + option;
}

void CDistribution::RunPartHelper(bool before, const CPart& part)
{
    const wchar_t* when = before ? L"pre-part" : L"post-part";
    const CString command = GetPartHelperCommand(before, part);
    AppServices().GetLogStream(kLogInfo, 0)
        << L"--- Starting ZKPie " << when << L": " << GetCurrentTimeText() << L" ---" << L'\n';
    AppServices().GetLogStream(kLogInfo | kLogDetail, 0) << L"Command: " << command << L'\n';
    BenchMark(L"helper-logged");

    OrbelToolbox::UniqueKernelHandle processHandle;
    OrbelToolbox::UniqueKernelHandle threadHandle;
    if (const DWORD error = StartProgram(command, processHandle, threadHandle)) {
        // The system's text may name the program ("%1"): it is the post-processing program.
        CString reason = SystemMessageText(error, 0, 0, PostProcessorPath(m_pConfig));
        reason.TrimRight();  // the system's text ends with a line break
        AppServices().GetLogStream(kLogInfo, 0) << L"--- ZKPie " << when << L" failed: " << reason << L" : "
                                                << GetCurrentTimeText() << L" ---" << L'\n';
        return;
    }
    BenchMark(L"helper-started");
    WaitForSingleObject(processHandle.Get(), INFINITE);
    BenchMark(L"helper-waited");
    AppServices().GetLogStream(kLogInfo, 0)
        << L"--- Finished ZKPie " << when << L": " << GetCurrentTimeText() << L" ---" << L'\n';
}
