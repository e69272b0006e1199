// A distribution folder for the page-record tests: setup.ini written by the test around the
// custom module with the page texts and bitmaps (English), the language step run, the services
// of the layers above stood in for.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ConfigInfo.h"
#include "IniErrorList.h"
#include "ServiceStandIns.h"
#include "TestSupport.h"

namespace pagestest {

std::string Narrow(const std::wstring& text);

bool SameRect(const RECT& a, const RECT& b);
// "left,top,right,bottom", for failure messages.
std::string RectText(const RECT& rect);

// The text of an IniErrorList as IniFileErrors shows it.
std::wstring ListText(const IniErrorList& errors);

class PagesFixture {
public:
    PagesFixture();
    ~PagesFixture();
    PagesFixture(const PagesFixture&) = delete;
    PagesFixture& operator=(const PagesFixture&) = delete;

    // Writes setup.ini (English, the custom module of the tests) followed by `more` into the
    // folder and runs the language step on a fresh configuration.
    CConfigInfo& Configure(const std::string& more, const std::string& localization = "");
    // Configure, then the page records; the numbered list of the errors ("" without any).
    std::wstring Populate(const std::string& more);
    // The record of a page state, of class T (null when it is another class).
    template <class T> T* Page(int state)
    {
        CConfigInfo::DialogInfo* record = nullptr;
        if (!m_config || !m_config->GetDialogInfo(state, record))
            return nullptr;
        return dynamic_cast<T*>(record);
    }

    CConfigInfo& Config() { return *m_config; }
    const testsupport::TempDir& Dir() const { return m_dir; }
    // The custom module as the configuration loaded it.
    HMODULE CustomModule() const;

    testsupport::StandInServices services;
    testsupport::StandInWizardServices wizard;

private:
    void Reset();

    testsupport::ScopedWizardServices m_wizardScope{&wizard};
    testsupport::TempDir m_dir;
    testsupport::CurrentFolderGuard m_currentFolder;
    std::unique_ptr<CConfigInfo> m_config;
};

}  // namespace pagestest
