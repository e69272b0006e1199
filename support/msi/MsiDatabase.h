// MsiDatabase: one open Windows Installer database: a package opened read-only or the database
// of an install session. Queries, table and property shortcuts, table creation and the further
// database operations (merge, commit, transforms, import and export, code page).
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdarg>

#include "IMsiObject.h"
#include "MsiSmartPtr.h"
#include "MsiText.h"

class MsiView;
class MsiRecord;
class MsiSession;
class MsiDatabaseSummaryInfo;

// One column of MsiDatabase::CreateTable: name (null ends an array given with count -1), type in
// the engine's notation ("s72", "I2", ...), primary-key flag.
struct MsiColumnDefinition {
    const wchar_t* name;
    const wchar_t* type;
    bool key;
};

// Appends the SQL type of a column type text ("s72" -> "CHAR(72) NOT NULL"); false (nothing
// appended) for an unknown type letter.
bool MsiColumnTypeToSql(const wchar_t* type, MsiString& out);

class MsiDatabase : public IMsiObject {
public:
    MsiDatabase();
    // Never throws: closes the handle when it owns it and deletes the file when asked to.
    ~MsiDatabase() override;

    MSIHANDLE GetHandle() const override { return m_handle; }
    MsiString& Describe(MsiString& text) const override;

    static MsiSmartPtr<MsiDatabase> Open(const wchar_t* path, const wchar_t* persist);
    static MsiSmartPtr<MsiDatabase> FromHandle(MSIHANDLE handle, bool ownsHandle);

    // Opens a view on the SQL text formatted printf-style.
    MsiSmartPtr<MsiView> OpenView(const wchar_t* format, ...);
    MsiSmartPtr<MsiView> OpenViewV(const wchar_t* format, va_list args);

    bool TableExists(const wchar_t* table);
    bool IsTableEmpty(const wchar_t* table);
    // The Value of the property's row; without a row `out` is left unchanged.
    void GetProperty(MsiString& out, const wchar_t* name);
    // The error record formatted with its template from the Error table.
    void FormatErrorRecord(MsiString& out, MsiSmartPtr<MsiRecord> record);
    void CreateTable(const wchar_t* table, const MsiColumnDefinition* columns, int count = -1, bool hold = false);
    void CreateTable(const wchar_t* table, const MsiColumnDefinition* columns, bool hold);
    void ApplyTransform(const wchar_t* path, int errorConditions);

    MsiSmartPtr<MsiSession> OpenSession();
    MsiSmartPtr<MsiDatabaseSummaryInfo> GetSummaryInfo(UINT updateCount = 0);
    void SetProperty(const wchar_t* name, const wchar_t* value);
    void SetProperty(const wchar_t* name, int value);
    bool SaveStreamToFile(const wchar_t* stream, const wchar_t* path);
    void SetStreamFromFile(const wchar_t* stream, const wchar_t* path);
    // True when merged without conflicts; false when the conflicts went to the error table.
    bool Merge(MsiSmartPtr<MsiDatabase> other, const wchar_t* errorTable);
    void Commit();
    void GenerateTransform(MsiDatabase& reference, const wchar_t* path);
    void CreateTransformSummaryInfo(
        MsiSmartPtr<MsiDatabase> reference, const wchar_t* path, int errorConditions, int validation);
    void CopyTableSchema(MsiDatabase& source, const wchar_t* sourceTable, const wchar_t* targetTable = nullptr);
    void CopyTableSchema(const wchar_t* sourceTable, const wchar_t* targetTable = nullptr);
    void CopyTable(MsiDatabase& source, const wchar_t* sourceTable, const wchar_t* targetTable = nullptr);
    void CopyTable(const wchar_t* sourceTable, const wchar_t* targetTable = nullptr);
    void Import(const wchar_t* path);
    void Export(const wchar_t* table, const wchar_t* path);
    int GetCodepage();
    void SetCodepage(int codepage);

    // Texts for the application.
    MsiOutString GetMfcProperty(const wchar_t* name);
    MsiOutString FormatMfcErrorRecord(MsiSmartPtr<MsiRecord> record);

    bool OwnsHandle() const { return m_ownsHandle; }
    void SetOwnsHandle(bool owns) { m_ownsHandle = owns; }
    void SetDeleteOnClose(bool deleteOnClose) { m_deleteOnClose = deleteOnClose; }
    const wchar_t* GetPath() const { return MsiText::Get(m_path); }

private:
    friend class MsiSession;

    MSIHANDLE m_handle;
    MsiHeapString m_path;
    bool m_deleteOnClose;
    bool m_ownsHandle;
};
