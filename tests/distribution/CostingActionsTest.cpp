// The costing of the merged session: the execute sequence walked up to InstallValidate with the
// actions the merged package must not run left out, and the installed copies of this
// distribution found among those the system-information component lists.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

#include "Distribution.h"
#include "ModelFixture.h"
#include "ModelTestSupport.h"
#include "MsiApi.h"

using modeltest::LoadedModel;
using modeltest::ModelTest;
using namespace modeltest::fixture;

namespace {

class CostingActionsTest : public ModelTest { };

std::vector<std::wstring> g_actions;
std::vector<std::wstring> g_messages;
decltype(MsiApiTable::MsiDoActionW) g_doAction = nullptr;
decltype(MsiApiTable::MsiProcessMessage) g_processMessage = nullptr;

UINT WINAPI RecordAction(MSIHANDLE session, LPCWSTR action)
{
    g_actions.push_back(action);
    return g_doAction(session, action);
}

int WINAPI RecordMessage(MSIHANDLE session, INSTALLMESSAGE type, MSIHANDLE record)
{
    wchar_t text[256] = L"";
    DWORD size = 256;
    MsiRecordGetStringW(record, 0, text, &size);
    g_messages.push_back(text);
    return g_processMessage(session, type, record);
}

std::wstring Join(const std::vector<std::wstring>& items)
{
    std::wstring text;
    for (const std::wstring& item : items)
        text += item + L" ";
    return text;
}

}  // namespace

// The actions run, in sequence order, with RemoveExistingProducts sequenced before InstallValidate:
// it is left out with a warning; InstallValidate runs unless the command line skips it, and the
// walk ends at its row either way.
TEST_F(CostingActionsTest, SequenceUpToInstallValidate)
{
    EditMerged(
        {L"INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveExistingProducts', 1390)"});
    for (bool skipValidate : {false, true}) {
        SCOPED_TRACE(skipValidate ? "InstallValidate skipped" : "InstallValidate run");
        m_app.SetSkipInstallValidate(skipValidate);
        LoadedModel loaded(m_dir, ModelIni());
        g_actions.clear();
        g_messages.clear();
        MsiApiOverride<decltype(MsiApiTable::MsiDoActionW)> actions(MsiApi().MsiDoActionW, &RecordAction);
        MsiApiOverride<decltype(MsiApiTable::MsiProcessMessage)> messages(MsiApi().MsiProcessMessage, &RecordMessage);
        g_doAction = actions.Previous();
        g_processMessage = messages.Previous();
        loaded.model.RunCostingActions();
        EXPECT_EQ(std::wstring(L"ValidateProductID CostInitialize FileCost CostFinalize ")
                + (skipValidate ? L"" : L"InstallValidate "),
            Join(g_actions));
        EXPECT_EQ(L"Warning!! Action Skipped: RemoveExistingProducts\r\n ", Join(g_messages));
    }
}

// The installed copies: this distribution's GUID in any letter case; the highest version (as a
// version, not as a text) gives the installed version and title, the first of equal ones stays;
// the same version only when the version texts are equal.
TEST_F(CostingActionsTest, InstalledCopiesOfThisDistribution)
{
    const wchar_t* const own = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AEE}";
    const wchar_t* const ownLower = L"{6d1f3b20-7a4c-4e5d-8b9a-0c1d2e3f4aee}";
    const wchar_t* const other = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A00}";
    using Installed = modeltest::FakeSystemInfoData::InstalledDistribution;
    struct Case {
        const char* name;
        std::vector<Installed> installed;
        const wchar_t* expected;  // detected, installed version and title, same version
    };
    const Case cases[] = {
        {"nothing installed", {}, L"NO|||NO"},
        {"another distribution", {{other, L"1.0.0.0", L"Other"}}, L"NO|||NO"},
        {"this one in other letter case", {{ownLower, L"1.0.0.0", L"Lower"}}, L"YES|1.0.0.0|Lower|YES"},
        {"a higher version first", {{own, L"2.0.0.0", L"Two"}, {own, L"1.5.0.0", L"OneFive"}}, L"YES|2.0.0.0|Two|NO"},
        {"a higher version later", {{own, L"9.0.0.0", L"Nine"}, {ownLower, L"10.0.0.0", L"Ten"}},
            L"YES|10.0.0.0|Ten|NO"},
        {"equal versions", {{own, L"3.0", L"First"}, {own, L"3.0.0.0", L"Second"}}, L"YES|3.0|First|NO"},
        {"the same version as another text", {{own, L"1.0", L"Short"}}, L"YES|1.0|Short|NO"},
        {"the same version after an older one",
            {{own, L"0.5.0.0", L"Old"}, {other, L"1.0.0.0", L"Other"}, {own, L"1.0.0.0", L"Same"}},
            L"YES|1.0.0.0|Same|YES"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modeltest::TestAppServices app;
        app.systemInfo.installedDistributions = c.installed;
        LoadedModel loaded(m_dir, ModelIni());
        loaded.model.RunCostingActions();
        std::wstring found;
        for (const wchar_t* name : {L"ZKTHISDISTRIBUTIONDETECTED", L"ZKTHISDISTRIBUTIONINSTALLEDVERSION",
                 L"ZKTHISDISTRIBUTIONINSTALLEDTITLE", L"ZKTHISDISTRIBUTIONSAMEVERSIONDETECTED"}) {
            CString value;
            loaded.model.GetProperty(name, value);
            found += (found.empty() ? L"" : L"|") + W(value);
        }
        EXPECT_EQ(c.expected, found);
    }
}
