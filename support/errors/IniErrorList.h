// The bad or missing entries that a reader of the configuration (or of the spec file, or of the
// volume ID file) collects, reported at once as one numbered list.
#pragma once

#include "CString.h"

#include <iosfwd>
#include <vector>

// The kinds of bad entry: the records' codes.
enum IniErrorCode {
    kIniNoError = 0,
    kIniBadKey = 1,
    kIniMissingKey = 2,
    kIniMissingSection = 3,
    kIniFileNotFound = 4,
    kIniResourceNotFound = 5,
    kIniBadValue = 6,
    kIniDuplicateKey = 7,
};

// The text of an INI error code ("Bad Key", "Missing Key"...; "<Unrecognized Error>" for any
// other code).
const wchar_t* IniErrorText(int code);

// One bad entry: code, section, key (empty when the whole section is meant) and the offending
// value or the path looked for (empty when none).
class IniErrorRecord {
public:
    // Missing texts (null) become empty texts.
    IniErrorRecord(
        int code, const wchar_t* section = nullptr, const wchar_t* key = nullptr, const wchar_t* value = nullptr);

    int GetCode() const { return m_code; }
    const CString& GetSection() const { return m_section; }
    const CString& GetKey() const { return m_key; }
    const CString& GetValue() const { return m_value; }

private:
    int m_code;
    CString m_section;
    CString m_key;
    CString m_value;
};

// The records in the order of Add; an empty list means the step succeeded.
class IniErrorList {
public:
    using const_iterator = std::vector<IniErrorRecord>::const_iterator;

    void Add(int code, const wchar_t* section = nullptr, const wchar_t* key = nullptr, const wchar_t* value = nullptr);

    bool IsEmpty() const { return m_records.empty(); }
    size_t GetCount() const { return m_records.size(); }
    const IniErrorRecord& operator[](size_t index) const { return m_records.at(index); }
    const_iterator begin() const { return m_records.begin(); }
    const_iterator end() const { return m_records.end(); }

private:
    std::vector<IniErrorRecord> m_records;
};

// "Missing Key: [Section] Key = value": the key part only when the key is not empty, the value
// part only when the value is not empty.
std::wostream& operator<<(std::wostream& out, const IniErrorRecord& record);

// One line per record, numbered from 1: "1. " record "\r\n". An empty list writes nothing.
std::wostream& operator<<(std::wostream& out, const IniErrorList& list);
