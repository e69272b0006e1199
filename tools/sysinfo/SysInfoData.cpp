#include "SysInfoData.h"

#include <msi.h>
#include <shlobj.h>

#include <cwchar>
#include <cwctype>
#include <new>

extern HMODULE g_serverModule;

namespace sysinfo {

namespace {

const wchar_t kServer[] = L"Server";
// Longest value read from the data file.
const DWORD kValueChars = 32767;

std::wstring Trim(const std::wstring& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && iswspace(text[first]))
        ++first;
    while (last > first && iswspace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

long ReadLong(const wchar_t* section, const wchar_t* key)
{
    return wcstol(ReadValue(section, key).c_str(), nullptr, 0);
}

// a.b.c.d with a in the top 16 bits; missing parts are 0, each part keeps its low 16 bits.
unsigned long long ParseVersion(const std::wstring& text)
{
    unsigned long long value = 0;
    const wchar_t* p = text.c_str();
    for (int shift = 48; shift >= 0; shift -= 16) {
        const unsigned long part = wcstoul(p, nullptr, 10);
        value |= static_cast<unsigned long long>(part & 0xFFFF) << shift;
        p = wcschr(p, L'.');
        if (!p)
            break;
        ++p;
    }
    return value;
}

bool LanguageListed(const std::wstring& list, long language)
{
    size_t position = 0;
    while (position < list.size()) {
        const size_t start = list.find_first_not_of(L" ,\t", position);
        if (start == std::wstring::npos)
            break;
        size_t end = list.find_first_of(L" ,\t", start);
        if (end == std::wstring::npos)
            end = list.size();
        const long token = wcstol(list.substr(start, end - start).c_str(), nullptr, 10);
        if (static_cast<WORD>(token) == static_cast<WORD>(language))
            return true;
        position = end;
    }
    return false;
}

void WriteValue(const std::wstring& section, const wchar_t* key, const std::wstring& value)
{
    WritePrivateProfileStringW(section.c_str(), key, value.c_str(), DataFilePath().c_str());
}

// The data file beside the module: its path with the extension ".ini".
std::wstring FileBesideModule()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(g_serverModule, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
        path.resize(dot);
    return path + L".ini";
}

// The machine's data file, its folders created on first use.
std::wstring MachineFile()
{
    wchar_t common[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common)))
        GetWindowsDirectoryW(common, MAX_PATH);
    std::wstring folder = std::wstring(common) + L"\\Zekova Systems";
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\ZKSysInfo";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\ZKSysInfo.ini";
}

// Whether Windows Installer reports the product as installed; bound by name, so that the module
// never keeps the installer's library loaded.
bool IsProductInstalled(const std::wstring& productCode)
{
    HMODULE msi = LoadLibraryW(L"msi.dll");
    if (!msi)
        return false;
    typedef INSTALLSTATE(WINAPI * QueryProductState)(LPCWSTR);
    const QueryProductState query = reinterpret_cast<QueryProductState>(
        reinterpret_cast<void (*)()>(GetProcAddress(msi, "MsiQueryProductStateW")));
    const bool installed = query && query(productCode.c_str()) == INSTALLSTATE_DEFAULT;
    FreeLibrary(msi);
    return installed;
}

}  // namespace

bool Dependency::Accepts(const std::wstring& code, const std::wstring& version, long language) const
{
    if (!SameText(code, upgradeCode))
        return false;
    const unsigned long long v = ParseVersion(version);
    const unsigned long long low = ParseVersion(versionMin);
    if ((attributes & 0x100) ? v < low : v <= low)
        return false;
    const unsigned long long high = versionMax.empty() ? ~0ULL : ParseVersion(versionMax);
    if ((attributes & 0x200) ? v > high : v >= high)
        return false;
    const bool listed = languages.empty() || LanguageListed(languages, language);
    return (attributes & 0x400) ? !listed : listed;
}

std::wstring DataFilePath()
{
    const std::wstring beside = FileBesideModule();
    return GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES ? beside : MachineFile();
}

std::wstring ReadValue(const wchar_t* section, const wchar_t* key)
{
    std::wstring value(kValueChars, L'\0');
    const DWORD length = GetPrivateProfileStringW(section, key, L"", &value[0], kValueChars, DataFilePath().c_str());
    value.resize(length);
    return Trim(value);
}

HRESULT ReadResult(const wchar_t* section, const wchar_t* key)
{
    return static_cast<HRESULT>(wcstoul(ReadValue(section, key).c_str(), nullptr, 0));
}

void ReadVersion(unsigned long& high, unsigned long& low)
{
    const std::wstring text = ReadValue(kServer, L"Version");
    if (text.empty()) {
        high = 1;
        low = 0;
        return;
    }
    wchar_t* end = nullptr;
    high = wcstoul(text.c_str(), &end, 10);
    low = *end == L'.' ? wcstoul(end + 1, nullptr, 10) : 0;
}

ProductList ReadProducts()
{
    auto products = std::make_shared<std::vector<Product>>();
    for (const std::wstring& code : SplitList(ReadValue(L"Products", L"Codes"))) {
        Product product;
        const wchar_t* section = code.c_str();
        product.productCode = code;
        product.upgradeCode = ReadValue(section, L"UpgradeCode");
        product.name = ReadValue(section, L"Name");
        product.nameDetail = ReadValue(section, L"NameDetail");
        product.arpVisible = ReadLong(section, L"ArpVisible") != 0;
        product.subsets = SplitList(ReadValue(section, L"Subsets"));
        product.lists = SplitList(ReadValue(section, L"Lists"));
        for (const std::wstring& name : SplitList(ReadValue(section, L"Dependencies"))) {
            const wchar_t* record = name.c_str();
            Dependency dependency;
            dependency.upgradeCode = ReadValue(record, L"UpgradeCode");
            dependency.subsetName = ReadValue(record, L"SubsetName");
            dependency.versionMin = ReadValue(record, L"VersionMin");
            dependency.versionMax = ReadValue(record, L"VersionMax");
            dependency.languages = ReadValue(record, L"Languages");
            dependency.feature = ReadValue(record, L"Feature");
            dependency.condition = ReadValue(record, L"Condition");
            dependency.attributes = ReadLong(record, L"Attributes");
            product.dependencies.push_back(dependency);
        }
        products->push_back(product);
    }
    return products;
}

std::vector<Distribution> ReadDistributions()
{
    std::vector<Distribution> distributions;
    for (const std::wstring& guid : SplitList(ReadValue(L"Distributions", L"Guids"))) {
        const std::wstring name = L"Distribution " + guid;
        const wchar_t* section = name.c_str();
        Distribution distribution;
        distribution.guid = guid;
        distribution.packageGuid = ReadValue(section, L"PackageGuid");
        distribution.languages = ReadValue(section, L"Languages");
        distribution.version = ReadValue(section, L"Version");
        distribution.setupPath = ReadValue(section, L"SetupPath");
        distribution.rootVolume = ReadLong(section, L"RootVolume");
        distribution.rootPath = ReadValue(section, L"RootPath");
        distribution.title = ReadValue(section, L"Title");
        distribution.odwBuilt = ReadLong(section, L"OdwBuilt");
        for (int n = 1;; ++n) {
            const std::wstring key = L"Part" + std::to_wstring(n);
            const std::wstring fields = ReadValue(section, key.c_str());
            if (fields.empty())
                break;
            DistributionPart part;
            part.productCode = Trim(fields.substr(0, fields.find(L',')));
            distribution.parts.push_back(part);
        }
        distributions.push_back(distribution);
    }
    return distributions;
}

std::vector<Distribution> ReadInstalledDistributions()
{
    std::vector<Distribution> installed;
    for (const Distribution& distribution : ReadDistributions()) {
        for (const DistributionPart& part : distribution.parts) {
            if (IsProductInstalled(part.productCode)) {
                installed.push_back(distribution);
                break;
            }
        }
    }
    return installed;
}

void WriteDistribution(const Distribution& distribution)
{
    const std::wstring section = L"Distribution " + distribution.guid;
    // The section is written anew: parts of an earlier record must not stay.
    WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, DataFilePath().c_str());
    WriteValue(section, L"PackageGuid", distribution.packageGuid);
    WriteValue(section, L"Languages", distribution.languages);
    WriteValue(section, L"Version", distribution.version);
    WriteValue(section, L"SetupPath", distribution.setupPath);
    WriteValue(section, L"RootVolume", std::to_wstring(distribution.rootVolume));
    WriteValue(section, L"RootPath", distribution.rootPath);
    WriteValue(section, L"Title", distribution.title);
    WriteValue(section, L"OdwBuilt", std::to_wstring(distribution.odwBuilt));
    for (size_t i = 0; i < distribution.parts.size(); ++i) {
        const DistributionPart& part = distribution.parts[i];
        const std::wstring key = L"Part" + std::to_wstring(i + 1);
        WriteValue(section, key.c_str(),
            part.productCode + L"," + part.packageCode + L"," + part.packagePath + L"," + part.language + L","
                + part.productVersion + L"," + std::to_wstring(part.volume) + L","
                + std::to_wstring(part.featuresVisible));
    }
    std::vector<std::wstring> guids = SplitList(ReadValue(L"Distributions", L"Guids"));
    bool listed = false;
    for (const std::wstring& guid : guids)
        listed = listed || SameText(guid, distribution.guid);
    if (!listed) {
        std::wstring text;
        for (const std::wstring& guid : guids)
            text += guid + L";";
        WriteValue(L"Distributions", L"Guids", text + distribution.guid);
    }
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE)
        == CSTR_EQUAL;
}

std::vector<std::wstring> SplitList(const std::wstring& text)
{
    std::vector<std::wstring> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring item = Trim(text.substr(start, end - start));
        if (!item.empty())
            items.push_back(item);
        start = end + 1;
    }
    return items;
}

}  // namespace sysinfo
