// Summary information of a package, a database or a transform: typed access to the standard
// properties, copying them from another package and writing them back.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "IMsiObject.h"
#include "MsiSmartPtr.h"
#include "MsiText.h"

class MsiDatabase;

class MsiSummaryInfo : public IMsiObject {
public:
    enum Platform { Intel = 1, Alpha = 2 };

    MsiSummaryInfo();
    ~MsiSummaryInfo() override;

    MSIHANDLE GetHandle() const override { return m_handle; }
    MsiString& Describe(MsiString& text) const override;

    // Primitives.
    int GetIntegerProperty(UINT pid) const;
    FILETIME GetFileTimeProperty(UINT pid) const;
    void GetStringProperty(MsiString& out, UINT pid) const;
    void SetStringProperty(UINT pid, const wchar_t* text);
    void SetShortProperty(UINT pid, short value);
    void SetIntegerProperty(UINT pid, int value);
    void SetFileTimeProperty(UINT pid, const FILETIME& value);
    void Persist();

    int GetCodepage() const;
    void SetCodepage(int codepage);
    void GetTitle(MsiString& out) const { GetStringProperty(out, 2); }
    void SetTitle(const wchar_t* text) { SetStringProperty(2, text); }
    void GetSubject(MsiString& out) const { GetStringProperty(out, 3); }
    void SetSubject(const wchar_t* text) { SetStringProperty(3, text); }
    void GetAuthor(MsiString& out) const { GetStringProperty(out, 4); }
    void SetAuthor(const wchar_t* text) { SetStringProperty(4, text); }
    void GetKeywords(MsiString& out) const { GetStringProperty(out, 5); }
    void SetKeywords(const wchar_t* text) { SetStringProperty(5, text); }
    void GetComments(MsiString& out) const { GetStringProperty(out, 6); }
    void SetComments(const wchar_t* text) { SetStringProperty(6, text); }
    void GetAppName(MsiString& out) const { GetStringProperty(out, 18); }
    void SetAppName(const wchar_t* text) { SetStringProperty(18, text); }
    int GetPageCount() const { return GetIntegerProperty(14); }
    void SetPageCount(int value) { SetIntegerProperty(14, value); }
    int GetSchema() const { return GetIntegerProperty(14); }
    void SetSchema(int value) { SetIntegerProperty(14, value); }
    int GetSecurity() const { return GetIntegerProperty(19); }
    void SetSecurity(int value) { SetIntegerProperty(19, value); }

    // PID 15 (source flags): bit 0 short file names, bit 1 compressed.
    bool IsShortFileNames() const;
    bool IsLongFileNames() const;
    void SetShortFileNames();
    void SetLongFileNames();
    bool IsCompressed() const;
    bool IsUncompressed() const;
    void SetCompressed();
    void SetUncompressed();

    // PID 16 of a transform: high 16 bits validation conditions, low 16 bits error conditions.
    int GetValidationConditions() const;
    bool HasValidationCondition(int mask) const;
    void AddValidationConditions(int mask);
    void RemoveValidationConditions(int mask);
    int GetErrorConditions() const;
    bool HasErrorCondition(int mask) const;
    void AddErrorConditions(int mask);
    void RemoveErrorConditions(int mask);

    // PID 9.
    void GetRevisionNumber(MsiString& out) const { GetStringProperty(out, 9); }
    bool GetPackageCode(GUID& code) const;
    void SetPackageCode(const GUID& code);
    void NewPackageCode();
    bool SetPackageCodeText(const wchar_t* text);

    // PID 7 (template) and PID 8 (a transform's target).
    int GetPlatforms() const;
    int GetBasePlatforms() const { return GetPlatforms(); }
    int GetTargetPlatforms() const;
    int GetLanguageCount() const;
    // Entry `index` (from 0) of the languages; -1 without a semicolon; an index past the last
    // entry gives the last one; a negative index throws 87.
    int GetLanguage(int index) const;
    bool HasLanguage(LANGID language) const;
    int GetFirstLanguage() const;
    int GetTargetLanguage() const;
    void SetPlatforms(int platforms);
    void SetTargetPlatforms(int platforms);
    void SetPlatformsKeepLanguages(int platforms);
    void SetLanguage(LANGID language);
    void SetTargetLanguage(LANGID language);
    int AddLanguage(LANGID language);
    bool RemoveLanguage(LANGID language);
    void RemoveAllLanguages();

    // Copies the standard properties of a package file into this object.
    void CopyFrom(const wchar_t* path);

    // PID 9 of a transform: "{old}oldversion;{new}newversion;{upgrade}".
    void GetOldProductCode(MsiString& out) const { GetRevisionPart(out, 0); }
    void SetOldProductCode(const wchar_t* text) { SetRevisionPart(0, text); }
    void GetOldVersion(MsiString& out) const { GetRevisionPart(out, 1); }
    void SetOldVersion(const wchar_t* text) { SetRevisionPart(1, text); }
    void GetNewProductCode(MsiString& out) const { GetRevisionPart(out, 2); }
    void SetNewProductCode(const wchar_t* text) { SetRevisionPart(2, text); }
    void GetNewVersion(MsiString& out) const { GetRevisionPart(out, 3); }
    void SetNewVersion(const wchar_t* text) { SetRevisionPart(3, text); }
    void GetUpgradeCode(MsiString& out) const { GetRevisionPart(out, 4); }
    void SetUpgradeCode(const wchar_t* text) { SetRevisionPart(4, text); }

protected:
    void SetHandle(MSIHANDLE handle, UINT updateCount)
    {
        m_handle = handle;
        m_updateCount = updateCount;
    }
    // Closes the handle now; a derived object closes it before it releases what the handle
    // was opened on.
    void CloseHandle();

private:
    void GetRevisionPart(MsiString& out, int part) const;
    void SetRevisionPart(int part, const wchar_t* text);
    void SetSourceBit(int bit, bool set);
    void SetPlatformsOf(UINT pid, int platforms);
    void SetLanguageOf(UINT pid, LANGID language);

    MSIHANDLE m_handle;
    UINT m_updateCount;
};

// Summary information of a database (opened on an open database or on a package path).
class MsiDatabaseSummaryInfo : public MsiSummaryInfo {
public:
    MsiDatabaseSummaryInfo();
    ~MsiDatabaseSummaryInfo() override;
    MsiString& Describe(MsiString& text) const override;

    static MsiSmartPtr<MsiDatabaseSummaryInfo> Open(const wchar_t* path, UINT updateCount = 0);
    // Takes a handle opened on `database` (MsiDatabase::GetSummaryInfo).
    void Attach(MSIHANDLE handle, MsiSmartPtr<MsiDatabase> database, UINT updateCount);

private:
    MsiSmartPtr<MsiDatabase> m_database;
    MsiHeapString m_path;
};

// Summary information of a transform file.
class MsiTransformSummaryInfo : public MsiSummaryInfo {
public:
    MsiString& Describe(MsiString& text) const override;

    static MsiSmartPtr<MsiTransformSummaryInfo> Open(const wchar_t* path, UINT updateCount = 0);

private:
    MsiHeapString m_path;
};
