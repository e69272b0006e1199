// The wizard frame over the program's page registry with the installation-type page (5) and the
// destination-directory page (4) whose work on the distribution the test answers and records,
// plain stand-ins for the feature page (6) and the confirmation page (10), and a configuration of
// the test's own (installation types, directory rows and a banner).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "InstallationTypeDialog.h"
#include "ServiceStandIns.h"
#include "SingleDirectoryDialog.h"
#include "TestSupport.h"
#include "TopDialog.h"
#include "WinApp.h"

namespace pagestest {

// What the pages asked of the distribution, and what it answers.
struct DistributionScript {
    std::vector<int> levels;    // install levels set by the type page
    int costings = 0;
    UINT cost = 0;              // the disk cost's result
    int dialogs = 0;            // disk-cost dialogs run
    std::function<INT_PTR(CWnd&)> dialog = [](CWnd&) -> INT_PTR { return 0; };
    int reapplies = 0;          // install level applied again by the directory page
    std::map<std::wstring, std::wstring> targetPaths;  // a missing directory throws
    std::vector<std::wstring> checked;  // rows checked, by property
    std::set<std::wstring> refused;     // rows whose check refuses
    std::vector<std::wstring> boxes;    // "Developer Error" boxes
    std::vector<std::wstring> browsed;  // folder pickers opened, by start folder
    bool browseChooses = false;         // the picker's answer: OK with `browseChoice`, or Cancel
    std::wstring browseChoice;
};

class CScriptedTypePage : public CInstallationTypeDialog {
public:
    CScriptedTypePage(eDialogState state, CTopDialog* frame, DistributionScript& script)
        : CInstallationTypeDialog(state, frame), m_script(script)
    {
    }

protected:
    void SetInstallLevel(int level) override { m_script.levels.push_back(level); }
    UINT ComputeDiskCost() override
    {
        ++m_script.costings;
        return m_script.cost;
    }
    INT_PTR RunDiskCostDialog() override
    {
        ++m_script.dialogs;
        return m_script.dialog(*this);
    }

private:
    DistributionScript& m_script;
};

class CScriptedDirectoryPage : public CSingleDirectoryDialog {
public:
    CScriptedDirectoryPage(eDialogState state, CTopDialog* frame, DistributionScript& script)
        : CSingleDirectoryDialog(state, frame), m_script(script)
    {
    }

protected:
    CString GetTargetPath(const CString& property) override;
    bool ValidateRow(DirectoryRow& row, const CString& previousPath, const CString& caption) override;
    void ReapplyInstallLevel() override { ++m_script.reapplies; }
    bool BrowseForFolder(const CString& start, CString& chosen) override
    {
        m_script.browsed.push_back(start.GetString());
        chosen = m_script.browseChoice.c_str();
        return m_script.browseChooses;
    }

private:
    DistributionScript& m_script;
};

// The application's answers: only the pages the test enables are shown.
class PagesServices : public testsupport::StandInApplicationServices {
public:
    bool IsDialogEnabled(int state, bool, bool) override { return enabled.count(state) != 0; }
    std::set<int> enabled;
};

class PagesFixture {
public:
    // Only the `enabled` pages are shown; `ini` is the configuration after its distribution
    // sections (the pages' own sections).
    PagesFixture(const std::set<int>& enabled, const std::string& ini);
    ~PagesFixture();

    // The standard configuration: Typical (level 3), Custom (custom, level 0), Complete (level
    // 1000); rows INSTALLDIR, DATADIR, HELPDIR under an explanatory text; a banner.
    static std::string StandardIni();
    // The configuration with `types` lines in [Installation Types] (the three types repeated)
    // and `rows` directory rows (DIR1, DIR2...).
    static std::string IniWith(int types, int rows);

    // Creates the frame (shown when `visible`); it shows the first enabled page.
    CTopDialog& Show(bool visible);
    CTopDialog& Frame() { return *m_frame; }
    eDialogState CurrentState() const;
    CInstallationTypeDialog* TypePage() const;
    CSingleDirectoryDialog* DirectoryPage() const;
    void Click(UINT id);
    // Dispatches the thread's messages through the pre-translation for `ms`.
    static void Pump(DWORD ms);

    DistributionScript script;
    PagesServices app;

private:
    class Factory;
    testsupport::ScopedApplicationServices m_appScope{&app};
    testsupport::StandInDistributionServices m_distribution;
    testsupport::ScopedDistributionServices m_distributionScope{&m_distribution};
    std::unique_ptr<testsupport::ScopedWizardServices> m_wizard;
    testsupport::TempDir m_dir;
    CConfigInfo m_config;
    CWinApp m_winApp;
    std::map<eDialogState, INestedInstallerDialogFactory*> m_savedFactories;
    std::vector<std::unique_ptr<Factory>> m_factories;
    std::unique_ptr<CTopDialog> m_frame;
    int(WINAPI* m_savedBox)(HWND, LPCWSTR, LPCWSTR, UINT);
    int(WINAPI* m_savedPageBox)(HWND, LPCWSTR, LPCWSTR, UINT);
};

}  // namespace pagestest
