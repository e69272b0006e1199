// The folder edit's check against the model of a sample distribution: the path's own check, the
// merged package's directory restrictions, the question after a refusal and its two answers,
// the target path, and the multibyte code page kept.
#include <gtest/gtest.h>

#include <windows.h>

#include <mbctype.h>

#include <string>
#include <vector>

#include "ModelFixture.h"
#include "PathEdit.h"

using namespace modeltest;

namespace {

// The message boxes asked, and the answer every one gets.
struct Question {
    std::wstring text, caption;
    UINT type;
};
std::vector<Question> g_questions;
int g_answer = IDNO;
int WINAPI AnswerBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type)
{
    g_questions.push_back({text, caption, type});
    return g_answer;
}

class PathEditTest : public ::testing::Test {
protected:
    PathEditTest() : m_box(g_pfnMessageBoxW, &AnswerBox)
    {
        CopyModelFiles(m_dir);
        Configure();
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        CString programFiles;
        m_model.GetProperty(L"ProgramFilesFolder", programFiles);
        m_velmo = W(programFiles) + L"Velmo";
        RECT rect = {0, 0, 300, 24};
        m_edit.CreateEx(0, L"EDIT", L"", WS_POPUP | ES_AUTOHSCROLL, rect, nullptr, 0);
        g_questions.clear();
    }
    ~PathEditTest() override { m_config.FreeResourceModules(); }

    void Configure()
    {
        testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), ModelIni());
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        m_config.PopulateMsiInfo();
        m_config.LoadLanguageResource();
        m_config.Populate();
    }
    std::wstring Text()
    {
        CString text;
        m_edit.GetWindowText(text);
        return W(text);
    }

    testsupport::CurrentFolderGuard m_currentFolder;
    testsupport::TempDir m_dir;
    TestAppServices m_app;
    CConfigInfo m_config;
    CDistribution m_model;
    testsupport::ScopedDistributionServices m_modelServices{&m_model};
    ScopedOverride<decltype(g_pfnMessageBoxW)> m_box;
    std::wstring m_velmo;
    CPathEdit m_edit;
};

}  // namespace

TEST_F(PathEditTest, FoldersAcceptedRefusedAndReset)
{
    const std::wstring elsewhere = L"C:\\Elsewhere";
    const std::wstring under = m_velmo + L"\\Not Yet There";
    const struct {
        const char* name;
        std::wstring text;
        bool ask;
        int answer;
        bool accepted;
        std::wstring shown;     // the control's text afterwards
        std::wstring question;  // the box's text, empty when none was asked
    } cases[] = {
        {"a folder that does not exist yet under the restriction", under, true, IDNO, true, under, L""},
        {"refused by the restriction, no question", elsewhere, false, IDNO, false, elsewhere, L""},
        {"refused, Yes: the previous folder back", elsewhere, true, IDYES, true, L"C:\\Previous",
            L"Choose a folder under Velmo.\nReset path to previous value?"},
        {"refused, No: left for correction", elsewhere, true, IDNO, false, elsewhere,
            L"Choose a folder under Velmo.\nReset path to previous value?"},
        {"a path of no valid form", L"relative\\folder", true, IDNO, false, L"relative\\folder", L"*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_questions.clear();
        g_answer = c.answer;
        m_edit.SetPath(c.text.c_str());
        EXPECT_EQ(c.accepted, m_edit.ValidateAndAccept(m_model, L"INSTALLDIR", L"C:\\Previous", L"Setup", c.ask));
        EXPECT_EQ(c.shown, Text());
        if (c.question.empty()) {
            EXPECT_TRUE(g_questions.empty());
            continue;
        }
        ASSERT_EQ(1u, g_questions.size());
        EXPECT_EQ(L"Setup", g_questions[0].caption);
        EXPECT_EQ(UINT(MB_YESNO | MB_ICONWARNING), g_questions[0].type);
        if (c.question == L"*")  // the path check's own message
            EXPECT_NE(std::wstring::npos, g_questions[0].text.find(L"\nReset path to previous value?"));
        else
            EXPECT_EQ(c.question, g_questions[0].text);
        if (c.answer == IDNO) {
            DWORD start = 1, end = 0;
            m_edit.SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            EXPECT_EQ(0u, start);
            EXPECT_EQ(c.text.size(), end);
        }
    }
}

TEST_F(PathEditTest, AnAcceptedFolderBecomesTheTargetPathOnlyWhenAsked)
{
    RunCosting(*m_model.GetSession());  // target paths need the costing actions
    const std::wstring folder = m_velmo + L"\\Chosen\\";
    CString before;
    m_model.GetTargetPath(L"INSTALLDIR", before);
    m_edit.SetPath(folder.c_str());
    EXPECT_TRUE(m_edit.ValidateAndAccept(m_model, L"INSTALLDIR", L"", L"Setup", false));
    CString target;
    m_model.GetTargetPath(L"INSTALLDIR", target);
    EXPECT_EQ(W(before), W(target));
    EXPECT_TRUE(m_edit.Validate(m_model, L"INSTALLDIR", L"", L"Setup", false, true));
    m_model.GetTargetPath(L"INSTALLDIR", target);
    EXPECT_EQ(0, target.CompareNoCase(folder.c_str())) << W(target);
}

TEST_F(PathEditTest, TheMultibyteCodePageIsKept)
{
    const int previous = _getmbcp();
    _setmbcp(932);
    for (const wchar_t* path : {L"C:\\Elsewhere", L"no form", L"C:\\a<b"}) {
        m_edit.SetPath(path);
        m_edit.ValidateAndAccept(m_model, L"INSTALLDIR", L"", L"Setup", false);
        EXPECT_EQ(932, _getmbcp()) << std::wstring(path).size();
    }
    _setmbcp(previous);
}
