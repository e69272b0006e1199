#include "IniErrorList.h"

#include <ostream>

const wchar_t* IniErrorText(int code)
{
    switch (code) {
    case kIniNoError:
        return L"No Error";
    case kIniBadKey:
        return L"Bad Key";
    case kIniMissingKey:
        return L"Missing Key";
    case kIniMissingSection:
        return L"Missing Section";
    case kIniFileNotFound:
        return L"Specified file not found";
    case kIniResourceNotFound:
        return L"Specified resource not found";
    case kIniBadValue:
        return L"Bad Value";
    case kIniDuplicateKey:
        return L"Duplicate Key";
    default:
        return L"<Unrecognized Error>";
    }
}

IniErrorRecord::IniErrorRecord(int code, const wchar_t* section, const wchar_t* key, const wchar_t* value)
    : m_code(code), m_section(section), m_key(key), m_value(value)
{
}

void IniErrorList::Add(int code, const wchar_t* section, const wchar_t* key, const wchar_t* value)
{
    m_records.emplace_back(code, section, key, value);
}

std::wostream& operator<<(std::wostream& out, const IniErrorRecord& record)
{
    out << IniErrorText(record.GetCode()) << L": [" << record.GetSection().GetString() << L"]";
    if (!record.GetKey().IsEmpty()) {
        out << L" " << record.GetKey().GetString();
    }
    if (!record.GetValue().IsEmpty()) {
        out << L" = " << record.GetValue().GetString();
    }
    return out;
}

std::wostream& operator<<(std::wostream& out, const IniErrorList& list)
{
    unsigned long number = 0;
    for (const IniErrorRecord& record : list) {
        out << ++number << L". " << record << L"\r\n";
    }
    return out;
}
