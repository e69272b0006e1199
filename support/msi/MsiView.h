// MsiView: one SQL query opened on a database, executed and read row by row. A view keeps its
// database open; each fetched row keeps the view open.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "IMsiObject.h"
#include "MsiSmartPtr.h"
#include "MsiText.h"

class MsiDatabase;
class MsiRecord;

class MsiView : public IMsiObject {
public:
    MsiView();
    ~MsiView() override;

    MSIHANDLE GetHandle() const override { return m_handle; }
    MsiString& Describe(MsiString& text) const override;

    // Opens the query on the database and keeps a reference to it.
    void Open(MsiDatabase& database, const wchar_t* sql);
    void Execute(MsiRecord* parameters = nullptr);
    // Executes with one text for the query's single `?`: a value from outside never becomes part
    // of the SQL text.
    void ExecuteWith(const wchar_t* parameter);
    // The same for a query with two `?`, in their order.
    void ExecuteWith(const wchar_t* first, const wchar_t* second);
    // The next row, or a null holder after the last one.
    MsiSmartPtr<MsiRecord> Fetch();
    // MsiViewModify; with `tolerate`, a failure whose error record carries 2259 in field 1 is
    // ignored.
    void Modify(MSIMODIFY mode, MsiRecord& record, bool tolerate = false);
    MsiSmartPtr<MsiRecord> GetColumnInfo(MSICOLINFO kind);
    MsiSmartPtr<MsiRecord> GetColumnNames();
    MsiSmartPtr<MsiRecord> GetColumnTypes();

    const wchar_t* GetQuery() const { return MsiText::Get(m_query); }

private:
    MSIHANDLE m_handle;
    MsiSmartPtr<MsiDatabase> m_database;
    MsiHeapString m_query;
};
