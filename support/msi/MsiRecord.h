// MsiRecord: one Windows Installer record: a fetched row, a column-information record, a record
// the program creates, or the engine's last-error record. A fetched or column-information record
// keeps its view (and so the database) open.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <iosfwd>

#include "IMsiObject.h"
#include "MsiSmartPtr.h"
#include "MsiText.h"
#include "MsiView.h"

class MsiSession;

class MsiRecord : public IMsiObject {
public:
    enum Kind { Created = 0, Fetched = 1, ColumnInfo = 2, LastError = 3 };

    MsiRecord();
    ~MsiRecord() override;

    MSIHANDLE GetHandle() const override { return m_handle; }
    // Appends the description (a record without a handle replaces the text).
    MsiString& Describe(MsiString& text) const override;

    // A new record of `count` fields (MsiCreateRecord; a failed creation leaves handle 0).
    static MsiSmartPtr<MsiRecord> Create(UINT count);
    // The engine's last-error record; its handle is 0 when the engine has none.
    static MsiSmartPtr<MsiRecord> GetLastErrorRecord();
    // Wraps a record handle that the engine handed out (kind 0); the record closes it.
    static MsiSmartPtr<MsiRecord> FromHandle(MSIHANDLE handle);

    void InitCreated(UINT count);
    void InitFetched(MSIHANDLE handle, MsiView& view);
    void InitColumnInfo(MSIHANDLE handle, MsiView& view);

    int GetKind() const { return m_kind; }
    UINT GetFieldCount() const;

    void GetString(MsiString& out, UINT field) const;
    void SetString(UINT field, const wchar_t* text);  // null: the empty text
    int GetRawInteger(UINT field) const;              // MSI_NULL_INTEGER passed through
    int GetInteger(UINT field) const;                 // a null field throws 87
    int GetIntegerOrDefault(UINT field, int defaultValue) const;
    void SetInteger(UINT field, int value);
    // Formats the record (field 0 is the template) in the session, or without one.
    void Format(MsiString& out, MsiSmartPtr<MsiSession> session) const;

    // Size in bytes of the stream in field 1.
    DWORD GetStreamSize() const;
    // Reads up to `count` bytes; `count` becomes the number read. True when fewer bytes came than
    // were asked for (the stream is exhausted).
    bool ReadStream(UINT field, char* buffer, DWORD& count) const;
    void SetStream(UINT field, const wchar_t* path);
    void SaveStreamToFile(UINT field, const wchar_t* path) const;

    // Whole-stream readers: the stream of `field` in a buffer obtained through `reallocate`
    // (which gets the old block or null and the new size), released through `release` when
    // reading fails. Returns the size in bytes.
    typedef void* (*ReallocateFn)(void* block, size_t size);
    typedef void (*ReleaseFn)(void* block);
    size_t ReadStreamAll(UINT field, void** buffer, ReallocateFn reallocate, ReleaseFn release) const;
    // The same with LocalAlloc/LocalReAlloc and LocalFree (the caller frees with LocalFree).
    size_t ReadStreamToLocalBuffer(UINT field, void** buffer) const;
    // Writes the whole stream to `out`; returns the number of bytes.
    size_t WriteStreamTo(UINT field, std::ostream& out) const;

    // Texts for the application.
    MsiOutString GetMfcString(UINT field) const;
    MsiOutString FormatMfcString(MsiSmartPtr<MsiSession> session) const;

private:
    MSIHANDLE m_handle;
    MsiSmartPtr<MsiView> m_view;
    int m_kind;
};
