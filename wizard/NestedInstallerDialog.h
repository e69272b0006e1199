// Wizard pages and the page registry.
//
// Every page registers itself, from a global factory constructed before the program's main
// function, in the registry `M_DialogInfoMap`: page state -> (page factory, configuration
// section name, configuration-record factory, user-interface mode mask). The frame creates a
// page through the registry the first time it shows it; the configuration asks it for every
// page's configuration record.
//
// The page window itself (banner, buttons, page protocol) comes with the wizard frame; until
// then a page is an object that knows its state and its frame.
#pragma once

#include <windows.h>

#include <map>

#include "ConfigInfo.h"
#include "DialogState.h"
#include "UiMode.h"

// The pages' CreateDialog members, not the API macro (which stands for CreateDialogParamW).
#undef CreateDialog

class CTopDialog;
class CNestedInstallerDialog;

// Creates the page of one state.
class INestedInstallerDialogFactory {
public:
    virtual ~INestedInstallerDialogFactory() { }
    virtual CNestedInstallerDialog* CreateDialog(CTopDialog* frame) = 0;
};

class CNestedInstallerDialog {
public:
    // One registry row.
    struct DialogInfo {
        INestedInstallerDialogFactory* pFactory;            // not owned
        const wchar_t* pszName;                             // the configuration section
        CConfigInfo::IDialogConfigFactory* pConfigFactory;  // owned by the page factory
        unsigned int nModeMask;                             // user-interface modes of the page
    };
    typedef std::map<eDialogState, DialogInfo> DialogInfoMap;

    CNestedInstallerDialog(UINT nIDTemplate, eDialogState state, CTopDialog* frame);
    virtual ~CNestedInstallerDialog();
    CNestedInstallerDialog(const CNestedInstallerDialog&) = delete;
    CNestedInstallerDialog& operator=(const CNestedInstallerDialog&) = delete;

    eDialogState GetState() const { return m_state; }
    CTopDialog* GetFrame() const { return m_pFrame; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

    // Registry operations.
    // Creates the map on first use; a state already present keeps its first row.
    static void Register(eDialogState state, INestedInstallerDialogFactory* factory, unsigned int modeMask,
        const wchar_t* name, CConfigInfo::IDialogConfigFactory* configFactory);
    // Removes the row and hands back its record factory (null when the state is not
    // registered); deletes the map when it becomes empty.
    static void Unregister(eDialogState state, CConfigInfo::IDialogConfigFactory*& configFactory);
    static CNestedInstallerDialog* CreateDialog(eDialogState state, CTopDialog* frame);
    static eDialogState GetNextDialogState(eDialogState state);
    static CConfigInfo::DialogInfo* CreateDialogConfig(eDialogState state, CConfigInfo& config);
    static bool IsDialogInMode(eDialogState state, unsigned int modeMask);

    // The registry; null before the first registration and after the last unregistration.
    static DialogInfoMap* M_DialogInfoMap;

private:
    UINT m_nIDTemplate;
    eDialogState m_state;
    CTopDialog* m_pFrame;
};

// The global page factory of one state: registers the page at construction and unregisters
// it (freeing the record factory) at exit.
template <eDialogState State, class Page> class CNestedInstallerDialogFactory : public INestedInstallerDialogFactory {
public:
    CNestedInstallerDialogFactory(
        unsigned int modeMask, const wchar_t* name, CConfigInfo::IDialogConfigFactory* configFactory)
    {
        CNestedInstallerDialog::Register(State, this, modeMask, name, configFactory);
    }
    ~CNestedInstallerDialogFactory() override
    {
        CConfigInfo::IDialogConfigFactory* configFactory = nullptr;
        CNestedInstallerDialog::Unregister(State, configFactory);
        delete configFactory;
    }
    CNestedInstallerDialogFactory(const CNestedInstallerDialogFactory&) = delete;
    CNestedInstallerDialogFactory& operator=(const CNestedInstallerDialogFactory&) = delete;

    CNestedInstallerDialog* CreateDialog(CTopDialog* frame) override { return new Page(State, frame); }
};
