// MsiTableInformation: the column schema of one table, read once at construction, and key values
// that no row of the table holds yet.
#pragma once

#include <windows.h>
#include <msi.h>

#include <map>
#include <string>

#include "IMsiObject.h"
#include "MsiSmartPtr.h"
#include "MsiText.h"

class MsiDatabase;
class MsiRecord;

class MsiTableInformation : public IMsiObject {
public:
    // A missing table throws MsiInstallerError 1628.
    MsiTableInformation(MsiSmartPtr<MsiDatabase> database, const wchar_t* table);
    ~MsiTableInformation() override;

    MSIHANDLE GetHandle() const override { return 0; }
    MsiString& Describe(MsiString& text) const override;

    UINT GetColumnCount() const { return m_columnCount; }
    // Column numbers run from 1; an unknown number or name throws 87.
    const wchar_t* GetColumnName(UINT column) const;
    const wchar_t* GetColumnType(UINT column) const;
    UINT GetColumnNumber(const wchar_t* name) const;

    // A value of `column` that no row of the table holds: the base itself when free, else the
    // base followed by the object's running number (from 2); an empty base gives a new GUID
    // identifier. The text lives until the next call.
    const wchar_t* MakeUniqueValue(MsiSmartPtr<MsiDatabase> database, const wchar_t* column, const wchar_t* base);
    // The same in the database the object was made on.
    const wchar_t* MakeUniqueValue(const wchar_t* column, const wchar_t* base);
    // A unique value made of the upper-cased prefix, "." and the database's product code as an
    // identifier. The text is shared by all objects and lives until the next call.
    const wchar_t* MakeProductUniqueValue(
        MsiSmartPtr<MsiDatabase> database, const wchar_t* column, const wchar_t* prefix);

    // A record with one field for every U+0001 in the text: field i holds the part before the
    // i-th separator.
    static MsiSmartPtr<MsiRecord> RecordFromText(MsiString& text);

private:
    UINT m_columnCount;
    MsiHeapString m_table;
    MsiHeapString m_unique;
    std::map<std::wstring, UINT> m_numberByName;
    std::map<UINT, std::wstring> m_nameByNumber;
    std::map<UINT, std::wstring> m_typeByNumber;
    int m_uniqueCounter;
    MsiSmartPtr<MsiDatabase> m_database;
};
