#include "ConfigInfo.h"

#include "InstallerErrors.h"

CConfigInfo::DialogInfo::DialogInfo(const wchar_t* sectionName) : m_strSectionName(sectionName) {}

CConfigInfo::DialogInfo::~DialogInfo() {}

CConfigInfo::DialogInfo* CConfigInfo::DialogInfoFactory::CreateDialogInfo(CConfigInfo&,
                                                                         const wchar_t* sectionName)
{
    return new DialogInfo(sectionName);
}

CConfigInfo::CConfigInfo() {}

CConfigInfo::~CConfigInfo() {}

// Not built yet: the configuration reader replaces these.
void CConfigInfo::SetIniFile(const wchar_t*, const wchar_t*)
{
    throw OperationAborted("ConfigInfo", __LINE__, L"CConfigInfo::SetIniFile", L"%1 is not available yet.");
}

void CConfigInfo::PopulateMsiInfo()
{
    throw OperationAborted("ConfigInfo", __LINE__, L"CConfigInfo::PopulateMsiInfo", L"%1 is not available yet.");
}

void CConfigInfo::LoadLanguageResource()
{
    throw OperationAborted("ConfigInfo", __LINE__, L"CConfigInfo::LoadLanguageResource",
                           L"%1 is not available yet.");
}

void CConfigInfo::PopulateDialogInfo()
{
    throw OperationAborted("ConfigInfo", __LINE__, L"CConfigInfo::PopulateDialogInfo",
                           L"%1 is not available yet.");
}

bool CConfigInfo::IsDialogShown(int) const
{
    throw OperationAborted("ConfigInfo", __LINE__, L"CConfigInfo::IsDialogShown", L"%1 is not available yet.");
}
