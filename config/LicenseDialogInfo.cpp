#include "LicenseDialogInfo.h"

#include <cwchar>
#include <cwctype>
#include <typeinfo>

#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "LanguageHelpers.h"
#include "PathHelpers.h"

namespace {

const char kSource[] = "LicenseDialogInfo";
const wchar_t kFilesSection[] = L"Files";
const wchar_t kKeySuffix[] = L"TextFile";
// The counter of the further pages' prefixes starts at 2 (License2TextFile).
const int kFirstFurtherText = 2;

bool IsDigit(wchar_t ch)
{
    return ch >= L'0' && ch <= L'9';
}

}  // namespace

CConfigInfo::DialogInfo* CConfigInfo::LicenseDialogInfoFactory::CreateDialogInfo(
    CConfigInfo& config, const wchar_t* pageName)
{
    return new LicenseDialogInfo(config, pageName);
}

CConfigInfo::LicenseDialogInfo::LicenseDialogInfo(CConfigInfo& config, const wchar_t* pageName)
    : DialogInfo(config, pageName), m_bFirstPage(true)
{
}

void CConfigInfo::LicenseDialogInfo::Load(IniErrorList& errors)
{
    DialogInfo::Load(errors);
    if (!IsShown())
        return;

    const CString& name = GetPageName();
    const wchar_t last = name.IsEmpty() ? L'\0' : name[name.GetLength() - 1];
    m_bFirstPage = !(IsDigit(last) && last != L'0');

    IniSectionMap files;
    m_config.ReadSection(kFilesSection, files);

    CString prefix;
    if (m_bFirstPage) {
        prefix = name + kKeySuffix;
        ReadTextFiles(errors, files, prefix);
    } else {
        CString stem;
        for (int i = 0; i < name.GetLength(); ++i) {
            if (!IsDigit(name[i]))
                stem += name[i];
        }
        for (int n = kFirstFurtherText;; ++n) {
            prefix.Format(L"%s%d%s", stem.GetString(), n, kKeySuffix);
            if (!ReadTextFiles(errors, files, prefix))
                break;
        }
    }
    if (m_texts.empty())
        errors.Add(2, kFilesSection, prefix);
}

bool CConfigInfo::LicenseDialogInfo::ReadTextFiles(
    IniErrorList& errors, const IniSectionMap& files, const CString& prefix)
{
    LangIdMap<CPath> paths;
    LangIdMap<CString> captions;
    const size_t length = static_cast<size_t>(prefix.GetLength());
    for (const auto& entry : files) {
        const CString& key = entry.first;
        if (_wcsnicmp(key, prefix, length) != 0)
            continue;
        const LANGID language = static_cast<LANGID>(std::wcstol(key.GetString() + length, nullptr, 10));
        const CString& value = entry.second;
        CString caption;
        CString file = value;
        const int semicolon = value.Find(L';');
        if (semicolon >= 0) {
            caption = value.Left(semicolon);
            file = value.Mid(semicolon + 1);
        }
        file.TrimLeft();
        CPath path(m_config.GetConfigFolder());
        path.Append(file);
        if (!FileExists(path))
            errors.Add(4, kFilesSection, key, path);
        paths.Insert(language, path);
        captions.Insert(language, caption);
    }
    if (paths.IsEmpty())
        return false;
    m_texts.push_back(paths);
    m_captions.push_back(captions);
    return true;
}

void CConfigInfo::LicenseDialogInfo::CheckIndex(int index) const
{
    if (index < 0 || index >= GetTextFileCount()) {
        CString key;
        key.Format(L"%d", index);
        throw ObjectNotFound(kSource, __LINE__, typeid(CPath), L"index", key);
    }
}

const CPath& CConfigInfo::LicenseDialogInfo::GetTextFile(int index) const
{
    CheckIndex(index);
    return LangIdMap<CPath>::Lookup(
        OrbelToolbox::GetUserDefaultLanguage(), m_texts[static_cast<size_t>(index)], GetFirstLanguage());
}

const CString& CConfigInfo::LicenseDialogInfo::GetTextFileLabel(int index) const
{
    CheckIndex(index);
    return LangIdMap<CString>::Lookup(
        OrbelToolbox::GetUserDefaultLanguage(), m_captions[static_cast<size_t>(index)], GetFirstLanguage());
}
