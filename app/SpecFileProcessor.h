// The unattended-install spec file: an INI file that pre-answers the wizard. SetSpecFile reads,
// at start-up, the sections that need only the configuration ([Features], [DisableDialogs],
// [FeatureDisallowAbsent], [Settings]); Apply, once the distribution model is built, checks the
// named features, applies [Directories], reads [UserInfo] and throws one SpecFileErrors listing
// every bad entry of both steps.
//
// Sections are handled in ordinal (case-sensitive) order of their keys; the first of two equal
// keys wins.
#pragma once

#include <list>
#include <map>

#include "CString.h"
#include "IniErrorList.h"

class CVelmoInstallerApp;

class CSpecFileProcessor {
public:
    typedef std::map<CString, CString> SectionMap;

    CSpecFileProcessor();
    virtual ~CSpecFileProcessor();

    // Null or empty: no spec file.
    void SetSpecFile(const wchar_t* fullPath);
    // Does nothing without a spec file or application.
    void Apply(CVelmoInstallerApp* app);

    // True when [DisableDialogs] names the page.
    bool IsDialogDisabled(int state) const;
    // The state [Features] requests for the feature (-1 none); a feature of
    // [FeatureDisallowAbsent] gets 3 (local) and `disallowAbsent` set.
    void GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent) const;

    const CString& GetPath() const { return m_strPath; }
    const IniErrorList& GetErrors() const { return m_errors; }

    // The keyword of a [Features] entry as a requested state (any case); -2 when unknown.
    static int ParseFeatureState(const wchar_t* keyword);
    // The page a [DisableDialogs] name disables (case-sensitive); 0 when none.
    static int ParseDialogName(const wchar_t* name);

    CString m_strUserName;
    CString m_strCompany;

private:
    // The whole section as a map; duplicates are recorded as errors. True when it had lines.
    bool ReadSection(const wchar_t* section, SectionMap& out);
    void ReadFeatures();
    void ReadDisableDialogs();
    void ReadFeatureDisallowAbsent();
    void ReadSettings();
    void CheckFeatures();
    void ApplyDirectories();
    void ApplyUserInfo();

    std::map<CString, int> m_featureStates;
    CString m_strPath;
    IniErrorList m_errors;
    CVelmoInstallerApp* m_pApp;
    std::list<int> m_disabledDialogs;
    std::list<CString> m_disallowAbsent;
};
