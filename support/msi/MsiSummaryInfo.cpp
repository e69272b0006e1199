#include "MsiSummaryInfo.h"

#include <rpc.h>

#include <new>
#include <string>
#include <vector>

#include "GuidText.h"
#include "MsPrintf.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiFailure.h"
#include "MsiTextGetter.h"

namespace {

const UINT kTemplate = 7;
const UINT kLastSavedBy = 8;
const UINT kRevision = 9;
const UINT kWordCount = 15;
const UINT kCharCount = 16;

std::wstring Trimmed(const std::wstring& s)
{
    size_t i = 0;
    while (i < s.size() && iswspace(s[i]))
        ++i;
    return s.substr(i);
}

// The template text split at its first ";": the platforms before it, the languages after it.
struct TemplateText {
    std::wstring platforms;
    std::wstring languages;
    bool hasSemicolon = false;

    explicit TemplateText(const std::wstring& text)
    {
        size_t semi = text.find(L';');
        if (semi == std::wstring::npos) {
            platforms = text;
        } else {
            hasSemicolon = true;
            platforms = text.substr(0, semi);
            languages = text.substr(semi + 1);
        }
    }

    std::vector<std::wstring> LanguageEntries() const
    {
        std::vector<std::wstring> entries;
        if (languages.empty())
            return entries;
        size_t start = 0;
        for (;;) {
            size_t comma = languages.find(L',', start);
            entries.push_back(
                languages.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
            if (comma == std::wstring::npos)
                break;
            start = comma + 1;
        }
        return entries;
    }

    int PlatformFlags() const
    {
        int flags = 0;
        size_t start = 0;
        for (;;) {
            size_t comma = platforms.find(L',', start);
            std::wstring name
                = platforms.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
            if (_wcsicmp(name.c_str(), L"intel") == 0)
                flags |= MsiSummaryInfo::Intel;
            else if (_wcsicmp(name.c_str(), L"alpha") == 0)
                flags |= MsiSummaryInfo::Alpha;
            if (comma == std::wstring::npos)
                break;
            start = comma + 1;
        }
        return flags;
    }

    // The part before the semicolon and the semicolon.
    std::wstring Head() const { return platforms + L";"; }
};

std::wstring PlatformNames(int platforms)
{
    std::wstring names;
    if (platforms & MsiSummaryInfo::Intel)
        names = L"Intel";
    if (platforms & MsiSummaryInfo::Alpha)
        names += names.empty() ? L"Alpha" : L",Alpha";
    return names;
}

short ToShort(const std::wstring& text)
{
    return static_cast<short>(_wtoi(text.c_str()));
}

}  // namespace

MsiSummaryInfo::MsiSummaryInfo() : m_handle(0), m_updateCount(0) { }

MsiSummaryInfo::~MsiSummaryInfo()
{
    CloseHandle();
}

void MsiSummaryInfo::CloseHandle()
{
    if (m_handle) {
        MsiApi().MsiCloseHandle(m_handle);
        m_handle = 0;
    }
}

MsiString& MsiSummaryInfo::Describe(MsiString& text) const
{
    MsiText::Format(text, L"MSI Summary Information Handle %d", static_cast<int>(m_handle));
    return text;
}

int MsiSummaryInfo::GetIntegerProperty(UINT pid) const
{
    UINT type = 0;
    INT value = 0;
    MsiCheck(MsiApi().MsiSummaryInfoGetPropertyW(m_handle, pid, &type, &value, nullptr, nullptr, nullptr), this);
    return value;
}

FILETIME MsiSummaryInfo::GetFileTimeProperty(UINT pid) const
{
    UINT type = 0;
    INT value = 0;
    FILETIME time = {0, 0};
    MsiCheck(MsiApi().MsiSummaryInfoGetPropertyW(m_handle, pid, &type, &value, &time, nullptr, nullptr), this);
    return time;
}

void MsiSummaryInfo::GetStringProperty(MsiString& out, UINT pid) const
{
    MSIHANDLE handle = m_handle;
    MsiTextGetter::Read(out, this, true, [handle, pid](wchar_t* buffer, DWORD* count) {
        UINT type = 0;
        INT value = 0;
        FILETIME time = {0, 0};
        return MsiApi().MsiSummaryInfoGetPropertyW(handle, pid, &type, &value, &time, buffer, count);
    });
}

void MsiSummaryInfo::SetStringProperty(UINT pid, const wchar_t* text)
{
    MsiCheck(MsiApi().MsiSummaryInfoSetPropertyW(m_handle, pid, VT_LPSTR, 0, nullptr, text), this);
}

void MsiSummaryInfo::SetShortProperty(UINT pid, short value)
{
    MsiCheck(MsiApi().MsiSummaryInfoSetPropertyW(m_handle, pid, VT_I2, value, nullptr, nullptr), this);
}

void MsiSummaryInfo::SetIntegerProperty(UINT pid, int value)
{
    MsiCheck(MsiApi().MsiSummaryInfoSetPropertyW(m_handle, pid, VT_I4, value, nullptr, nullptr), this);
}

void MsiSummaryInfo::SetFileTimeProperty(UINT pid, const FILETIME& value)
{
    FILETIME time = value;
    MsiCheck(MsiApi().MsiSummaryInfoSetPropertyW(m_handle, pid, VT_FILETIME, 0, &time, nullptr), this);
}

void MsiSummaryInfo::Persist()
{
    MsiCheck(MsiApi().MsiSummaryInfoPersist(m_handle), this);
}

int MsiSummaryInfo::GetCodepage() const
{
    return GetIntegerProperty(1);
}

void MsiSummaryInfo::SetCodepage(int codepage)
{
    SetShortProperty(1, static_cast<short>(codepage));
}

bool MsiSummaryInfo::IsShortFileNames() const
{
    return (GetIntegerProperty(kWordCount) & 1) != 0;
}
bool MsiSummaryInfo::IsLongFileNames() const
{
    return !IsShortFileNames();
}
void MsiSummaryInfo::SetShortFileNames()
{
    SetSourceBit(1, true);
}
void MsiSummaryInfo::SetLongFileNames()
{
    SetSourceBit(1, false);
}
bool MsiSummaryInfo::IsCompressed() const
{
    return (GetIntegerProperty(kWordCount) & 2) != 0;
}
bool MsiSummaryInfo::IsUncompressed() const
{
    return !IsCompressed();
}
void MsiSummaryInfo::SetCompressed()
{
    SetSourceBit(2, true);
}
void MsiSummaryInfo::SetUncompressed()
{
    SetSourceBit(2, false);
}

void MsiSummaryInfo::SetSourceBit(int bit, bool set)
{
    int value = GetIntegerProperty(kWordCount);
    SetIntegerProperty(kWordCount, set ? (value | bit) : (value & ~bit));
}

int MsiSummaryInfo::GetValidationConditions() const
{
    return static_cast<int>(static_cast<unsigned>(GetIntegerProperty(kCharCount)) >> 16);
}

bool MsiSummaryInfo::HasValidationCondition(int mask) const
{
    return (GetValidationConditions() & mask) != 0;
}

void MsiSummaryInfo::AddValidationConditions(int mask)
{
    SetIntegerProperty(
        kCharCount, GetIntegerProperty(kCharCount) | static_cast<int>(static_cast<unsigned>(mask) << 16));
}

void MsiSummaryInfo::RemoveValidationConditions(int mask)
{
    SetIntegerProperty(
        kCharCount, GetIntegerProperty(kCharCount) & ~static_cast<int>(static_cast<unsigned>(mask) << 16));
}

int MsiSummaryInfo::GetErrorConditions() const
{
    return GetIntegerProperty(kCharCount) & 0xFFFF;
}

bool MsiSummaryInfo::HasErrorCondition(int mask) const
{
    return (GetErrorConditions() & mask) != 0;
}

void MsiSummaryInfo::AddErrorConditions(int mask)
{
    SetIntegerProperty(kCharCount, GetIntegerProperty(kCharCount) | mask);
}

void MsiSummaryInfo::RemoveErrorConditions(int mask)
{
    SetIntegerProperty(kCharCount, GetIntegerProperty(kCharCount) & ~mask);
}

bool MsiSummaryInfo::GetPackageCode(GUID& code) const
{
    MsiHeapString text;
    GetRevisionNumber(text);
    std::wstring s(MsiText::Get(text));
    if (s.size() < 2)
        return false;
    std::wstring inner = s.substr(1, s.size() - 2);
    return UuidFromStringW(reinterpret_cast<RPC_WSTR>(&inner[0]), &code) == RPC_S_OK;
}

void MsiSummaryInfo::SetPackageCode(const GUID& code)
{
    GUID copy = code;
    RPC_WSTR text = nullptr;
    RPC_STATUS status = g_pfnUuidToStringW(&copy, &text);
    if (status != RPC_S_OK || !text)
        ThrowGuidTextFailure(status, L"UuidToStringW");
    std::wstring upper(reinterpret_cast<const wchar_t*>(text));
    RpcStringFreeW(&text);
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(towupper(c));
    SetStringProperty(kRevision, MsFormat(L"{%s}", upper.c_str()).c_str());
}

void MsiSummaryInfo::NewPackageCode()
{
    GUID code;
    UuidCreate(&code);
    SetPackageCode(code);
}

bool MsiSummaryInfo::SetPackageCodeText(const wchar_t* text)
{
    std::wstring s(text ? text : L"");
    if (s.size() < 2)
        return false;
    std::wstring inner = s.substr(1, s.size() - 2);
    GUID code;
    if (UuidFromStringW(reinterpret_cast<RPC_WSTR>(&inner[0]), &code) != RPC_S_OK)
        return false;
    SetPackageCode(code);
    return true;
}

namespace {

std::wstring ReadText(const MsiSummaryInfo& info, UINT pid)
{
    MsiHeapString text;
    info.GetStringProperty(text, pid);
    return MsiText::Get(text);
}

}  // namespace

int MsiSummaryInfo::GetPlatforms() const
{
    return TemplateText(ReadText(*this, kTemplate)).PlatformFlags();
}

int MsiSummaryInfo::GetTargetPlatforms() const
{
    return TemplateText(ReadText(*this, kLastSavedBy)).PlatformFlags();
}

int MsiSummaryInfo::GetLanguageCount() const
{
    TemplateText t(ReadText(*this, kTemplate));
    return static_cast<int>(t.LanguageEntries().size());
}

int MsiSummaryInfo::GetLanguage(int index) const
{
    if (index < 0)
        MsiThrow(ERROR_INVALID_PARAMETER, this);
    TemplateText t(ReadText(*this, kTemplate));
    if (!t.hasSemicolon)
        return -1;
    std::vector<std::wstring> entries = t.LanguageEntries();
    if (entries.empty())
        return 0;
    size_t i = static_cast<size_t>(index) < entries.size() ? static_cast<size_t>(index) : entries.size() - 1;
    return ToShort(entries[i]);
}

bool MsiSummaryInfo::HasLanguage(LANGID language) const
{
    TemplateText t(ReadText(*this, kTemplate));
    for (const std::wstring& entry : t.LanguageEntries())
        if (static_cast<LANGID>(ToShort(entry)) == language)
            return true;
    return false;
}

namespace {

int FirstLanguageOf(const std::wstring& text)
{
    TemplateText t(text);
    if (!t.hasSemicolon)
        return -1;
    return ToShort(t.languages);
}

}  // namespace

int MsiSummaryInfo::GetFirstLanguage() const
{
    return FirstLanguageOf(ReadText(*this, kTemplate));
}

int MsiSummaryInfo::GetTargetLanguage() const
{
    return FirstLanguageOf(ReadText(*this, kLastSavedBy));
}

void MsiSummaryInfo::SetPlatformsOf(UINT pid, int platforms)
{
    int first = FirstLanguageOf(ReadText(*this, pid));
    std::wstring text
        = PlatformNames(platforms) + MsFormat(L";%d", static_cast<int>(static_cast<unsigned short>(first)));
    SetStringProperty(pid, text.c_str());
}

void MsiSummaryInfo::SetPlatforms(int platforms)
{
    SetPlatformsOf(kTemplate, platforms);
}

void MsiSummaryInfo::SetTargetPlatforms(int platforms)
{
    SetPlatformsOf(kLastSavedBy, platforms);
}

void MsiSummaryInfo::SetPlatformsKeepLanguages(int platforms)
{
    TemplateText t(ReadText(*this, kTemplate));
    std::wstring text = PlatformNames(platforms) + L";";
    bool first = true;
    for (const std::wstring& entry : t.LanguageEntries()) {
        text += MsFormat(first ? L"%d" : L",%d", static_cast<int>(ToShort(entry)));
        first = false;
    }
    SetStringProperty(kTemplate, text.c_str());
}

void MsiSummaryInfo::SetLanguageOf(UINT pid, LANGID language)
{
    TemplateText t(ReadText(*this, pid));
    std::wstring text = t.Head() + MsFormat(L"%d", static_cast<int>(language));
    SetStringProperty(pid, text.c_str());
}

void MsiSummaryInfo::SetLanguage(LANGID language)
{
    SetLanguageOf(kTemplate, language);
}

void MsiSummaryInfo::SetTargetLanguage(LANGID language)
{
    SetLanguageOf(kLastSavedBy, language);
}

int MsiSummaryInfo::AddLanguage(LANGID language)
{
    std::wstring text = ReadText(*this, kTemplate);
    TemplateText t(text);
    if (!t.LanguageEntries().empty())
        text += L",";
    else if (text.empty() || text.back() != L';')
        text += L";";
    text += MsFormat(L"%d", static_cast<int>(language));
    SetStringProperty(kTemplate, text.c_str());
    return static_cast<int>(TemplateText(text).LanguageEntries().size());
}

bool MsiSummaryInfo::RemoveLanguage(LANGID language)
{
    TemplateText t(ReadText(*this, kTemplate));
    std::wstring text = t.Head();
    bool found = false;
    bool first = true;
    for (const std::wstring& entry : t.LanguageEntries()) {
        if (static_cast<LANGID>(ToShort(entry)) == language) {
            found = true;
            continue;
        }
        text += MsFormat(first ? L"%d" : L",%d", static_cast<int>(ToShort(entry)));
        first = false;
    }
    SetStringProperty(kTemplate, text.c_str());
    return found;
}

void MsiSummaryInfo::RemoveAllLanguages()
{
    TemplateText t(ReadText(*this, kTemplate));
    SetStringProperty(kTemplate, t.Head().c_str());
}

void MsiSummaryInfo::CopyFrom(const wchar_t* path)
{
    MsiSmartPtr<MsiDatabaseSummaryInfo> other = MsiDatabaseSummaryInfo::Open(path, 0);
    static const UINT texts[] = {2, 3, 4, 5, 6, 7, 8, 9, 18};
    for (UINT pid : texts)
        SetStringProperty(pid, ReadText(*other, pid).c_str());
    SetShortProperty(1, static_cast<short>(other->GetIntegerProperty(1)));
    static const UINT integers[] = {14, 15, 16, 19};
    for (UINT pid : integers)
        SetIntegerProperty(pid, other->GetIntegerProperty(pid));
    // Time stamps the package does not carry (VT_EMPTY) are not written as zero times.
    for (UINT pid = 10; pid <= 13; ++pid) {
        UINT type = 0;
        INT value = 0;
        FILETIME time = {0, 0};
        MsiCheck(MsiApi().MsiSummaryInfoGetPropertyW(other->GetHandle(), pid, &type, &value, &time, nullptr, nullptr),
            other.Get());
        if (type == VT_FILETIME)
            SetFileTimeProperty(pid, time);
    }
}

namespace {

// The five parts of a transform's revision text. Each part is bounded (codes 40 characters,
// versions 30) and always terminated; codes keep their braces, versions lose leading blanks.
struct RevisionParts {
    std::wstring part[5];

    explicit RevisionParts(const std::wstring& text)
    {
        std::wstring pieces[3];
        size_t start = 0;
        for (int i = 0; i < 3; ++i) {
            size_t semi = text.find(L';', start);
            pieces[i] = text.substr(start, semi == std::wstring::npos ? std::wstring::npos : semi - start);
            if (semi == std::wstring::npos)
                break;
            start = semi + 1;
        }
        SplitCodeAndVersion(pieces[0], part[0], part[1]);
        SplitCodeAndVersion(pieces[1], part[2], part[3]);
        std::wstring unused;
        SplitCodeAndVersion(pieces[2], part[4], unused);
    }

    static void SplitCodeAndVersion(const std::wstring& piece, std::wstring& code, std::wstring& version)
    {
        std::wstring trimmed = Trimmed(piece);
        size_t close = trimmed.find(L'}');
        if (!trimmed.empty() && trimmed[0] == L'{' && close != std::wstring::npos) {
            code = trimmed.substr(0, close + 1);
            version = Trimmed(trimmed.substr(close + 1));
        } else {
            code.clear();
            version = trimmed;
        }
        if (code.size() > 40)
            code.resize(40);
        if (version.size() > 30)
            version.resize(30);
    }
};

}  // namespace

void MsiSummaryInfo::GetRevisionPart(MsiString& out, int part) const
{
    RevisionParts parts(ReadText(*this, kRevision));
    MsiText::Assign(out, parts.part[part].c_str());
}

void MsiSummaryInfo::SetRevisionPart(int part, const wchar_t* text)
{
    RevisionParts parts(ReadText(*this, kRevision));
    parts.part[part] = text ? text : L"";
    std::wstring value = MsFormat(L"%s %s;%s %s;%s", parts.part[0].c_str(), parts.part[1].c_str(),
        parts.part[2].c_str(), parts.part[3].c_str(), parts.part[4].c_str());
    SetStringProperty(kRevision, value.c_str());
}

MsiDatabaseSummaryInfo::MsiDatabaseSummaryInfo() = default;
MsiDatabaseSummaryInfo::~MsiDatabaseSummaryInfo()
{
    // The database is released after the handle opened on it is closed (member destruction).
    CloseHandle();
}

MsiString& MsiDatabaseSummaryInfo::Describe(MsiString& text) const
{
    MsiText::Format(text, L"MSI Database Summary Information Handle %d opened from ", static_cast<int>(GetHandle()));
    if (m_database) {
        MsiHeapString db;
        m_database->Describe(db);
        MsiText::Append(text, MsiText::Get(db));
    } else {
        MsiText::Append(text, MsiText::Get(m_path));
    }
    return text;
}

MsiSmartPtr<MsiDatabaseSummaryInfo> MsiDatabaseSummaryInfo::Open(const wchar_t* path, UINT updateCount)
{
    MsiSmartPtr<MsiDatabaseSummaryInfo> info(new MsiDatabaseSummaryInfo);
    MSIHANDLE handle = 0;
    MsiCheck(MsiApi().MsiGetSummaryInformationW(0, path, updateCount, &handle), info.Get());
    info->SetHandle(handle, updateCount);
    MsiText::Assign(info->m_path, path);
    return info;
}

void MsiDatabaseSummaryInfo::Attach(MSIHANDLE handle, MsiSmartPtr<MsiDatabase> database, UINT updateCount)
{
    SetHandle(handle, updateCount);
    m_database = database;
}

MsiString& MsiTransformSummaryInfo::Describe(MsiString& text) const
{
    MsiText::Format(text, L"MSI Transform Summary Information Handle %d opened from %s", static_cast<int>(GetHandle()),
        MsiText::Get(m_path));
    return text;
}

MsiSmartPtr<MsiTransformSummaryInfo> MsiTransformSummaryInfo::Open(const wchar_t* path, UINT updateCount)
{
    MsiSmartPtr<MsiTransformSummaryInfo> info(new MsiTransformSummaryInfo);
    MSIHANDLE handle = 0;
    MsiCheck(MsiApi().MsiGetSummaryInformationW(0, path, updateCount, &handle), info.Get());
    info->SetHandle(handle, updateCount);
    MsiText::Assign(info->m_path, path);
    return info;
}
