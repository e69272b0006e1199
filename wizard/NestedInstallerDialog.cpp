#include "NestedInstallerDialog.h"

#include <typeinfo>

#include "InstallerErrors.h"

// Errors of this file carry this source name.
static const char kSource[] = "NestedInstallerDialog";

CNestedInstallerDialog::CNestedInstallerDialog(UINT nIDTemplate, eDialogState state, CTopDialog* frame)
    : m_nIDTemplate(nIDTemplate), m_state(state), m_pFrame(frame)
{
}

CNestedInstallerDialog::~CNestedInstallerDialog() { }

void CNestedInstallerDialog::Register(eDialogState state, INestedInstallerDialogFactory* factory, unsigned int modeMask,
    const wchar_t* name, CConfigInfo::IDialogConfigFactory* configFactory)
{
    if (!M_DialogInfoMap)
        M_DialogInfoMap = new DialogInfoMap;
    DialogInfo info = {factory, name, configFactory, modeMask};
    M_DialogInfoMap->insert(DialogInfoMap::value_type(state, info));
}

void CNestedInstallerDialog::Unregister(eDialogState state, CConfigInfo::IDialogConfigFactory*& configFactory)
{
    configFactory = nullptr;
    if (!M_DialogInfoMap)
        return;
    DialogInfoMap::iterator it = M_DialogInfoMap->find(state);
    if (it == M_DialogInfoMap->end())
        return;
    configFactory = it->second.pConfigFactory;
    M_DialogInfoMap->erase(it);
    if (M_DialogInfoMap->empty()) {
        delete M_DialogInfoMap;
        M_DialogInfoMap = nullptr;
    }
}

static CString StateText(eDialogState state)
{
    CString text;
    text.Format(L"%d", state);
    return text;
}

CNestedInstallerDialog* CNestedInstallerDialog::CreateDialog(eDialogState state, CTopDialog* frame)
{
    DialogInfoMap::const_iterator it;
    if (!M_DialogInfoMap || (it = M_DialogInfoMap->find(state)) == M_DialogInfoMap->end())
        throw ObjectNotFound(
            kSource, 461, typeid(DialogInfo), L"eDialogState", StateText(state), L"No dialog matches %2=%3");
    return it->second.pFactory->CreateDialog(frame);
}

eDialogState CNestedInstallerDialog::GetNextDialogState(eDialogState state)
{
    if (!M_DialogInfoMap || M_DialogInfoMap->empty())
        return 0;
    if (state == 0)
        return M_DialogInfoMap->begin()->first;
    DialogInfoMap::const_iterator it = M_DialogInfoMap->find(state);
    if (it == M_DialogInfoMap->end())
        throw ValueOutOfRange(kSource, 522, L"current", state, L"%1=%2");
    ++it;
    return it == M_DialogInfoMap->end() ? 0 : it->first;
}

CConfigInfo::DialogInfo* CNestedInstallerDialog::CreateDialogConfig(eDialogState state, CConfigInfo& config)
{
    if (!M_DialogInfoMap)
        throw UninitializedObject(kSource, 547, typeid(DialogInfoMap), L"M_DialogInfoMap",
            L"Object '%2' of type %1 has not been initialized.");
    DialogInfoMap::const_iterator it = M_DialogInfoMap->find(state);
    if (it == M_DialogInfoMap->end())
        throw ValueOutOfRange(kSource, 542, L"id", state, L"%1=%2");
    return it->second.pConfigFactory->CreateDialogInfo(config, it->second.pszName);
}

bool CNestedInstallerDialog::IsDialogInMode(eDialogState state, unsigned int modeMask)
{
    if (!M_DialogInfoMap)
        throw UninitializedObject(kSource, 571, typeid(DialogInfoMap), L"M_DialogInfoMap",
            L"Object '%2' of type %1 has not been initialized.");
    DialogInfoMap::const_iterator it = M_DialogInfoMap->find(state);
    if (it == M_DialogInfoMap->end())
        throw ValueOutOfRange(kSource, 566, L"id", state, L"%1=%2");
    return (it->second.nModeMask & modeMask) != 0;
}
