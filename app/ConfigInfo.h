// The configuration model of setup: the INI file beside the program, the language modules and
// the page records.
//
// For now it holds only the page-record types that the page registry needs; reading the INI
// file, the language modules and the page records come with the configuration reader, and
// until then those operations stop the run with OperationAborted naming themselves.
#pragma once

#include <windows.h>

#include "CString.h"

class CConfigInfo {
public:
    // One page's configuration record (section of the INI file named after the page).
    class DialogInfo {
    public:
        explicit DialogInfo(const wchar_t* sectionName);
        virtual ~DialogInfo();
        const CString& GetSectionName() const { return m_strSectionName; }

    private:
        CString m_strSectionName;
    };

    // Creates a page's configuration record. Deleted through this interface by the page
    // factory that owns it, hence the virtual destructor.
    class IDialogConfigFactory {
    public:
        virtual ~IDialogConfigFactory() {}
        virtual DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* sectionName) = 0;
    };

    // The factories of the page-record kinds. All of them make plain records until the
    // configuration reader gives each kind its own record class.
    class DialogInfoFactory : public IDialogConfigFactory {
    public:
        DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* sectionName) override;
    };
    class WelcomeDialogInfoFactory : public DialogInfoFactory {};
    class UserInfoDialogInfoFactory : public DialogInfoFactory {};
    class SingleDirectoryDialogInfoFactory : public DialogInfoFactory {};
    class InstallTypeDialogInfoFactory : public DialogInfoFactory {};
    class LicenseDialogInfoFactory : public DialogInfoFactory {};
    class EndDialogInfoFactory : public DialogInfoFactory {};

    // The [MsiEngine] settings: the engine installers and the engine version required.
    struct InstallEngineInfo {
        CString m_strInstallerNT;
        CString m_strInstaller9x;
        CString m_strCommandLine;
        DWORD m_dwRequiredMS = 0;
        DWORD m_dwRequiredLS = 0;
    };

    CConfigInfo();
    virtual ~CConfigInfo();
    CConfigInfo(const CConfigInfo&) = delete;
    CConfigInfo& operator=(const CConfigInfo&) = delete;

    // Start-up steps of the configuration (null: not given on the command line).
    void SetIniFile(const wchar_t* rootDir, const wchar_t* iniFile);
    void PopulateMsiInfo();
    void LoadLanguageResource();
    void PopulateDialogInfo();
    // The [Dialogs] flag of a page (false outside 1 to 13).
    bool IsDialogShown(int state) const;

    InstallEngineInfo m_installEngineInfo;
};
