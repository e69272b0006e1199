// The record of one Windows Installer package of the distribution (a part, or the merged
// database named "Merged"): its package file and volume, its product code, the per-language
// packages, transforms and product codes, and a section of extra properties.
//
// The record opens the package lazily, as a read-only database and as an install session with
// the language transform of the user-interface language applied, and keeps both. The merged
// part's session is the one every component borrows for its queries; ReleaseSession drops it
// before packages are installed.
#pragma once

#include <windows.h>

#include <map>

#include "CString.h"
#include "ConfigInfo.h"
#include "IniReader.h"
#include "MsiDatabase.h"
#include "MsiSession.h"
#include "MsiSmartPtr.h"

class IniErrorList;

class CConfigInfo::PartInfo : public CConfigInfo::InfoBase {
public:
    // Per-language entries, ordered by LANGID; an entry never replaces an earlier one.
    typedef std::map<LANGID, CString> LanguageMap;

    // The error conditions ignored when a language transform is applied: a missing row or table
    // to delete, a missing row to update, a code-page change.
    static const int kTransformErrorConditions = MSITRANSFORM_ERROR_DELMISSINGROW | MSITRANSFORM_ERROR_DELMISSINGTABLE
        | MSITRANSFORM_ERROR_UPDATEMISSINGROW | MSITRANSFORM_ERROR_CHANGECODEPAGE;

    PartInfo(CConfigInfo& config, const wchar_t* name);
    // Drops the record's references to the database and the session (the last reference closes
    // a handle).
    ~PartInfo() override;

    // Reads the section named like the record; bad entries go to `errors`.
    void Load(IniErrorList& errors) override;

    // The LangDb entry of exactly the user-interface language, else the path.
    CString GetLangDbPath() const;
    // The ProductCode entry of exactly the user-interface language, else the product code.
    CString GetProductCode() const;
    // The transform for a language: the exact entry; else the primary-only entry of its family,
    // or without one the family's entry with the highest LANGID. False (and `transform`
    // unchanged) when the family has no entry.
    bool GetLangXfm(LANGID language, CString& transform) const;
    // The file to open: the temporary copy when one was made, else the language package path,
    // made absolute against the distribution's current root folder.
    void GetPackagePath(CString& path) const;

    // The package's database, opened on first use: the session's database when a session is
    // open, else the package read-only with the language transform applied.
    MsiSmartPtr<MsiDatabase> GetDatabase();
    // The package's install session, opened on first use with the language transform applied
    // and the (transformed) Property rows set on it.
    MsiSmartPtr<MsiSession> GetSession();
    // Drops the record's references to the database and the session (both reopen on their next
    // use), so that no handle keeps the package or Windows Installer's copy of it open.
    void ReleaseSession();

    // Copies the package to a temporary file (deleted at exit) that every later open uses.
    void MakeTempPackageCopy();
    // Marks the package (the copy when one exists) as a 64-bit package: the platform of the
    // Template becomes x64 and the Schema at least 200. Logs every outcome; never throws.
    bool RewriteSummaryForX64();

    const CString& GetName() const { return m_strName; }
    int GetVolume() const { return m_nVolume; }
    const IniSectionMap& GetProperties() const { return m_properties; }
    const LanguageMap& GetLangTransforms() const { return m_langTransforms; }
    const LanguageMap& GetLangPackages() const { return m_langPackages; }
    const LanguageMap& GetLangProductCodes() const { return m_langProductCodes; }
    // The Path entry as written.
    const CString& GetPath() const { return m_strPath; }
    // Empty unless a temporary copy was made.
    const CString& GetTempCopyPath() const { return m_strTempCopy; }
    // The ProductCode entry (whatever the language).
    const CString& GetConfiguredProductCode() const { return m_strProductCode; }
    // The held session and database (null before first use), without opening anything.
    const MsiSmartPtr<MsiSession>& PeekSession() const { return m_session; }
    const MsiSmartPtr<MsiDatabase>& PeekDatabase() const { return m_database; }

protected:
    // The user-interface language of the distribution settings; false before they exist.
    bool GetUiLanguage(LANGID& language) const;

private:
    // Reads a LangDb/LangXfm entry into `map`; on the first volume the file must exist.
    void ReadLanguageFile(
        LanguageMap& map, const CString& key, const CString& value, LANGID language, IniErrorList& errors);
    // On the first volume and without a language transform, the package named for the
    // user-interface language must be the product its ProductCode entry names; a package of
    // another product is a Bad Value of that entry.
    void CheckPackageProductCode(IniErrorList& errors) const;
    // Applies the LangXfm entry of exactly the user-interface language, if any.
    void ApplyLanguageTransform(MsiDatabase& database) const;
    // The package path for a message: the file to open, or the configured path when the
    // distribution has no root folder yet.
    CString PackagePathForReport() const;

    CString m_strName;
    int m_nVolume;
    IniSectionMap m_properties;
    LanguageMap m_langTransforms;
    LanguageMap m_langPackages;
    LanguageMap m_langProductCodes;
    MsiSmartPtr<MsiSession> m_session;
    MsiSmartPtr<MsiDatabase> m_database;
    CString m_strPath;
    CString m_strTempCopy;
    CString m_strProductCode;
};
