// MsiSession on the fixture package.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>

#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiTestSupport.h"

using msitest::FixturePath;
using msitest::MsiErrorCode;
using msitest::Str;

namespace {

class MsiSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr); }
    void SetUp() override { session = MsiSession::OpenPackage(FixturePath().c_str()); }
    MsiSmartPtr<MsiSession> session;
};

int g_activeDatabaseCalls = 0;
MSIHANDLE WINAPI CountingActiveDatabase(MSIHANDLE h)
{
    ++g_activeDatabaseCalls;
    return MsiGetActiveDatabase(h);
}

int g_closeCalls = 0;
UINT WINAPI CountingClose(MSIHANDLE)
{
    ++g_closeCalls;
    return 0;
}

int g_answer = 0;
std::wstring g_message;
int WINAPI FakeProcessMessage(MSIHANDLE, INSTALLMESSAGE, MSIHANDLE record)
{
    wchar_t buffer[256] = {0};
    DWORD n = 256;
    MsiRecordGetStringW(record, 0, buffer, &n);
    g_message = buffer;
    return g_answer;
}

UINT WINAPI FakeValidStates(MSIHANDLE, LPCWSTR, LPDWORD states)
{
    *states = (1 << INSTALLSTATE_LOCAL) | (1 << INSTALLSTATE_ABSENT);
    return 0;
}

UINT WINAPI FailingAction(MSIHANDLE, LPCWSTR)
{
    return ERROR_INSTALL_USEREXIT;
}

}  // namespace

TEST_F(MsiSessionTest, Properties)
{
    EXPECT_EQ(L"sample value", Str(session->GetMfcProperty(L"VELMOSAMPLE")));
    EXPECT_EQ(L"", Str(session->GetMfcProperty(L"VELMONOTSET")));
    session->SetProperty(L"VELMOSET", L"abc");
    session->SetIntegerProperty(L"VELMOINT", -12);
    EXPECT_EQ(L"abc", Str(session->GetMfcProperty(L"VELMOSET")));
    EXPECT_EQ(L"-12", Str(session->GetMfcProperty(L"VELMOINT")));
    std::wstring longValue(700, L'v');
    session->SetProperty(L"VELMOLONG", longValue.c_str());
    EXPECT_EQ(longValue, Str(session->GetMfcProperty(L"VELMOLONG")));
    EXPECT_EQ(L"x sample value y", Str(session->FormatString(L"x [VELMOSAMPLE] y")));
}

TEST_F(MsiSessionTest, TargetPathBeforeAndAfterCosting)
{
    EXPECT_NE(~0u, MsiErrorCode([&] { session->GetMfcTargetPath(L"INSTALLDIR"); }));
    session->DoAction(L"CostInitialize");
    session->DoAction(L"FileCost");
    session->DoAction(L"CostFinalize");
    std::wstring path = Str(session->GetMfcTargetPath(L"INSTALLDIR"));
    EXPECT_NE(std::wstring::npos, path.find(L"VelmoLayer\\")) << path;
    EXPECT_NE(~0u, MsiErrorCode([&] { session->GetMfcTargetPath(L"NOSUCHDIR"); }));
    session->SetTargetPath(L"INSTALLDIR", L"C:\\VelmoElsewhere\\");
    EXPECT_EQ(L"C:\\VelmoElsewhere\\", Str(session->GetMfcTargetPath(L"INSTALLDIR")));

    session->SetInstallLevel(1);
    session->SetFeatureState(L"Main", INSTALLSTATE_ABSENT);
    EXPECT_EQ(INSTALLSTATE_ABSENT, session->GetFeatureActionState(L"Main"));
    EXPECT_NE(~0u, MsiErrorCode([&] { session->GetFeatureActionState(L"NoFeature"); }));
    EXPECT_NE(~0u, MsiErrorCode([&] { session->GetComponentActionState(L"NoComponent"); }));
    session->GetComponentInstalledState(L"MainComponent");
}

TEST_F(MsiSessionTest, Conditions)
{
    EXPECT_EQ(MSICONDITION_TRUE, session->EvaluateCondition(L"VELMOSAMPLE=\"sample value\""));
    EXPECT_EQ(MSICONDITION_FALSE, session->EvaluateCondition(L"VELMOSAMPLE=\"other\""));
    EXPECT_EQ(MSICONDITION_NONE, session->EvaluateCondition(L""));
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_PARAMETER), MsiErrorCode([&] { session->EvaluateCondition(L"((("); }));
}

TEST_F(MsiSessionTest, ActiveDatabase)
{
    MsiSmartPtr<MsiDatabase> db = session->GetActiveDatabase();
    EXPECT_TRUE(db->TableExists(L"ZKUniqueA"));

    MsiApiOverride<decltype(MsiApiTable::MsiGetActiveDatabase)> o(
        MsiApi().MsiGetActiveDatabase, &CountingActiveDatabase);
    g_activeDatabaseCalls = 0;
    MsiSmartPtr<MsiSession> plain(new MsiSession);
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_PARAMETER), MsiErrorCode([&] { plain->GetActiveDatabase(); }));
    EXPECT_EQ(0, g_activeDatabaseCalls);
}

TEST_F(MsiSessionTest, ValidStatesAndFailingActionsThroughTheSeam)
{
    {
        MsiApiOverride<decltype(MsiApiTable::MsiGetFeatureValidStatesW)> o(
            MsiApi().MsiGetFeatureValidStatesW, &FakeValidStates);
        EXPECT_EQ(static_cast<DWORD>((1 << 3) | (1 << 2)), session->GetFeatureValidStates(L"Main"));
    }
    MsiApiOverride<decltype(MsiApiTable::MsiDoActionW)> o(MsiApi().MsiDoActionW, &FailingAction);
    EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_USEREXIT), MsiErrorCode([&] { session->DoAction(L"Any"); }));
}

TEST_F(MsiSessionTest, MessagesDropEveryAnswerButMinusOne)
{
    MsiApiOverride<decltype(MsiApiTable::MsiProcessMessage)> o(MsiApi().MsiProcessMessage, &FakeProcessMessage);
    g_answer = IDCANCEL;
    session->Message(INSTALLMESSAGE_INFO, L"%s=%d", L"value", 5);
    EXPECT_EQ(L"value=5", g_message);
    session->Log(L"");
    EXPECT_EQ(L"", g_message);
    g_answer = -1;
    EXPECT_EQ(static_cast<UINT>(-1), MsiErrorCode([&] { session->Log(L"x"); }));
    g_answer = 0;
}

TEST_F(MsiSessionTest, RealMessageToTheEngine)
{
    session->Log(L"Velmo log line %d", 1);
}

TEST(MsiSession, WrappedHandlesAndDescriptions)
{
    MSIHANDLE h = 0;
    ASSERT_EQ(0u, MsiOpenPackageW(FixturePath().c_str(), &h));
    {
        MsiApiOverride<decltype(MsiApiTable::MsiCloseHandle)> o(MsiApi().MsiCloseHandle, &CountingClose);
        g_closeCalls = 0;
        {
            MsiSmartPtr<MsiSession> borrowed = MsiSession::FromHandle(h, false);
            MsiHeapString text;
            EXPECT_EQ(L"MsiSession Object opened on (on active MSI)", Str(borrowed->Describe(text)));
            EXPECT_EQ(L"sample value", Str(borrowed->GetMfcProperty(L"VELMOSAMPLE")));
        }
        EXPECT_EQ(0, g_closeCalls);
        {
            MsiSmartPtr<MsiSession> owned = MsiSession::FromHandle(h, true);
        }
        EXPECT_EQ(1, g_closeCalls);
    }
    MsiCloseHandle(h);

    MsiSession plain;
    MsiHeapString text;
    EXPECT_EQ(L"MsiSession Object", Str(plain.Describe(text)));
    EXPECT_NE(~0u, MsiErrorCode([] { MsiSession::OpenPackage(L"C:\\velmo\\missing.msi"); }));
}

TEST(MsiSession, InstallStateNames)
{
    struct Case {
        int state;
        const wchar_t* name;
    } cases[]
        = {{-7, L"NotUsed"}, {-2, L"InvalidArgument"}, {0, L"Broken"}, {1, L"Advertised or Removed"}, {3, L"Local"},
            {5, L"Default"}, {6, L"Unrecognized INSTALLSTATE Value"}, {-8, L"Unrecognized INSTALLSTATE Value"}};
    for (const Case& c : cases)
        EXPECT_STREQ(c.name, GetInstallStateName(static_cast<INSTALLSTATE>(c.state))) << c.state;
}
