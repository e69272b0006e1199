// The install run: every part with an action installed, changed or removed in a fixed order,
// with the executes that come before the parts, the post-processing program around each part,
// the volumes found (or asked for) as the parts need them, and the parts' results merged into
// one result and a restart state.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "ApplicationServices.h"
#include "BenchTimeline.h"
#include "Distribution.h"
#include "DistributionInfo.h"
#include "InstallProgressPage.h"
#include "InstallerErrors.h"
#include "LinkedDistributionInfo.h"
#include "Part.h"
#include "PartInfo.h"
#include "PathHelpers.h"
#include "PrivateMessages.h"
#include "TextHelpers.h"
#include "UiMode.h"
#include "WizardServices.h"

static const char kSource[] = "InstallRun";

namespace {

// The installer engine's own family: its part always goes first.
const wchar_t kEngineUpgradeCode[] = L"{5B0CB826-E499-4E6B-94F0-75B6327ED934}";

// The results the run ranks, in rising order; any other code ranks above them.
const UINT kRankedResults[]
    = {ERROR_SUCCESS, ERROR_SUCCESS_REBOOT_REQUIRED, ERROR_SUCCESS_REBOOT_INITIATED, ERROR_INSTALL_USEREXIT};
const int kUnrankedResult = 4;

// Answers of the progress page to a failed part.
const LRESULT kAnswerRetry = 4;
const LRESULT kAnswerContinue = 6;
const LRESULT kAnswerOk = 1;

bool IsRestartResult(UINT result)
{
    return result == ERROR_SUCCESS_REBOOT_REQUIRED || result == ERROR_SUCCESS_REBOOT_INITIATED;
}

}  // namespace

UINT CDistribution::InstallWithProgress(
    CWnd* page, INSTALLUI_HANDLERW handler, DWORD messageFilter, void* handlerContext)
{
    m_progressPage = dynamic_cast<IInstallProgressPage*>(page);
    InstallContext context;
    context.handler = handler;
    context.messageFilter = messageFilter;
    context.handlerContext = handlerContext;
    context.page = page;
    return Install(kInstallWithProgress, context);
}

UINT CDistribution::InstallWithWindow(CWnd* window)
{
    m_progressPage = dynamic_cast<IInstallProgressPage*>(window);
    InstallContext context;
    context.page = window;
    return Install(kInstallWithWindow, context);
}

UINT CDistribution::InstallSilently()
{
    return Install(kInstallSilently, InstallContext());
}

int CDistribution::RankInstallResult(UINT code)
{
    const UINT* end = kRankedResults + sizeof(kRankedResults) / sizeof(kRankedResults[0]);
    const UINT* found = std::find(kRankedResults, end, code);
    return found == end ? kUnrankedResult : static_cast<int>(found - kRankedResults);
}

bool CDistribution::IsSuccessResult(UINT code)
{
    return code == ERROR_SUCCESS || IsRestartResult(code);
}

void CDistribution::MergeInstallResult(UINT& overall, UINT code)
{
    if (RankInstallResult(overall) < RankInstallResult(code))
        overall = code;
}

void CDistribution::SnapshotLinkedProperties()
{
    const CConfigInfo::LinkedDistributionInfo* linked = m_pConfig ? m_pConfig->GetLinkedDistributionInfo() : nullptr;
    if (!linked || linked->GetCount() == 0)
        return;
    for (const CString& name : linked->GetProperties()) {
        if (m_linkedProperties.count(name))
            continue;
        CString value;
        GetProperty(name, value);
        m_linkedProperties.emplace(name, value);
    }
}

std::vector<size_t> CDistribution::OrderInstall(const std::vector<InstallOrderKey>& keys)
{
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(
        order.begin(), order.end(), [&keys](size_t a, size_t b) { return keys[a].volume < keys[b].volume; });

    // Other vendors' parts placed first go to the front (the last found ends up first), those
    // placed last to the back; each moves once. Placed first wins over placed last.
    std::vector<bool> moved(keys.size(), false);
    for (size_t position = 0; position < order.size();) {
        const size_t part = order[position];
        const InstallOrderKey& key = keys[part];
        if (moved[part] || !key.thirdParty || (!key.placedFirst && !key.placedLast)) {
            ++position;
            continue;
        }
        order.erase(order.begin() + static_cast<std::ptrdiff_t>(position));
        if (key.placedFirst)
            order.insert(order.begin(), part);
        else
            order.push_back(part);
        moved[part] = true;
    }

    auto engine = std::find_if(order.begin(), order.end(), [&keys](size_t part) { return keys[part].engine; });
    if (engine != order.end()) {
        const size_t part = *engine;
        order.erase(engine);
        order.insert(order.begin(), part);
    }
    return order;
}

void CDistribution::OrderInstallList(std::vector<CPart*>& parts)
{
    std::vector<InstallOrderKey> keys;
    for (const CPart* part : parts) {
        InstallOrderKey key;
        key.volume = part->GetPartInfo()->GetVolume();
        key.thirdParty = part->IsThirdPartyInstaller();
        key.placedFirst = key.thirdParty && part->Has3rdPartyEntryFirst();
        key.placedLast = key.thirdParty && part->Has3rdPartyEntryLast();
        key.engine = part->GetUpgradeCode() == kEngineUpgradeCode;
        keys.push_back(key);
    }
    std::vector<CPart*> ordered;
    for (size_t index : OrderInstall(keys))
        ordered.push_back(parts[index]);
    parts.swap(ordered);
}

void CDistribution::AnnounceInstallRun()
{
    if (!m_distributionInfo)
        return;
    try {
        if (IsOdwBuiltDistribution())
            CheckSysInfo(m_distributionInfo->PutOdwBuilt(-1));
        CheckSysInfo(m_distributionInfo->Update());
    } catch (const SysInfoComError&) {
        // The description is informational; the run goes on without it.
    }
}

bool CDistribution::FindVolume(int volume, HWND questionWindow, UINT& partResult)
{
    DistributionVolume& record = GetVolume(static_cast<unsigned int>(volume));
    CString first;
    CString second;
    record.ResolvePaths(first, second);
    std::unique_ptr<IMediaPrompt> prompt(
        WizardServices().CreateSpannedPrompt(*m_pConfig->GetDistributionInfo(), volume, first));
    if (!prompt->IsMediaPresent()) {
        prompt->SetPath(second);
        if (!prompt->IsMediaPresent()) {
            if (!questionWindow)
                return false;
            if (SendMessageW(questionWindow, WM_RUN_MEDIA_PROMPT, reinterpret_cast<WPARAM>(prompt.get()), 0)
                == IDCANCEL) {
                partResult = ERROR_INSTALL_USEREXIT;
                return true;
            }
        }
    }
    // Stored with its backslash: package paths on this volume are joined to it.
    m_currentRootPath = prompt->GetPath();
    AddTrailingBackslash(m_currentRootPath);
    m_currentVolume = volume;
    if (m_distributionInfo) {
        CheckSysInfo(m_distributionInfo->PutRootPath(volume, SysInfoText(m_currentRootPath).Get()));
        CheckSysInfo(m_distributionInfo->Update());
    }
    return true;
}

UINT CDistribution::InstallPart(CPart& part, int mode, const InstallContext& context)
{
    switch (mode) {
    case kInstallWithWindow:
        return part.InstallWithBasicUI(*this, context.page ? context.page->GetSafeHwnd() : nullptr);
    case kInstallWithProgress:
        return part.InstallWithExternalUI(*this, context.handler, context.messageFilter, context.handlerContext);
    default:
        return part.InstallSilently(*this);
    }
}

UINT CDistribution::Install(int mode, const InstallContext& context)
{
    std::vector<CPart*> parts;
    PopulateProductInstallInfo(parts);
    CollectCustomExecutes();
    m_nRebootState = 0;
    SnapshotLinkedProperties();
    AnnounceInstallRun();
    // No session on the merged package stays open while the packages install.
    m_pConfig->GetMergedPartInfo()->ReleaseSession();
    m_installerLog.Start(AppServices().GetLogModeFlags(), AppServices().GetLogFileOptions());
    OrderInstallList(parts);
    LaunchExecutes(CustomExecute::kBeforeParts, context.page);
    BenchMark(L"install-prepared");

    const HWND questionWindow = context.page ? context.page->GetSafeHwnd() : nullptr;
    m_currentPartNumber = 1;
    m_currentVolume = 1;
    bool stop = false;
    UINT overall = ERROR_SUCCESS;
    for (size_t position = 0; position < parts.size() && !stop;) {
        CPart& part = *parts[position];
        UINT result = ERROR_SUCCESS;

        const int volume = part.GetPartInfo()->GetVolume();
        if (volume != m_currentVolume && !FindVolume(volume, questionWindow, result)) {
            MergeInstallResult(overall, ERROR_INSTALL_FAILURE);
            stop = true;
            break;
        }

        if (result != ERROR_INSTALL_USEREXIT) {
            RunPartHelper(true, part);
            BenchMark(L"helper-before", m_currentPartNumber);
            m_currentPart = &part;
            try {
                result = InstallPart(part, mode, context);
            } catch (...) {
                m_installerLog.Drain();
                throw;
            }
            m_installerLog.Drain();
            BenchMark(L"part-installed", m_currentPartNumber);
        }
        if (!IsSuccessResult(result))
            DropExecutesOfPart(part.GetProductCode());

        bool next = true;
        if (IsRestartResult(result)) {
            m_nRebootState = 1;
        } else if (result == ERROR_INSTALL_USEREXIT) {
            if (questionWindow
                && SendMessageW(questionWindow, WM_QUERY_CANCEL_ALL, 0,
                       reinterpret_cast<LPARAM>(part.GetProductName().GetString()))
                    != 0) {
                stop = true;
                next = false;
            }
        } else if (result != ERROR_SUCCESS && questionWindow) {
            const LRESULT answer = SendMessageW(
                questionWindow, WM_PART_ERROR, result, reinterpret_cast<LPARAM>(part.GetProductName().GetString()));
            if (answer == kAnswerRetry) {
                RunPartHelper(false, part);
                continue;
            }
            if (answer != kAnswerOk && answer != kAnswerContinue) {
                stop = true;
                next = false;
            }
        }

        MergeInstallResult(overall, result);
        if (!stop) {
            RunPartHelper(false, part);
            BenchMark(L"helper-after", m_currentPartNumber);
        }
        if (next) {
            ++position;
            ++m_currentPartNumber;
        }
    }

    m_currentPart = nullptr;
    m_installerLog.Stop();
    if (!AppServices().CheckInstalledVersionKeys()) {
        if (RankInstallResult(overall) < RankInstallResult(ERROR_CANCELLED))
            overall = ERROR_CANCELLED;
    } else if (!stop && AppServices().GetUiMode() == UiFull) {
        const UINT linked = RunLinkedDistributions(mode, context);
        if (IsRestartResult(linked))
            m_nRebootState = 1;
        MergeInstallResult(overall, linked);
    }
    return overall;
}
