#include "MsiTableInformation.h"

#include "GuidText.h"
#include "MsiDatabase.h"
#include "MsiFailure.h"
#include "MsiRecord.h"
#include "MsiView.h"

MsiTableInformation::MsiTableInformation(MsiSmartPtr<MsiDatabase> database, const wchar_t* table)
    : m_columnCount(0), m_uniqueCounter(1), m_database(database)
{
    if (!database->TableExists(table))
        MsiThrow(ERROR_INVALID_TABLE, this);
    MsiText::Assign(m_table, table);
    MsiSmartPtr<MsiView> view = database->OpenView(L"SELECT * FROM `%s`", table);
    view->Execute();
    MsiSmartPtr<MsiRecord> names = view->GetColumnNames();
    MsiSmartPtr<MsiRecord> types = view->GetColumnTypes();
    m_columnCount = names->GetFieldCount();
    for (UINT i = 1; i <= m_columnCount; ++i) {
        MsiHeapString name, type;
        names->GetString(name, i);
        types->GetString(type, i);
        m_numberByName.emplace(MsiText::Get(name), i);
        m_nameByNumber.emplace(i, MsiText::Get(name));
        m_typeByNumber.emplace(i, MsiText::Get(type));
    }
    m_uniqueCounter = 1;
}

MsiTableInformation::~MsiTableInformation() = default;

MsiString& MsiTableInformation::Describe(MsiString& text) const
{
    MsiText::Format(text, L"MsiTableInformation Object for table %s", MsiText::Get(m_table));
    return text;
}

const wchar_t* MsiTableInformation::GetColumnName(UINT column) const
{
    auto it = m_nameByNumber.find(column);
    if (it == m_nameByNumber.end())
        MsiThrow(ERROR_INVALID_PARAMETER, this);
    return it->second.c_str();
}

const wchar_t* MsiTableInformation::GetColumnType(UINT column) const
{
    auto it = m_typeByNumber.find(column);
    if (it == m_typeByNumber.end())
        MsiThrow(ERROR_INVALID_PARAMETER, this);
    return it->second.c_str();
}

UINT MsiTableInformation::GetColumnNumber(const wchar_t* name) const
{
    auto it = m_numberByName.find(name ? name : L"");
    if (it == m_numberByName.end())
        MsiThrow(ERROR_INVALID_PARAMETER, this);
    return it->second;
}

const wchar_t* MsiTableInformation::MakeUniqueValue(
    MsiSmartPtr<MsiDatabase> database, const wchar_t* column, const wchar_t* base)
{
    std::wstring baseText(base ? base : L"");
    MsiText::Assign(m_unique, baseText.c_str());
    if (baseText.empty()) {
        MsiHeapString guid;
        CreateGuidIdentifier(guid);
        MsiText::Append(m_unique, MsiText::Get(guid));
        return MsiText::Get(m_unique);
    }
    for (;;) {
        MsiSmartPtr<MsiView> view = database->OpenView(
            L"SELECT `%s` FROM `%s` WHERE `%s` = '%s'", column, MsiText::Get(m_table), column, MsiText::Get(m_unique));
        view->Execute();
        if (!view->Fetch())
            return MsiText::Get(m_unique);
        ++m_uniqueCounter;
        MsiText::Format(m_unique, L"%s%d", baseText.c_str(), m_uniqueCounter);
    }
}

const wchar_t* MsiTableInformation::MakeUniqueValue(const wchar_t* column, const wchar_t* base)
{
    return MakeUniqueValue(m_database, column, base);
}

const wchar_t* MsiTableInformation::MakeProductUniqueValue(
    MsiSmartPtr<MsiDatabase> database, const wchar_t* column, const wchar_t* prefix)
{
    static MsiHeapString s_text;
    std::wstring text(prefix ? prefix : L"");
    if (!text.empty()) {
        for (wchar_t& c : text)
            c = static_cast<wchar_t>(towupper(c));
        text += L'.';
    }
    auto isLetter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
    if (text.empty() || !(isLetter(text[0]) || text[0] == L'_'))
        text.insert(0, L"_");
    for (size_t i = 1; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (!(isLetter(c) || (c >= L'0' && c <= L'9') || c == L'_' || c == L'.'))
            text[i] = L'_';
    }
    MsiHeapString productCode;
    database->GetProperty(productCode, L"ProductCode");
    GuidTextToIdentifier(productCode);
    text += MsiText::Get(productCode);
    MsiText::Assign(s_text, MakeUniqueValue(database, column, text.c_str()));
    return MsiText::Get(s_text);
}

MsiSmartPtr<MsiRecord> MsiTableInformation::RecordFromText(MsiString& text)
{
    std::wstring all(MsiText::Get(text));
    UINT fields = 0;
    for (wchar_t c : all)
        if (c == L'\x0001')
            ++fields;
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(fields);
    size_t start = 0;
    for (UINT field = 1; field <= fields; ++field) {
        size_t end = all.find(L'\x0001', start);
        record->SetString(field, all.substr(start, end - start).c_str());
        start = end + 1;
    }
    MsiText::Assign(text, all.substr(start).c_str());
    return record;
}
