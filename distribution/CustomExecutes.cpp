// The custom executes: programs the distribution runs outside Windows Installer, described in
// the merged package's tables ZKCustomExecute, ZKCustomExecutePublish, ZKOrbelCustomExecute and
// ZKCustomExecuteProduct. They are collected once per install run with their conditions and
// command lines evaluated in the merged session, and launched (or recorded in the cache file)
// one kind at a time.
#include "Distribution.h"

#include <cwchar>
#include <map>
#include <vector>

#include "ApplicationServices.h"
#include "ConfigInfo.h"
#include "DialogState.h"
#include "EndDialogInfo.h"
#include "EndPageCheckbox.h"
#include "InstallerErrors.h"
#include "MessageBox.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "PrivateMessages.h"
#include "ProgramStart.h"
#include "TextHelpers.h"
#include "UniqueHandle.h"

namespace {

const char kSource[] = ".\\CustomExecutes.cpp";

// ZKCustomExecute.Attributes
const int kAttributeAsynchronous = 1;
const int kAttributeSilent = 2;
const int kAttributeBeforeParts = 4;
const int kAttributeEndWithProgress = 8;  // ignored with kAttributeBeforeParts

// ZKCustomExecute.CustomExecuteType: chosen by the end page's EndExecute list, or always collected.
const int kTypeEndPageList = 1;
const int kTypeAlways = 2;

// Words left in a command line by its formatting and replaced only at launch.
const wchar_t kRebootWord[] = L"ZKORBELREBOOT";
const wchar_t kCheckboxWord[] = L"ZKENDDLGCHECKBOXSTATE";

// The always-collected execute that goes to the front of the list.
const wchar_t kDriverSigningMarker[] = L"ZKDriverSigning";

// "Error %d: Failed to perform action %s."
const UINT kStartFailedText = 5010;
const wchar_t kStartFailedCaption[] = L"setup";

struct ExecuteAttributes {
    bool synchronous;
    bool silent;
    int kind;
};

ExecuteAttributes DecodeAttributes(int attributes)
{
    ExecuteAttributes decoded;
    decoded.synchronous = (attributes & kAttributeAsynchronous) == 0;
    decoded.silent = (attributes & kAttributeSilent) != 0;
    if (attributes & kAttributeBeforeParts)
        decoded.kind = CustomExecute::kBeforeParts;
    else if (attributes & kAttributeEndWithProgress)
        decoded.kind = CustomExecute::kEndWithProgress;
    else
        decoded.kind = CustomExecute::kEndPage;
    return decoded;
}

// The query with the type written in: an integer of this file, never a caller's text.
CString TypedQuery(const wchar_t* format, int type)
{
    CString query;
    query.Format(format, type);
    return query;
}

// A text formatted in the session as the only field of a record.
CString FormatInSession(const CString& text, MsiSmartPtr<MsiSession> session)
{
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(1);
    record->SetString(0, text);
    return record->FormatMfcString(session);
}

// Ordinal order of the UTF-16 code units.
struct OrdinalLess {
    bool operator()(const CString& a, const CString& b) const { return std::wcscmp(a, b) < 0; }
};

// A ZKCustomExecute row of the always-collected type.
struct AlwaysRow {
    CString name;
    CString commandLine;
    CString condition;
    CString special;
    int attributes;
};

// Waits for the program's primary thread while the calling thread's messages are handled, the
// window (when there is one) seeing each first. A WM_QUIT ends the wait and is posted again.
void WaitPumpingMessages(HANDLE thread, CWnd* window)
{
    for (;;) {
        bool quit = false;
        int quitCode = 0;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            if (!window || !window->PreTranslateMessage(&message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        if (quit) {
            PostQuitMessage(quitCode);
            return;
        }
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        // A handle the system cannot wait on would otherwise never end the wait.
        if (woken != WAIT_OBJECT_0 + 1)
            return;
    }
}

}  // namespace

CConfigInfo::EndDialogInfo* CDistribution::GetEndPageRecord() const
{
    CConfigInfo::DialogInfo* info = nullptr;
    if (!m_pConfig || !m_pConfig->GetDialogInfo(kEndDialog, info) || !info)
        return nullptr;
    return dynamic_cast<CConfigInfo::EndDialogInfo*>(info);
}

void CDistribution::CollectCustomExecutes()
{
    MsiSmartPtr<MsiDatabase> database = GetSession()->GetActiveDatabase();
    const bool hasExecutes = database->TableExists(L"ZKCustomExecute");

    // The end page's list: each name on its own, so that a failure skips only that name.
    if (CConfigInfo::EndDialogInfo* endPage = GetEndPageRecord()) {
        CString name;
        for (int index = 0; endPage->GetEndExecute(index, name); ++index) {
            try {
                bool found = false;
                if (hasExecutes) {
                    // The key goes in as a parameter: a quote in it cannot change the query.
                    MsiSmartPtr<MsiView> rows = database->OpenView(
                        TypedQuery(L"SELECT Name, CmdLineFormatted, Condition, Attributes FROM ZKCustomExecute "
                                   L"WHERE ZKExecutable=? AND CustomExecuteType=%d",
                            kTypeEndPageList));
                    rows->ExecuteWith(name);
                    if (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
                        found = true;
                        ExecuteAttributes attributes = DecodeAttributes(row->GetIntegerOrDefault(4, 0));
                        CString commandLine = row->GetMfcString(2);
                        bool holds = false;
                        PrepareCustomExecute(commandLine, CString(row->GetMfcString(3)), holds);
                        if (holds) {
                            // The first name is the one the end page's check box offers.
                            const bool checked = index == 0 && endPage->HasCheckbox();
                            if (checked)
                                attributes.kind = CustomExecute::kEndPage;
                            m_customExecutes.emplace_back(CString(row->GetMfcString(1)), commandLine,
                                attributes.synchronous, attributes.silent, attributes.kind, checked,
                                GetCustomExecuteProducts(*database, name));
                        }
                    }
                }
                if (!found && database->TableExists(L"ZKCustomExecutePublish")) {
                    MsiSmartPtr<MsiView> rows
                        = database->OpenView(L"SELECT ZKCustomExecutePublish.Name FROM ZKCustomExecutePublish "
                                             L"WHERE ZKCustomExecutePublish.ZKExecutable_=?");
                    rows->ExecuteWith(name);
                    if (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
                        CString commandLine;
                        bool given = false;
                        GetOrbelCustomExecuteCommand(name, commandLine, given);
                        if (given)
                            m_customExecutes.emplace_back(CString(row->GetMfcString(1)), commandLine, true, false,
                                CustomExecute::kEndPage, false, CString());
                    }
                }
            } catch (const MsiInstallerError&) {
                // A failing query leaves this name out; the others are still collected.
            } catch (const BadCondition&) {
                // So does a condition the engine cannot evaluate.
            }
        }
    }

    if (!hasExecutes)
        return;
    // Of several rows with one key the first read is kept; the rows are taken in key order.
    std::map<CString, AlwaysRow, OrdinalLess> byExecutable;
    MsiSmartPtr<MsiView> rows = database->OpenView(
        TypedQuery(L"SELECT Name, CmdLineFormatted, Condition, SpecialIdentifier, Attributes, ZKExecutable "
                   L"FROM ZKCustomExecute WHERE CustomExecuteType=%d",
            kTypeAlways));
    rows->Execute();
    while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
        AlwaysRow entry = {row->GetMfcString(1), row->GetMfcString(2), row->GetMfcString(3), row->GetMfcString(4),
            row->GetIntegerOrDefault(5, 0)};
        byExecutable.emplace(CString(row->GetMfcString(6)), entry);
    }
    for (auto& kept : byExecutable) {
        AlwaysRow& row = kept.second;
        const ExecuteAttributes attributes = DecodeAttributes(row.attributes);
        bool holds = false;
        PrepareCustomExecute(row.commandLine, row.condition, holds);
        if (!holds)
            continue;
        CustomExecute execute(row.name, row.commandLine, attributes.synchronous, attributes.silent, attributes.kind,
            false, GetCustomExecuteProducts(*database, kept.first));
        if (row.special == kDriverSigningMarker)
            m_customExecutes.push_front(execute);
        else
            m_customExecutes.push_back(execute);
    }
}

void CDistribution::PushFeatureStatesIfDirty()
{
    // Conditions on feature states see the user's choice.
    if (m_featureStatesDirty) {
        PushFeatureStatesToSession();
        m_featureStatesDirty = false;
    }
}

void CDistribution::PrepareCustomExecute(CString& commandLine, const CString& condition, bool& holds)
{
    PushFeatureStatesIfDirty();
    holds = false;
    MsiSmartPtr<MsiSession> session = GetSession();
    const MSICONDITION result = EvaluateSessionCondition(*session, condition);
    if (result != MSICONDITION_TRUE && result != MSICONDITION_NONE)
        return;
    holds = true;

    // A reference to one of these properties formats to the word itself, which the launch
    // replaces.
    if (commandLine.Find(kRebootWord) >= 0)
        session->SetProperty(kRebootWord, kRebootWord);
    CConfigInfo::EndDialogInfo* endPage = GetEndPageRecord();
    CheckboxInfo* checkbox = nullptr;
    if (endPage && endPage->GetCheckbox(checkbox) && checkbox) {
        const CString& stateProperty = checkbox->GetStateProperty();
        if (!stateProperty.IsEmpty() && commandLine.Find(stateProperty) >= 0)
            session->SetProperty(stateProperty, kCheckboxWord);
    }
    commandLine = FormatInSession(commandLine, session);
}

void CDistribution::GetOrbelCustomExecuteCommand(const wchar_t* executable, CString& commandLine, bool& given)
{
    PushFeatureStatesIfDirty();
    given = false;
    MsiSmartPtr<MsiSession> session = GetSession();
    // No existence check: without the table the view fails and the caller skips this name.
    MsiSmartPtr<MsiView> rows = session->GetActiveDatabase()->OpenView(
        L"SELECT ZKOrbelCustomExecute.Condition, ZKOrbelCustomExecute.CmdLineFormatted FROM ZKOrbelCustomExecute "
        L"WHERE ZKOrbelCustomExecute.ZKExecutable=?");
    rows->ExecuteWith(executable);
    MsiSmartPtr<MsiRecord> row = rows->Fetch();
    if (!row)
        return;
    const MSICONDITION result = EvaluateSessionCondition(*session, CString(row->GetMfcString(1)));
    if (result != MSICONDITION_TRUE && result != MSICONDITION_NONE)
        return;
    given = true;
    commandLine = FormatInSession(CString(row->GetMfcString(2)), session);
}

CString CDistribution::GetCustomExecuteProducts(MsiDatabase& database, const wchar_t* executable)
{
    if (!database.TableExists(L"ZKCustomExecuteProduct"))
        return CString();
    MsiSmartPtr<MsiView> rows
        = database.OpenView(L"SELECT ProductCode FROM ZKCustomExecuteProduct WHERE ZKExecutable=?");
    rows->ExecuteWith(executable);
    MsiSmartPtr<MsiRecord> row = rows->Fetch();
    return row ? CString(row->GetMfcString(1)) : CString();
}

CString CDistribution::ReplaceLaunchWords(const CString& commandLine, CWnd* window)
{
    CString text = commandLine;
    if (text.Find(kRebootWord) >= 0) {
        // Without a window the run is over: the exit code counts in the decision.
        const bool restart = AppServices().IsRebootRequired(window == nullptr);
        text.Replace(kRebootWord, restart ? L"1" : L"");
    }
    if (text.Find(kCheckboxWord) >= 0) {
        const wchar_t* state = L"";
        if (const IEndPageCheckbox* endPage = dynamic_cast<const IEndPageCheckbox*>(window)) {
            const int checkbox = endPage->GetCheckboxState();
            if (checkbox == IEndPageCheckbox::kCleared)
                state = L"0";
            else if (checkbox == IEndPageCheckbox::kChecked)
                state = L"1";
        }
        text.Replace(kCheckboxWord, state);
    }
    return text;
}

int CDistribution::LaunchExecutes(int kind, CWnd* window)
{
    const bool recordOnly = AppServices().IsCachingCustomExecutes() && kind == CustomExecute::kEndPage;
    const wchar_t* when = kind == CustomExecute::kBeforeParts ? L"pre" : L"end";
    bool launchedAny = false;

    for (const CustomExecute& execute : m_customExecutes) {
        if (!recordOnly && (execute.m_checkState == CustomExecute::kUnchecked || (!window && !execute.m_silent)))
            continue;
        // A kind outside the three takes them all. The end pass with progress takes its
        // asynchronous executes too: they are started and not waited for.
        const bool anyKind = kind < CustomExecute::kBeforeParts || kind > CustomExecute::kEndPage;
        if (!anyKind && execute.m_kind != kind)
            continue;
        const CString commandLine = ReplaceLaunchWords(execute.m_commandLine, window);

        if (recordOnly) {
            CacheAttributes attributes;
            attributes[L"name"] = execute.m_name;
            if (execute.m_checkState == CustomExecute::kChecked)
                attributes[L"checkState"] = L"checked";
            else if (execute.m_checkState == CustomExecute::kUnchecked)
                attributes[L"checkState"] = L"unchecked";
            if (execute.m_silent)
                attributes[L"silentMode"] = L"true";
            if (!execute.m_synchronous)
                attributes[L"synchronous"] = L"false";
            AppServices().AddCacheEntry(L"customExecute", attributes, commandLine);
            continue;
        }

        if (!launchedAny)
            AppServices().GetLogStream(kLogInfo, 0)
                << L"--- Starting launching " << when << L" executes: " << GetCurrentTimeText() << L" ---" << std::endl;
        launchedAny = true;
        if (window && execute.m_synchronous && execute.m_kind == CustomExecute::kEndWithProgress)
            window->SendMessage(WM_EXECUTE_STATUS, 0, reinterpret_cast<LPARAM>(execute.m_name.GetString()));

        OrbelToolbox::UniqueKernelHandle process;
        OrbelToolbox::UniqueKernelHandle thread;
        const DWORD error = StartProgram(commandLine, process, thread);
        if (error != 0) {
            CString text;
            text.Format(LoadResourceString(kStartFailedText), static_cast<int>(error), execute.m_name.GetString());
            if (window)
                g_pfnMessageBoxW(nullptr, text, kStartFailedCaption, MB_OK);
            AppServices().GetLogStream(kLogError, 0) << text << L" CmdLineFormatted : " << commandLine << std::endl;
            continue;
        }
        CString started;
        started.Format(L"Action %s was successfully launched.", execute.m_name.GetString());
        AppServices().GetLogStream(kLogError, 0) << started << std::endl;
        if (execute.m_synchronous)
            WaitPumpingMessages(thread.Get(), window);
    }

    AppServices().WriteCacheFile();
    // The end-execute page moves on when told, whatever this pass started.
    if (window && kind == CustomExecute::kEndWithProgress)
        window->SendMessage(WM_EXECUTES_DONE);
    if (launchedAny)
        AppServices().GetLogStream(kLogInfo, 0)
            << L"--- Finished launching " << when << L" executes: " << GetCurrentTimeText() << L" ---" << std::endl;
    return 0;
}

void CDistribution::DropExecutesOfPart(const wchar_t* productCode)
{
    const CString code = productCode ? productCode : L"";
    for (CustomExecute& execute : m_customExecutes) {
        if (execute.m_product.IsEmpty() || execute.m_product != code)
            continue;
        execute.m_checkState = CustomExecute::kUnchecked;
        CString line;
        line.Format(L"Removing Custom Execute %s because the part it originates from failed to install.",
            execute.m_name.GetString());
        AppServices().GetLogStream(kLogInfo, 0) << line << GetCurrentTimeText() << L" ---" << std::endl;
    }
}

bool CDistribution::HasCheckedExecute() const
{
    for (const CustomExecute& execute : m_customExecutes) {
        if (execute.m_checkState != CustomExecute::kNoCheckbox)
            return true;
    }
    return false;
}

void CDistribution::UncheckEndPageExecute()
{
    for (CustomExecute& execute : m_customExecutes) {
        if (execute.m_checkState == CustomExecute::kChecked) {
            execute.m_checkState = CustomExecute::kUnchecked;
            return;
        }
    }
}

int CDistribution::CountExecutesOfKind(int kind) const
{
    // Recorded to the cache file, the unchecked end-page executes are written too.
    const bool countUnchecked = kind == CustomExecute::kEndPage && AppServices().IsCachingCustomExecutes();
    int count = 0;
    for (const CustomExecute& execute : m_customExecutes) {
        if (execute.m_kind == kind && (countUnchecked || execute.m_checkState != CustomExecute::kUnchecked))
            ++count;
    }
    return count;
}
