#include "InstallPagesFixture.h"

#include "FrameTestSupport.h"
#include "MsiInstallerError.h"
#include "WizardServicesImpl.h"
#include "resource.h"

namespace pagestest {

namespace {

PagesFixture* g_fixture = nullptr;

int WINAPI RecordBox(HWND, LPCWSTR text, LPCWSTR, UINT)
{
    g_fixture->script.boxes.push_back(text ? text : L"");
    return IDYES;
}

// A page that is simply shown: the feature page and the confirmation page of these tests.
class CPlainPage : public CNestedInstallerDialog {
public:
    CPlainPage(eDialogState state, CTopDialog* frame) : CNestedInstallerDialog(IDD_SINGLE_DIRECTORY_PAGE, state, frame)
    {
    }
    UINT GetTitleId() override { return 0; }
    UINT GetSubtitleId() override { return 0; }
};

}  // namespace

CString CScriptedDirectoryPage::GetTargetPath(const CString& property)
{
    auto it = m_script.targetPaths.find(property.GetString());
    if (it == m_script.targetPaths.end())
        throw MsiInstallerError(ERROR_DIRECTORY, nullptr);
    return CString(it->second.c_str());
}

bool CScriptedDirectoryPage::ValidateRow(DirectoryRow& row, const CString&, const CString&)
{
    m_script.checked.push_back(row.property.GetString());
    if (m_script.refused.count(row.property.GetString()))
        return false;
    CString text;
    row.edit.GetWindowText(text);
    m_script.targetPaths[row.property.GetString()] = text.GetString();
    return true;
}

class PagesFixture::Factory : public INestedInstallerDialogFactory {
public:
    Factory(eDialogState state, PagesFixture& fixture) : m_state(state), m_fixture(fixture) { }
    CNestedInstallerDialog* CreateDialog(CTopDialog* frame) override
    {
        switch (m_state) {
        case kInstallationTypeDialog:
            return new CScriptedTypePage(m_state, frame, m_fixture.script);
        case kSingleDirectoryDialog:
            return new CScriptedDirectoryPage(m_state, frame, m_fixture.script);
        default:
            return new CPlainPage(m_state, frame);
        }
    }

private:
    eDialogState m_state;
    PagesFixture& m_fixture;
};

std::string PagesFixture::StandardIni()
{
    return "[Graphics]\r\nTopBar=300\r\n[Dialogs]\r\nLicense=0\r\nLicense2=0\r\n"
           "[Installation Types]\r\nTypical\r\nCustom\r\nComplete\r\n"
           "[Typical]\r\nLabel=400\r\nText=401\r\nIcon=Typical\r\nLevel=3\r\n"
           "[Custom]\r\nLabel=402\r\nText=403\r\nIcon=Custom\r\nCustom=1\r\nLevel=0\r\n"
           "[Complete]\r\nLabel=404\r\nText=405\r\nIcon=Complete\r\nLevel=1000\r\n"
           "[SingleDirectoryDialog]\r\nDir1=INSTALLDIR\r\nDir1EditLabel=410\r\nDir2=DATADIR\r\nDir2EditLabel=411\r\n"
           "Dir3=HELPDIR\r\nDir3EditLabel=412\r\nDirText1=420\r\n";
}

std::string PagesFixture::IniWith(int types, int rows)
{
    const char* names[] = {"Typical", "Custom", "Complete"};
    std::string ini = "[Graphics]\r\nTopBar=300\r\n[Dialogs]\r\nLicense=0\r\nLicense2=0\r\n[Installation Types]\r\n";
    for (int i = 0; i < types; ++i)
        ini += std::string(names[i % 3]) + "\r\n";
    ini += "[Typical]\r\nLabel=400\r\nText=401\r\nIcon=Typical\r\nLevel=3\r\n"
           "[Custom]\r\nLabel=402\r\nText=403\r\nIcon=Custom\r\nCustom=1\r\nLevel=0\r\n"
           "[Complete]\r\nLabel=404\r\nText=405\r\nIcon=Complete\r\nLevel=1000\r\n"
           "[SingleDirectoryDialog]\r\nDirText1=420\r\n";
    for (int i = 1; i <= rows; ++i) {
        const std::string n = std::to_string(i);
        ini += "Dir" + n + "=DIR" + n + "\r\nDir" + n + "EditLabel=" + std::to_string(410 + (i - 1) % 3) + "\r\n";
    }
    return ini;
}

PagesFixture::PagesFixture(const std::set<int>& enabled, const std::string& ini)
    : m_savedBox(CNestedInstallerDialog::s_pfnMessageBoxW), m_savedPageBox(CSingleDirectoryDialog::s_pfnMessageBoxW)
{
    g_fixture = this;
    app.enabled = enabled;
    app.configInfo = &m_config;
    m_wizard.reset(new testsupport::ScopedWizardServices(&GetWizardServicesImpl()));
    testsupport::WriteFileBytes(m_dir.File(L"post.exe"), "post");
    testsupport::WriteFileBytes(m_dir.File(L"sysinfo.dll"), "sysinfo");
    const std::wstring module = testsupport::ModuleDir() + L"\\wizard_pages.dll";
    const std::string languages
        = "Languages=1033\r\nCustomRes1033=" + std::string(module.begin(), module.end()) + "\r\n";
    testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), testsupport::DistributionIni(languages, ini));
    m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
    m_config.LoadLanguageResource();
    m_config.PopulateDialogInfo();

    for (eDialogState state : {kSingleDirectoryDialog, kInstallationTypeDialog, kFeatureTreeDialog,
             kConfirmStartDialog}) {
        m_factories.emplace_back(new Factory(state, *this));
        CNestedInstallerDialog::DialogInfo& row = CNestedInstallerDialog::M_DialogInfoMap->at(state);
        m_savedFactories[state] = row.pFactory;
        row.pFactory = m_factories.back().get();
    }
    CNestedInstallerDialog::s_pfnMessageBoxW = &RecordBox;
    CSingleDirectoryDialog::s_pfnMessageBoxW = &RecordBox;
}

PagesFixture::~PagesFixture()
{
    m_frame.reset();
    m_winApp.m_pMainWnd = nullptr;
    for (const auto& saved : m_savedFactories)
        CNestedInstallerDialog::M_DialogInfoMap->at(saved.first).pFactory = saved.second;
    CNestedInstallerDialog::s_pfnMessageBoxW = m_savedBox;
    CSingleDirectoryDialog::s_pfnMessageBoxW = m_savedPageBox;
    m_config.FreeResourceModules();
    g_fixture = nullptr;
}

CTopDialog& PagesFixture::Show(bool visible)
{
    m_frame.reset(new CTopDialog(nullptr));
    m_winApp.m_pMainWnd = m_frame.get();
    m_frame->Create(0u, nullptr);
    m_frame->m_eStartState = static_cast<eDialogState>(*app.enabled.begin());
    m_frame->StartWizard();
    if (visible) {
        m_frame->CenterWindow();
        m_frame->ShowWindow(SW_SHOW);
        ::SetForegroundWindow(m_frame->m_hWnd);
    }
    Pump(200);
    return *m_frame;
}

eDialogState PagesFixture::CurrentState() const
{
    CNestedInstallerDialog* page = m_frame ? m_frame->GetCurrentPage() : nullptr;
    return page ? page->GetState() : kNoDialog;
}

CInstallationTypeDialog* PagesFixture::TypePage() const
{
    return dynamic_cast<CInstallationTypeDialog*>(m_frame->GetCurrentPage());
}

CSingleDirectoryDialog* PagesFixture::DirectoryPage() const
{
    return dynamic_cast<CSingleDirectoryDialog*>(m_frame->GetCurrentPage());
}

void PagesFixture::Click(UINT id)
{
    HWND button = ::GetDlgItem(m_frame->m_hWnd, static_cast<int>(id));
    m_frame->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void PagesFixture::Pump(DWORD ms)
{
    frametest::Pump(ms);
}

}  // namespace pagestest
