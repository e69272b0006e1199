#include "MsiDatabase.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "MsiApi.h"
#include "MsiFailure.h"
#include "MsiHandle.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiSummaryInfo.h"
#include "MsiTableInformation.h"
#include "MsiView.h"
#include "VaListEnd.h"

namespace {

// Folder (with its last '\') and file name of a path; without a '\' the folder is the current
// directory. `folder` holds MAX_PATH characters.
void SplitFolderAndFile(const wchar_t* path, wchar_t* folder, const wchar_t** file)
{
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    if (slash) {
        size_t length = static_cast<size_t>(slash - path) + 1;
        if (length >= MAX_PATH)
            length = MAX_PATH - 1;
        std::wmemcpy(folder, path, length);
        folder[length] = L'\0';
        *file = slash + 1;
    } else {
        DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
        if (n == 0 || n >= MAX_PATH)
            folder[0] = L'\0';
        *file = path;
    }
}

// A new, unique temporary file (created empty by the system); `name` holds MAX_PATH characters.
void CreateTempFileName(wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH)
        ThrowWindowsError(WindowsError(GetLastError(), L"Unable to get temporary folder"));
    if (!GetTempFileNameW(folder, L"msi", 0, name))
        ThrowWindowsError(WindowsError(GetLastError(), L"Unable to create temporary file"));
}

// Closes an open file and deletes a temporary file when a code-page operation ends, normally or
// by an exception.
struct TempFileGuard {
    OrbelToolbox::UniqueKernelHandle file;
    const wchar_t* name = nullptr;
    ~TempFileGuard()
    {
        file.Reset();
        if (name)
            DeleteFileW(name);
    }
};

const char kCodepageIdt[] = "\r\n\r\n%d\t_ForceCodepage\r\n";

}  // namespace

bool MsiColumnTypeToSql(const wchar_t* type, MsiString& out)
{
    if (!type || !type[0])
        return false;
    wchar_t letter = type[0];
    const wchar_t* size = type + 1;
    bool temporary = false;
    bool localizable = false;
    switch (letter) {
    case L'S':
    case L's':
    case L'L':
    case L'l':
    case L'G':
    case L'g':
        if (_wtoi(size) != 0) {
            MsiText::Append(out, L"CHAR(");
            MsiText::Append(out, size);
            MsiText::Append(out, L")");
        } else {
            MsiText::Append(out, L"LONGCHAR");
        }
        temporary = letter == L'G' || letter == L'g';
        localizable = letter == L'L' || letter == L'l';
        break;
    case L'I':
    case L'i':
        MsiText::Append(out, _wtoi(size) == 2 ? L"SHORT" : L"LONG");
        break;
    case L'J':
    case L'j':
        MsiText::Append(out, _wtoi(size) == 2 ? L"SHORT" : L"LONG");
        temporary = true;
        break;
    case L'V':
    case L'v':
        MsiText::Append(out, L"OBJECT");
        break;
    default:
        return false;
    }
    if (iswlower(letter))
        MsiText::Append(out, L" NOT NULL");
    if (temporary)
        MsiText::Append(out, L" TEMPORARY");
    if (localizable)
        MsiText::Append(out, L" LOCALIZABLE");
    return true;
}

MsiDatabase::MsiDatabase() : m_handle(0), m_deleteOnClose(false), m_ownsHandle(true) { }

MsiDatabase::~MsiDatabase()
{
    // A destructor that throws ends the program: a failed deletion is dropped here.
    if (!m_handle)
        return;
    if (m_ownsHandle)
        MsiApi().MsiCloseHandle(m_handle);
    if (m_deleteOnClose)
        DeleteFileW(MsiText::Get(m_path));
}

MsiString& MsiDatabase::Describe(MsiString& text) const
{
    if (!m_handle)
        MsiText::Assign(text, L"<Null MSI Database Handle>");
    else
        MsiText::Format(text, L"MSI Database Handle: %d (%s)", static_cast<int>(m_handle), MsiText::Get(m_path));
    return text;
}

MsiSmartPtr<MsiDatabase> MsiDatabase::Open(const wchar_t* path, const wchar_t* persist)
{
    MsiSmartPtr<MsiDatabase> db(new MsiDatabase);
    MSIHANDLE handle = 0;
    MsiCheck(MsiApi().MsiOpenDatabaseW(path, persist, &handle), db.Get());
    db->m_handle = handle;
    MsiText::Assign(db->m_path, path);
    return db;
}

MsiSmartPtr<MsiDatabase> MsiDatabase::FromHandle(MSIHANDLE handle, bool ownsHandle)
{
    MsiSmartPtr<MsiDatabase> db(new MsiDatabase);
    db->m_handle = handle;
    db->m_ownsHandle = ownsHandle;
    return db;
}

MsiSmartPtr<MsiView> MsiDatabase::OpenViewV(const wchar_t* format, va_list args)
{
    MsiHeapString sql;
    MsiText::FormatV(sql, format, args);
    MsiSmartPtr<MsiView> view(new MsiView);
    view->Open(*this, MsiText::Get(sql));
    return view;
}

MsiSmartPtr<MsiView> MsiDatabase::OpenView(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    return OpenViewV(format, args);
}

bool MsiDatabase::TableExists(const wchar_t* table)
{
    MsiSmartPtr<MsiView> view = OpenView(L"SELECT `Name` FROM `_Tables` WHERE `Name`='%s'", table);
    view->Execute();
    return static_cast<bool>(view->Fetch());
}

bool MsiDatabase::IsTableEmpty(const wchar_t* table)
{
    MsiSmartPtr<MsiView> view = OpenView(L"SELECT * FROM `%s`", table);
    view->Execute();
    return !view->Fetch();
}

void MsiDatabase::GetProperty(MsiString& out, const wchar_t* name)
{
    MsiSmartPtr<MsiView> view = OpenView(L"SELECT `Value` FROM `Property` WHERE `Property`='%s'", name);
    view->Execute();
    MsiSmartPtr<MsiRecord> row = view->Fetch();
    if (row)
        row->GetString(out, 1);
}

void MsiDatabase::FormatErrorRecord(MsiString& out, MsiSmartPtr<MsiRecord> record)
{
    int number = record->GetInteger(1);
    MsiSmartPtr<MsiRecord> message;
    try {
        MsiSmartPtr<MsiView> view = OpenView(L"SELECT `Message` FROM `Error` WHERE `Error`=%d", number);
        view->Execute();
        message = view->Fetch();
    } catch (...) {
        message.Reset();
    }
    if (message)
        message->GetString(out, 1);
    else
        MsiText::Assign(out, L"");
    record->SetString(0, MsiText::Get(out));
    record->Format(out, MsiSmartPtr<MsiSession>());
}

void MsiDatabase::CreateTable(const wchar_t* table, const MsiColumnDefinition* columns, int count, bool hold)
{
    if (count == -1) {
        count = 0;
        while (columns[count].name)
            ++count;
    }
    MsiHeapString sql;
    MsiText::Assign(sql, L"CREATE TABLE ");
    MsiText::Append(sql, table);
    MsiText::Append(sql, L" (");
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            MsiText::Append(sql, L", ");
        MsiText::Append(sql, columns[i].name);
        MsiText::Append(sql, L" ");
        MsiColumnTypeToSql(columns[i].type, sql);
    }
    bool firstKey = true;
    for (int i = 0; i < count; ++i) {
        if (!columns[i].key)
            continue;
        MsiText::Append(sql, firstKey ? L" PRIMARY KEY `" : L", `");
        MsiText::Append(sql, columns[i].name);
        MsiText::Append(sql, L"`");
        firstKey = false;
    }
    MsiText::Append(sql, L")");
    if (hold)
        MsiText::Append(sql, L" HOLD");
    // The statement is an argument, never a format: a '%' in a name stays a '%'.
    MsiSmartPtr<MsiView> view = OpenView(L"%s", MsiText::Get(sql));
    view->Execute();
}

void MsiDatabase::CreateTable(const wchar_t* table, const MsiColumnDefinition* columns, bool hold)
{
    CreateTable(table, columns, -1, hold);
}

void MsiDatabase::ApplyTransform(const wchar_t* path, int errorConditions)
{
    MsiCheck(MsiApi().MsiDatabaseApplyTransformW(m_handle, path, errorConditions), this);
}

MsiSmartPtr<MsiSession> MsiDatabase::OpenSession()
{
    MsiHeapString package;
    MsiText::Format(package, L"#%d", static_cast<int>(m_handle));
    MsiSmartPtr<MsiSession> session(new MsiSession);
    MSIHANDLE handle = 0;
    MsiCheck(MsiApi().MsiOpenPackageW(MsiText::Get(package), &handle), this);
    session->m_handle = handle;
    return session;
}

MsiSmartPtr<MsiDatabaseSummaryInfo> MsiDatabase::GetSummaryInfo(UINT updateCount)
{
    MsiSmartPtr<MsiDatabaseSummaryInfo> info(new MsiDatabaseSummaryInfo);
    MSIHANDLE handle = 0;
    MsiCheck(MsiApi().MsiGetSummaryInformationW(m_handle, nullptr, updateCount, &handle), this);
    info->Attach(handle, MsiSmartPtr<MsiDatabase>(this), updateCount);
    return info;
}

void MsiDatabase::SetProperty(const wchar_t* name, const wchar_t* value)
{
    MsiSmartPtr<MsiView> view = OpenView(L"SELECT `Property`,`Value` FROM `Property`");
    view->Execute();
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(2);
    record->SetString(1, name);
    record->SetString(2, value);
    view->Modify(MSIMODIFY_ASSIGN, *record, false);
}

void MsiDatabase::SetProperty(const wchar_t* name, int value)
{
    wchar_t text[16];
    _itow(value, text, 10);
    SetProperty(name, text);
}

bool MsiDatabase::SaveStreamToFile(const wchar_t* stream, const wchar_t* path)
{
    MsiSmartPtr<MsiView> view = OpenView(L"SELECT `Data` FROM `_Streams` WHERE `Name`='%s'", stream);
    view->Execute();
    MsiSmartPtr<MsiRecord> row = view->Fetch();
    if (!row)
        return false;
    row->SaveStreamToFile(1, path);
    return true;
}

void MsiDatabase::SetStreamFromFile(const wchar_t* stream, const wchar_t* path)
{
    MsiSmartPtr<MsiView> view = OpenView(L"SELECT `Name`, `Data` FROM `_Streams`");
    view->Execute();
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(2);
    record->SetString(1, stream);
    record->SetStream(2, path);
    view->Modify(MSIMODIFY_ASSIGN, *record, false);
}

bool MsiDatabase::Merge(MsiSmartPtr<MsiDatabase> other, const wchar_t* errorTable)
{
    UINT result = MsiApi().MsiDatabaseMergeW(m_handle, other.GetHandle(), errorTable);
    if (result == ERROR_FUNCTION_FAILED)
        return false;
    MsiCheck(result, this);
    return true;
}

void MsiDatabase::Commit()
{
    MsiCheck(MsiApi().MsiDatabaseCommit(m_handle), this);
}

void MsiDatabase::GenerateTransform(MsiDatabase& reference, const wchar_t* path)
{
    MsiCheck(MsiApi().MsiDatabaseGenerateTransformW(m_handle, reference.GetHandle(), path, 0, 0), this);
}

void MsiDatabase::CreateTransformSummaryInfo(
    MsiSmartPtr<MsiDatabase> reference, const wchar_t* path, int errorConditions, int validation)
{
    MsiCheck(
        MsiApi().MsiCreateTransformSummaryInfoW(m_handle, reference.GetHandle(), path, errorConditions, validation),
        this);
}

void MsiDatabase::CopyTableSchema(MsiDatabase& source, const wchar_t* sourceTable, const wchar_t* targetTable)
{
    if (!targetTable)
        targetTable = sourceTable;
    MsiTableInformation info(MsiSmartPtr<MsiDatabase>(&source), sourceTable);
    MsiHeapString sql;
    MsiText::Assign(sql, L"CREATE TABLE ");
    MsiText::Append(sql, targetTable);
    MsiText::Append(sql, L" (");
    for (UINT i = 1; i <= info.GetColumnCount(); ++i) {
        if (i > 1)
            MsiText::Append(sql, L", ");
        MsiText::Append(sql, L"`");
        MsiText::Append(sql, info.GetColumnName(i));
        MsiText::Append(sql, L"` ");
        MsiColumnTypeToSql(info.GetColumnType(i), sql);
    }
    UniqueMsiHandle keyHandle;
    MsiApi().MsiDatabaseGetPrimaryKeysW(source.GetHandle(), sourceTable, keyHandle.AddressOf());
    MsiSmartPtr<MsiRecord> keys = MsiRecord::FromHandle(keyHandle.Get());
    keyHandle.Release();
    UINT keyCount = keys->GetFieldCount();
    for (UINT i = 1; i <= keyCount; ++i) {
        MsiHeapString name;
        keys->GetString(name, i);
        MsiText::Append(sql, i == 1 ? L" PRIMARY KEY `" : L", `");
        MsiText::Append(sql, MsiText::Get(name));
        MsiText::Append(sql, L"`");
    }
    MsiText::Append(sql, L")");
    MsiSmartPtr<MsiView> view = OpenView(L"%s", MsiText::Get(sql));
    view->Execute();
}

void MsiDatabase::CopyTableSchema(const wchar_t* sourceTable, const wchar_t* targetTable)
{
    CopyTableSchema(*this, sourceTable, targetTable);
}

void MsiDatabase::CopyTable(MsiDatabase& source, const wchar_t* sourceTable, const wchar_t* targetTable)
{
    if (!targetTable)
        targetTable = sourceTable;
    if (!TableExists(targetTable))
        CopyTableSchema(source, sourceTable, targetTable);
    MsiSmartPtr<MsiView> from = source.OpenView(L"SELECT * FROM %s", sourceTable);
    MsiSmartPtr<MsiView> to = OpenView(L"SELECT * FROM %s", targetTable);
    from->Execute();
    to->Execute();
    for (MsiSmartPtr<MsiRecord> row = from->Fetch(); row; row = from->Fetch())
        to->Modify(MSIMODIFY_INSERT, *row, true);
}

void MsiDatabase::CopyTable(const wchar_t* sourceTable, const wchar_t* targetTable)
{
    CopyTable(*this, sourceTable, targetTable);
}

void MsiDatabase::Import(const wchar_t* path)
{
    wchar_t folder[MAX_PATH];
    const wchar_t* file = nullptr;
    SplitFolderAndFile(path, folder, &file);
    MsiCheck(MsiApi().MsiDatabaseImportW(m_handle, folder, file), this);
}

void MsiDatabase::Export(const wchar_t* table, const wchar_t* path)
{
    wchar_t folder[MAX_PATH];
    const wchar_t* file = nullptr;
    SplitFolderAndFile(path, folder, &file);
    MsiCheck(MsiApi().MsiDatabaseExportW(m_handle, table, folder, file), this);
}

int MsiDatabase::GetCodepage()
{
    wchar_t name[MAX_PATH];
    CreateTempFileName(name);
    TempFileGuard guard;
    guard.name = name;
    Export(L"_ForceCodepage", name);
    guard.file.Reset(CreateFileW(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!guard.file)
        ThrowWindowsError(WindowsError(GetLastError(), L"Unable to open temporary file"));
    // The export holds two empty lines, the code page, a tab and the table name. The buffer is
    // prefilled with the same text for -1 and always terminated after what was read.
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), kCodepageIdt, -1);
    const DWORD limit = 50;
    DWORD read = 0;
    if (!ReadFile(guard.file.Get(), buffer, limit, &read, nullptr))
        ThrowWindowsError(WindowsError(GetLastError(), L"Failed to read temporary file"));
    size_t prefill = std::strlen(buffer);
    buffer[read > prefill ? read : prefill] = '\0';
    int codepage = -1;
    if (std::sscanf(buffer, "\r\n\r\n%d\t_ForceCodepage\r\n", &codepage) < 1)
        ThrowWindowsError(WindowsError(0, L"Unexpected idt file format while reading codepage"));
    guard.file.Reset();
    return codepage;
}

void MsiDatabase::SetCodepage(int codepage)
{
    wchar_t name[MAX_PATH];
    CreateTempFileName(name);
    TempFileGuard guard;
    guard.name = name;
    guard.file.Reset(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!guard.file)
        ThrowWindowsError(WindowsError(GetLastError(), L"Unable to create temporary file"));
    char text[64];
    int length = std::snprintf(text, sizeof(text), kCodepageIdt, codepage);
    DWORD written = 0;
    if (length < 0 || !WriteFile(guard.file.Get(), text, static_cast<DWORD>(length), &written, nullptr)
        || written != static_cast<DWORD>(length))
        ThrowWindowsError(WindowsError(GetLastError(), L"Failed to write temporary file"));
    guard.file.Reset();
    Import(name);
}

MsiOutString MsiDatabase::GetMfcProperty(const wchar_t* name)
{
    MsiOutString text;
    GetProperty(text, name);
    return text;
}

MsiOutString MsiDatabase::FormatMfcErrorRecord(MsiSmartPtr<MsiRecord> record)
{
    MsiOutString text;
    FormatErrorRecord(text, record);
    return text;
}
