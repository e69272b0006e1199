#include "MsiRecord.h"

#include <cstdlib>
#include <new>
#include <ostream>

#include "MsiApi.h"
#include "MsiFailure.h"
#include "MsiHandle.h"
#include "MsiSession.h"
#include "MsiTextGetter.h"
#include "PlexaExceptions.h"

namespace {

const wchar_t* KindPrefix(int kind)
{
    switch (kind) {
    case MsiRecord::Fetched:
        return L"MSI View Record Handle: ";
    case MsiRecord::ColumnInfo:
        return L"MSI ViewInfo Record Handle: ";
    case MsiRecord::LastError:
        return L"MSI Error Record Handle: ";
    default:
        return L"MSI Record Handle: ";
    }
}

}  // namespace

MsiRecord::MsiRecord() : m_handle(0), m_kind(Created) { }

MsiRecord::~MsiRecord()
{
    if (m_handle)
        MsiApi().MsiCloseHandle(m_handle);
    // m_view is released after the record's handle is closed (member destruction).
}

MsiString& MsiRecord::Describe(MsiString& text) const
{
    if (!m_handle) {
        MsiText::Assign(text, L"<Null Msi Record Handle>");
        return text;
    }
    if (m_kind == Fetched || m_kind == ColumnInfo) {
        MsiHeapString pattern;
        UINT count = MsiApi().MsiRecordGetFieldCount(m_handle);
        for (UINT i = 1; i <= count; ++i)
            MsiText::AppendFormat(pattern, L"'[%d]' ", static_cast<int>(i));
        MsiApi().MsiRecordSetStringW(m_handle, 0, MsiText::Get(pattern));
    }
    MsiHeapString formatted;
    wchar_t empty[1] = {L'\0'};
    DWORD size = 0;
    UINT result = MsiApi().MsiFormatRecordW(0, m_handle, empty, &size);
    if (result == ERROR_MORE_DATA) {
        size += 1;
        wchar_t* buffer = MsiText::Buffer(formatted, size);
        result = MsiApi().MsiFormatRecordW(0, m_handle, buffer, &size);
        MsiText::SetLengthFromText(formatted);
    }
    if (result != ERROR_SUCCESS)
        MsiText::Assign(formatted, L"<Unable to read record>");
    MsiText::Append(text, KindPrefix(m_kind));
    MsiText::AppendFormat(text, L"%d (%s)", static_cast<int>(m_handle), MsiText::Get(formatted));
    if (m_view) {
        MsiHeapString view;
        m_view->Describe(view);
        MsiText::Append(text, L" from ");
        MsiText::Append(text, MsiText::Get(view));
    }
    return text;
}

MsiSmartPtr<MsiRecord> MsiRecord::Create(UINT count)
{
    MsiSmartPtr<MsiRecord> record(new MsiRecord);
    record->InitCreated(count);
    return record;
}

MsiSmartPtr<MsiRecord> MsiRecord::GetLastErrorRecord()
{
    MsiSmartPtr<MsiRecord> record(new MsiRecord);
    record->m_handle = MsiApi().MsiGetLastErrorRecord();
    record->m_kind = LastError;
    return record;
}

MsiSmartPtr<MsiRecord> MsiRecord::FromHandle(MSIHANDLE handle)
{
    MsiSmartPtr<MsiRecord> record(new MsiRecord);
    record->m_handle = handle;
    return record;
}

void MsiRecord::InitCreated(UINT count)
{
    m_handle = MsiApi().MsiCreateRecord(count);
    m_view.Reset();
    m_kind = Created;
}

void MsiRecord::InitFetched(MSIHANDLE handle, MsiView& view)
{
    m_handle = handle;
    m_view = &view;
    m_kind = Fetched;
}

void MsiRecord::InitColumnInfo(MSIHANDLE handle, MsiView& view)
{
    m_handle = handle;
    m_view = &view;
    m_kind = ColumnInfo;
}

UINT MsiRecord::GetFieldCount() const
{
    return MsiApi().MsiRecordGetFieldCount(m_handle);
}

void MsiRecord::GetString(MsiString& out, UINT field) const
{
    MSIHANDLE handle = m_handle;
    MsiTextGetter::Read(out, this, true, [handle, field](wchar_t* buffer, DWORD* count) {
        return MsiApi().MsiRecordGetStringW(handle, field, buffer, count);
    });
}

void MsiRecord::SetString(UINT field, const wchar_t* text)
{
    MsiCheck(MsiApi().MsiRecordSetStringW(m_handle, field, text ? text : L""), this);
}

int MsiRecord::GetRawInteger(UINT field) const
{
    return MsiApi().MsiRecordGetInteger(m_handle, field);
}

int MsiRecord::GetInteger(UINT field) const
{
    int value = GetRawInteger(field);
    if (value == static_cast<int>(MSI_NULL_INTEGER))
        MsiThrow(ERROR_INVALID_PARAMETER, this);
    return value;
}

int MsiRecord::GetIntegerOrDefault(UINT field, int defaultValue) const
{
    int value = GetRawInteger(field);
    return value == static_cast<int>(MSI_NULL_INTEGER) ? defaultValue : value;
}

void MsiRecord::SetInteger(UINT field, int value)
{
    MsiCheck(MsiApi().MsiRecordSetInteger(m_handle, field, value), this);
}

void MsiRecord::Format(MsiString& out, MsiSmartPtr<MsiSession> session) const
{
    MSIHANDLE install = session ? session->GetHandle() : 0;
    MSIHANDLE handle = m_handle;
    MsiTextGetter::Read(out, this, true, [install, handle](wchar_t* buffer, DWORD* count) {
        return MsiApi().MsiFormatRecordW(install, handle, buffer, count);
    });
}

DWORD MsiRecord::GetStreamSize() const
{
    DWORD size = 0;
    MsiCheck(MsiApi().MsiRecordReadStream(m_handle, 1, nullptr, &size), this);
    return size;
}

bool MsiRecord::ReadStream(UINT field, char* buffer, DWORD& count) const
{
    DWORD asked = count;
    MsiCheck(MsiApi().MsiRecordReadStream(m_handle, field, buffer, &count), this);
    return count < asked;
}

void MsiRecord::SetStream(UINT field, const wchar_t* path)
{
    MsiCheck(MsiApi().MsiRecordSetStreamW(m_handle, field, path), this);
}

void MsiRecord::SaveStreamToFile(UINT field, const wchar_t* path) const
{
    OrbelToolbox::UniqueKernelHandle file(
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        ThrowWindowsError(WindowsError(GetLastError(), nullptr));
    bool writeFailed = false;
    DWORD writeError = 0;
    try {
        char chunk[1024];
        for (;;) {
            DWORD count = sizeof(chunk);
            bool exhausted = ReadStream(field, chunk, count);
            DWORD written = 0;
            if (count && (!WriteFile(file.Get(), chunk, count, &written, nullptr) || written != count)) {
                writeFailed = true;
                writeError = GetLastError();
                break;
            }
            if (exhausted)
                break;
        }
    } catch (...) {
        file.Reset();
        DeleteFileW(path);
        throw;
    }
    file.Reset();
    if (writeFailed) {
        DeleteFileW(path);
        ThrowWindowsError(WindowsError(writeError, nullptr));
    }
}

size_t MsiRecord::ReadStreamAll(UINT field, void** buffer, ReallocateFn reallocate, ReleaseFn release) const
{
    const size_t step = 4096;
    size_t capacity = step;
    void* block = reallocate(nullptr, capacity);
    if (!block)
        throw PlexaBadAlloc(kPlexaBadAllocation);
    size_t total = 0;
    try {
        for (;;) {
            if (capacity - total < step) {
                void* grown = reallocate(block, capacity * 2);
                if (!grown)
                    throw PlexaBadAlloc(kPlexaBadAllocation);
                block = grown;
                capacity *= 2;
            }
            DWORD count = static_cast<DWORD>(step);
            bool exhausted = ReadStream(field, static_cast<char*>(block) + total, count);
            total += count;
            if (exhausted)
                break;
        }
    } catch (...) {
        release(block);
        *buffer = nullptr;
        throw;
    }
    *buffer = block;
    return total;
}

namespace {

void* LocalReallocate(void* block, size_t size)
{
    if (!block)
        return LocalAlloc(LMEM_FIXED, size);
    return LocalReAlloc(block, size, LMEM_MOVEABLE);
}

void LocalRelease(void* block)
{
    LocalFree(block);
}

}  // namespace

size_t MsiRecord::ReadStreamToLocalBuffer(UINT field, void** buffer) const
{
    return ReadStreamAll(field, buffer, &LocalReallocate, &LocalRelease);
}

size_t MsiRecord::WriteStreamTo(UINT field, std::ostream& out) const
{
    OrbelToolbox::UniqueLocalPtr<void> buffer;
    size_t size = ReadStreamToLocalBuffer(field, buffer.AddressOf());
    out.write(static_cast<const char*>(buffer.Get()), static_cast<std::streamsize>(size));
    return size;
}

MsiOutString MsiRecord::GetMfcString(UINT field) const
{
    MsiOutString text;
    GetString(text, field);
    return text;
}

MsiOutString MsiRecord::FormatMfcString(MsiSmartPtr<MsiSession> session) const
{
    MsiOutString text;
    Format(text, session);
    return text;
}
