#include "MsiView.h"

#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiFailure.h"
#include "MsiHandle.h"
#include "MsiRecord.h"

MsiView::MsiView() : m_handle(0) { }

MsiView::~MsiView()
{
    if (m_handle) {
        MsiApi().MsiViewClose(m_handle);
        MsiApi().MsiCloseHandle(m_handle);
    }
    // m_database is released after the view's handle is closed (member destruction).
}

MsiString& MsiView::Describe(MsiString& text) const
{
    if (!m_handle) {
        MsiText::Assign(text, L"<Null MSI View Handle>");
        return text;
    }
    MsiText::Format(text, L"MSI View Handle: %u", static_cast<unsigned>(m_handle));
    MsiText::Append(text, L" (Queried \"");
    MsiText::Append(text, MsiText::Get(m_query));
    MsiText::Append(text, L"\" on ");
    if (m_database) {
        MsiHeapString db;
        m_database->Describe(db);
        MsiText::Append(text, MsiText::Get(db));
    }
    MsiText::Append(text, L")");
    return text;
}

void MsiView::Open(MsiDatabase& database, const wchar_t* sql)
{
    MSIHANDLE handle = 0;
    MsiCheck(MsiApi().MsiDatabaseOpenViewW(database.GetHandle(), sql, &handle), this);
    m_handle = handle;
    m_database = &database;
    MsiText::Assign(m_query, sql);
}

void MsiView::Execute(MsiRecord* parameters)
{
    MsiCheck(MsiApi().MsiViewExecute(m_handle, parameters ? parameters->GetHandle() : 0), this);
}

void MsiView::ExecuteWith(const wchar_t* parameter)
{
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(1);
    record->SetString(1, parameter);
    Execute(record.Get());
}

void MsiView::ExecuteWith(const wchar_t* first, const wchar_t* second)
{
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(2);
    record->SetString(1, first);
    record->SetString(2, second);
    Execute(record.Get());
}

MsiSmartPtr<MsiRecord> MsiView::Fetch()
{
    UniqueMsiHandle handle;
    UINT result = MsiApi().MsiViewFetch(m_handle, handle.AddressOf());
    if (result == ERROR_NO_MORE_ITEMS)
        return MsiSmartPtr<MsiRecord>();
    MsiCheck(result, this);
    MsiSmartPtr<MsiRecord> record(new MsiRecord);
    record->InitFetched(handle.Release(), *this);
    return record;
}

void MsiView::Modify(MSIMODIFY mode, MsiRecord& record, bool tolerate)
{
    UINT result = MsiApi().MsiViewModify(m_handle, mode, record.GetHandle());
    if (result == ERROR_SUCCESS)
        return;
    MsiInstallerError error(result, this);
    if (tolerate) {
        MsiSmartPtr<MsiRecord> errorRecord = error.GetErrorRecord();
        if (errorRecord && errorRecord->GetHandle() && errorRecord->GetInteger(1) == 2259)
            return;
    }
    ThrowMsiInstallerError(error);
}

MsiSmartPtr<MsiRecord> MsiView::GetColumnInfo(MSICOLINFO kind)
{
    UniqueMsiHandle handle;
    MsiCheck(MsiApi().MsiViewGetColumnInfo(m_handle, kind, handle.AddressOf()), this);
    MsiSmartPtr<MsiRecord> record(new MsiRecord);
    record->InitColumnInfo(handle.Release(), *this);
    return record;
}

MsiSmartPtr<MsiRecord> MsiView::GetColumnNames()
{
    return GetColumnInfo(MSICOLINFO_NAMES);
}

MsiSmartPtr<MsiRecord> MsiView::GetColumnTypes()
{
    return GetColumnInfo(MSICOLINFO_TYPES);
}
