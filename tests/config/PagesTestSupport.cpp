#include "PagesTestSupport.h"

#include <sstream>

#include "DialogInfo.h"
#include "DistributionInfo.h"
#include "InstallerErrors.h"

namespace pagestest {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string RectText(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + ","
        + std::to_string(rect.bottom);
}

std::wstring ListText(const IniErrorList& errors)
{
    std::wostringstream out;
    out << errors;
    return out.str();
}

PagesFixture::PagesFixture()
{
    testsupport::WriteFileBytes(m_dir.File(L"post.exe"), "post");
    testsupport::WriteFileBytes(m_dir.File(L"sysinfo.dll"), "sysinfo");
}

PagesFixture::~PagesFixture()
{
    Reset();
}

void PagesFixture::Reset()
{
    if (m_config) {
        m_config->FreeResourceModules();
        m_config.reset();
    }
}

CConfigInfo& PagesFixture::Configure(const std::string& more, const std::string& localization)
{
    Reset();
    const std::string custom = Narrow(testsupport::ModuleDir()) + "\\config_pages_custom.dll";
    const std::string languages
        = localization.empty() ? "Languages=1033\r\nCustomRes1033=" + custom + "\r\n" : localization;
    testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), testsupport::DistributionIni(languages, more));
    m_config.reset(new CConfigInfo);
    m_config->SetIniFile(m_dir.Path().c_str(), L"setup.ini");
    m_config->LoadLanguageResource();
    return *m_config;
}

std::wstring PagesFixture::Populate(const std::string& more)
{
    Configure(more);
    try {
        m_config->PopulateDialogInfo();
    } catch (const IniFileErrors& error) {
        return ListText(error.Argument<1>());
    }
    return L"";
}

HMODULE PagesFixture::CustomModule() const
{
    return m_config->GetDistributionInfo()->GetCustomResourceModule();
}

}  // namespace pagestest
