// The stand-in system-information server as a registered COM server: its registration, and the
// answers its objects give from its data file, reached through CoCreateInstance.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RegistryText.h"
#include "TestSupport.h"
#include "ZKSysInfoInterfaces.h"

using namespace testsupport;

namespace {

const wchar_t kSystemInfoKey[] = L"CLSID\\{5B9CECE7-5B14-44DA-A00B-D38C3C97FE66}\\InprocServer32";
const wchar_t kDistributionInfoKey[] = L"CLSID\\{62AD1D11-6EBB-4427-B56D-93CA8BA686B3}\\InprocServer32";

// One reference, released with the holder.
template <typename T> class Ref {
public:
    ~Ref()
    {
        if (m_p)
            m_p->Release();
    }
    T** Out() { return &m_p; }
    void** OutVoid() { return reinterpret_cast<void**>(&m_p); }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }

private:
    T* m_p = nullptr;
};

class Text {
public:
    explicit Text(const wchar_t* text = L"") : m_b(SysAllocString(text)) { }
    ~Text() { SysFreeString(m_b); }
    BSTR* Out()
    {
        SysFreeString(m_b);
        m_b = nullptr;
        return &m_b;
    }
    operator BSTR() const { return m_b; }
    std::wstring Str() const { return m_b ? m_b : L""; }

private:
    BSTR m_b;
};

std::wstring ReadText(HKEY root, const wchar_t* path, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"<no key>";
    CString text;
    const LONG result = OrbelToolbox::ReadRegistryString(key, name, text);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::wstring(static_cast<const wchar_t*>(text)) : L"<no value>";
}

const char kData[] = "[Server]\r\nVersion=4.2\r\n"
                     "[Products]\r\nCodes={P-CORE}; {P-ADDON}\r\n"
                     "[{P-CORE}]\r\nUpgradeCode={U-CORE}\r\nName=Core\r\nNameDetail=Core 1.0\r\nArpVisible=1\r\n"
                     "Subsets=Docs;Samples\r\nLists={P-ADDON}\r\n"
                     "[{P-ADDON}]\r\nUpgradeCode={U-ADDON}\r\nName=Add-on\r\nDependencies=NeedsCore\r\n"
                     "[NeedsCore]\r\nUpgradeCode={U-CORE}\r\nSubsetName=Docs\r\nVersionMin=1.0\r\nVersionMax=2.0\r\n"
                     "Languages=1033, 1031\r\nFeature=Main\r\nCondition=VersionNT\r\nAttributes=0x100\r\n";

class SysInfoServerTest : public ::testing::Test {
protected:
    SysInfoServerTest() : m_server(m_dir.File(L"ZKSysInfo.dll"))
    {
        const std::wstring built = ModuleDir() + L"\\ZKSysInfo.dll";
        EXPECT_TRUE(CopyFileW(built.c_str(), m_server.c_str(), FALSE));
        EXPECT_TRUE(WriteFileBytes(m_dir.File(L"ZKSysInfo.ini"), kData));
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(S_OK, CallServerExport(m_server, "DllRegisterServer"));
    }
    ~SysInfoServerTest() override
    {
        CallServerExport(m_server, "DllUnregisterServer");
        CoUninitialize();
    }

    TempDir m_dir;
    std::wstring m_server;
};

TEST_F(SysInfoServerTest, RegistersBothClassesInProcessForEveryApartment)
{
    for (const wchar_t* key : {kSystemInfoKey, kDistributionInfoKey}) {
        EXPECT_EQ(m_server, ReadText(HKEY_CLASSES_ROOT, key, nullptr));
        EXPECT_EQ(L"Both", ReadText(HKEY_CLASSES_ROOT, key, L"ThreadingModel"));
    }
    EXPECT_EQ(S_OK, CallServerExport(m_server, "DllUnregisterServer"));
    EXPECT_EQ(L"<no key>", ReadText(HKEY_CLASSES_ROOT, kSystemInfoKey, nullptr));
    Ref<IUnknown> none;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
        CoCreateInstance(CLSID_ZKSystemInfo, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, none.OutVoid()));
}

TEST_F(SysInfoServerTest, AnswersInstalledProductsAndDependenciesFromItsData)
{
    Ref<IZKSystemInfo> info;
    ASSERT_EQ(
        S_OK, CoCreateInstance(CLSID_ZKSystemInfo, nullptr, CLSCTX_INPROC_SERVER, IID_IZKSystemInfo, info.OutVoid()));
    unsigned long high = 0, low = 0;
    EXPECT_EQ(S_OK, info->GetVersionHigh(&high));
    EXPECT_EQ(S_OK, info->GetVersionLow(&low));
    EXPECT_EQ(4u, high);
    EXPECT_EQ(2u, low);

    // Products: found by code in any case, counted from 1.
    Ref<IZKProductCollection> products;
    ASSERT_EQ(S_OK, info->GetProducts(products.Out()));
    long count = 0, position = 0;
    EXPECT_EQ(S_OK, products->GetCount(&count));
    EXPECT_EQ(2, count);
    EXPECT_EQ(S_OK, products->FindItem(Text(L"{p-addon}"), &position));
    EXPECT_EQ(2, position);
    EXPECT_EQ(S_OK, products->FindItem(Text(L"{P-OTHER}"), &position));
    EXPECT_EQ(0, position);
    Ref<IZKProductInfo> core;
    ASSERT_EQ(S_OK, products->GetItem(1, core.Out()));
    Text name, detail;
    long visible = 0;
    EXPECT_EQ(S_OK, core->GetName(name.Out()));
    EXPECT_EQ(S_OK, core->GetNameDetail(detail.Out()));
    EXPECT_EQ(S_OK, core->GetArpVisible(&visible));
    EXPECT_EQ(L"Core", name.Str());
    EXPECT_EQ(L"Core 1.0", detail.Str());
    EXPECT_EQ(1, visible);
    Ref<IZKStringCollection> listed;
    ASSERT_EQ(S_OK, core->GetStringList(listed.Out()));
    Text first;
    EXPECT_EQ(S_OK, listed->GetItem(1, first.Out()));
    EXPECT_EQ(L"{P-ADDON}", first.Str());
    Ref<IZKProductInfo> beyond;
    EXPECT_EQ(E_INVALIDARG, products->GetItem(3, beyond.Out()));

    // Installed subsets and the products that depend on one.
    Ref<IZKPartInfoList> parts;
    ASSERT_EQ(S_OK, info->GetPartInfoList(parts.Out()));
    Ref<IZKPartInfo> corePart;
    ASSERT_EQ(S_OK, parts->GetItem(1, corePart.Out()));
    long installed = 0;
    EXPECT_EQ(S_OK, corePart->QueryByText(Text(L"Samples"), &installed));
    EXPECT_EQ(1, installed);
    EXPECT_EQ(S_OK, corePart->QueryByText(Text(L"Tools"), &installed));
    EXPECT_EQ(0, installed);
    Ref<IZKDependentCollection> dependents;
    ASSERT_EQ(S_OK, corePart->GetDependents(dependents.Out()));
    EXPECT_EQ(S_OK, dependents->GetCount(&count));
    ASSERT_EQ(1, count);
    Ref<IZKPartInfo> addon;
    ASSERT_EQ(S_OK, dependents->GetDependent(1, addon.Out()));
    Text addonCode;
    EXPECT_EQ(S_OK, addon->GetProductCode(addonCode.Out()));
    EXPECT_EQ(L"{P-ADDON}", addonCode.Str());

    // The installed products' declared dependencies.
    Ref<IZKInstalledProductCollection> installedProducts;
    ASSERT_EQ(S_OK, info->GetInstalledProducts(installedProducts.Out()));
    Ref<IZKInstalledProduct> second;
    ASSERT_EQ(S_OK, installedProducts->GetItem(2, second.Out()));
    Ref<IZKDependencyRecordCollection> records;
    ASSERT_EQ(S_OK, second->GetDependencies(records.Out()));
    Ref<IZKDependencyRecord> record;
    ASSERT_EQ(S_OK, records->GetItem(1, record.Out()));
    Text subset, feature, condition, languages;
    long attributes = 0;
    EXPECT_EQ(S_OK, record->GetSubsetName(subset.Out()));
    EXPECT_EQ(S_OK, record->GetFeature(feature.Out()));
    EXPECT_EQ(S_OK, record->GetCondition(condition.Out()));
    EXPECT_EQ(S_OK, record->GetLanguages(languages.Out()));
    EXPECT_EQ(S_OK, record->GetAttributes(&attributes));
    EXPECT_EQ(L"Docs", subset.Str());
    EXPECT_EQ(L"Main", feature.Str());
    EXPECT_EQ(L"VersionNT", condition.Str());
    EXPECT_EQ(L"1033, 1031", languages.Str());
    EXPECT_EQ(0x100, attributes);

    struct Case {
        const wchar_t* upgradeCode;
        const wchar_t* version;
        long language;
        long accepts;
    };
    const Case cases[] = {
        {L"{U-CORE}", L"1.0", 1031, 1},
        {L"{u-core}", L"1.5.3", 1033, 1},
        {L"{U-CORE}", L"2.0", 1033, 0},
        {L"{U-CORE}", L"0.9", 1033, 0},
        {L"{U-CORE}", L"1.5", 1036, 0},
        {L"{U-ADDON}", L"1.5", 1033, 0},
    };
    for (const Case& c : cases) {
        long accepts = -1;
        EXPECT_EQ(S_OK, record->Accepts(Text(c.upgradeCode), Text(c.version), c.language, &accepts));
        EXPECT_EQ(c.accepts, accepts) << c.upgradeCode << L" " << c.version << L" " << c.language;
    }
}

// The sample's first part: a real product for the records' parts.
const wchar_t kSampleCoreCode[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21}";

void InstallSampleCore()
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    EXPECT_EQ(0u, MsiInstallProductW((ModuleDir() + L"\\sample\\parts\\core.msi").c_str(), L""));
}

void RemoveSampleCore()
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    if (MsiQueryProductStateW(kSampleCoreCode) != INSTALLSTATE_UNKNOWN)
        MsiConfigureProductW(kSampleCoreCode, 0, INSTALLSTATE_ABSENT);
}

// Creates and records a description of the distribution `guid` whose one part is the sample's
// first part, through `info` (a new ZKDistributionInfo).
void RecordDistribution(IZKDistributionInfo* info, const wchar_t* guid)
{
    EXPECT_EQ(S_OK, info->PutGuid(Text(guid)));
    EXPECT_EQ(S_OK, info->PutTitle(Text(L"Sample")));
    EXPECT_EQ(S_OK, info->PutVersion(Text(L"1.2.3.4")));
    EXPECT_EQ(S_OK, info->PutRootPath(1, Text(L"C:\\media\\")));
    EXPECT_EQ(S_OK,
        info->AddPart(
            Text(kSampleCoreCode), Text(L"{K-CORE}"), 0, Text(L"parts\\core.msi"), Text(L"1033"), Text(L"1.0.0"), 1));
    Ref<IZKDistributionProductCollection> parts;
    ASSERT_EQ(S_OK, info->GetProducts(parts.Out()));
    Ref<IZKDistributionProduct> part;
    ASSERT_EQ(S_OK, parts->GetItem(1, part.Out()));
    EXPECT_EQ(S_OK, part->PutFeaturesVisible(0));
    EXPECT_EQ(S_OK, info->Update());
}

// The GUIDs of the installed distributions that `info` (a ZKSystemInfo) lists, with the title
// and version of each: "guid title version".
std::vector<std::wstring> ListedDistributions(IZKSystemInfo* info)
{
    std::vector<std::wstring> listed;
    Ref<IZKDistributionInfoCollection> distributions;
    EXPECT_EQ(S_OK, info->GetDistributions(distributions.Out()));
    if (!distributions.Get())
        return listed;
    long count = 0;
    EXPECT_EQ(S_OK, distributions->GetCount(&count));
    for (long i = 1; i <= count; ++i) {
        Ref<IZKDistributionInfo> item;
        EXPECT_EQ(S_OK, distributions->GetItem(i, item.Out()));
        Text guid, title, version;
        EXPECT_EQ(S_OK, item->GetGuid(guid.Out()));
        EXPECT_EQ(S_OK, item->GetTitle(title.Out()));
        EXPECT_EQ(S_OK, item->GetVersion(version.Out()));
        listed.push_back(guid.Str() + L" " + title.Str() + L" " + version.Str());
    }
    return listed;
}

// A description that setup creates and records is listed among the installed distributions
// while one of its parts is installed, and no longer once every part is removed.
TEST_F(SysInfoServerTest, ARecordedDistributionIsListedWhileAPartIsInstalled)
{
    RemoveSampleCore();
    Ref<IZKDistributionInfo> description;
    ASSERT_EQ(S_OK,
        CoCreateInstance(
            CLSID_ZKDistributionInfo, nullptr, CLSCTX_INPROC_SERVER, IID_IZKDistributionInfo, description.OutVoid()));
    RecordDistribution(description.Get(), L"{DIST}");
    Ref<IZKSystemInfo> info;
    ASSERT_EQ(
        S_OK, CoCreateInstance(CLSID_ZKSystemInfo, nullptr, CLSCTX_INPROC_SERVER, IID_IZKSystemInfo, info.OutVoid()));

    // Recorded before its first part is installed: not installed yet.
    EXPECT_EQ(std::vector<std::wstring>(), ListedDistributions(info.Get()));
    InstallSampleCore();
    EXPECT_EQ(std::vector<std::wstring>{L"{DIST} Sample 1.2.3.4"}, ListedDistributions(info.Get()));
    RemoveSampleCore();
    EXPECT_EQ(std::vector<std::wstring>(), ListedDistributions(info.Get()));

    const std::string data = ReadFileBytes(m_dir.File(L"ZKSysInfo.ini"));
    EXPECT_NE(std::string::npos,
        data.find("Part1={5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21},{K-CORE},parts\\core.msi,1033,1.0.0,1,0"))
        << data;
}

// One object of `classId` from the server module `module`, as setup makes one from the copy it
// ships: through the module's class object, without registration.
template <typename T> HRESULT CreateFromModule(HMODULE module, REFCLSID classId, REFIID iid, T** object)
{
    auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
    if (!getClassObject)
        return E_NOTIMPL;
    Ref<IClassFactory> factory;
    const HRESULT result = getClassObject(classId, IID_IClassFactory, factory.OutVoid());
    return FAILED(result) ? result : factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(object));
}

// Without answers of its own beside it, the server keeps the machine's record: a copy under a
// temporary name (as setup makes of a server on a CD-ROM) sees what another copy recorded.
TEST_F(SysInfoServerTest, ItsRecordIsFoundWhereverItIsLoadedFrom)
{
    const std::wstring shipped = m_dir.File(L"shipped");
    const std::wstring temporary = m_dir.File(L"temporary");
    CreateDirectoryW(shipped.c_str(), nullptr);
    CreateDirectoryW(temporary.c_str(), nullptr);
    const std::wstring built = ModuleDir() + L"\\ZKSysInfo.dll";
    ASSERT_TRUE(CopyFileW(built.c_str(), (shipped + L"\\ZKSysInfo.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(built.c_str(), (temporary + L"\\zki1A2B.tmp").c_str(), FALSE));
    HMODULE first = LoadLibraryW((shipped + L"\\ZKSysInfo.dll").c_str());
    HMODULE copy = LoadLibraryW((temporary + L"\\zki1A2B.tmp").c_str());
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, copy);
    InstallSampleCore();
    {
        Ref<IZKDistributionInfo> description;
        ASSERT_EQ(S_OK, CreateFromModule(first, CLSID_ZKDistributionInfo, IID_IZKDistributionInfo, description.Out()));
        RecordDistribution(description.Get(), L"{DIST-ON-MEDIA}");
        Ref<IZKSystemInfo> info;
        ASSERT_EQ(S_OK, CreateFromModule(copy, CLSID_ZKSystemInfo, IID_IZKSystemInfo, info.Out()));
        const std::vector<std::wstring> listed = ListedDistributions(info.Get());
        EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), L"{DIST-ON-MEDIA} Sample 1.2.3.4"));
    }
    RemoveSampleCore();
    // Nothing was written beside either copy.
    EXPECT_FALSE(FileExists(shipped + L"\\ZKSysInfo.ini"));
    EXPECT_FALSE(FileExists(temporary + L"\\zki1A2B.ini"));
    FreeLibrary(copy);
    FreeLibrary(first);
}

}  // namespace
