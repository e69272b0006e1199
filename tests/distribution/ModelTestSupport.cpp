#include "ModelTestSupport.h"

#include <msi.h>
#include <oleauto.h>

#include <algorithm>

namespace modeltest {

namespace {

BSTR Text(const std::wstring& text)
{
    return SysAllocString(text.c_str());
}

// IUnknown and IDispatch of the fakes: one reference count, answering the interface's own id
// (when given), IUnknown and IDispatch.
template <class I> class Fake : public I {
public:
    explicit Fake(const FakeSystemInfoData& data, const IID* iid = nullptr) : m_data(data), m_iid(iid) { }
    virtual ~Fake() { }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || (m_iid && IsEqualIID(riid, *m_iid))) {
            *object = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

protected:
    const FakeSystemInfoData& m_data;

private:
    const IID* m_iid;
    ULONG m_refs = 1;
};

class FakeStrings : public Fake<IZKStringCollection> {
public:
    FakeStrings(const FakeSystemInfoData& data, const std::vector<std::wstring>& texts) : Fake(data), m_texts(texts) { }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        *count = static_cast<long>(m_texts.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, BSTR* text) override
    {
        *text = Text(m_texts.at(index - 1));
        return S_OK;
    }

private:
    const std::vector<std::wstring>& m_texts;
};

class FakeProductInfo : public Fake<IZKProductInfo> {
public:
    FakeProductInfo(const FakeSystemInfoData& data, const FakeProduct& product) : Fake(data), m_product(product) { }
    HRESULT STDMETHODCALLTYPE GetNameDetail(BSTR* text) override
    {
        *text = Text(m_product.name.empty() ? m_product.productCode : m_product.nameDetail);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetName(BSTR* text) override
    {
        *text = Text(m_product.name.empty() ? m_product.productCode : m_product.name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetArpVisible(long* visible) override
    {
        *visible = m_product.arpVisible;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStringList(IZKStringCollection** list) override
    {
        *list = new FakeStrings(m_data, m_product.texts);
        return S_OK;
    }

private:
    const FakeProduct& m_product;
};

class FakeProducts : public Fake<IZKProductCollection> {
public:
    explicit FakeProducts(const FakeSystemInfoData& data) : Fake(data), m_products(data.products) { }
    FakeProducts(const FakeSystemInfoData& data, const std::vector<FakeProduct>& products)
        : Fake(data), m_products(products)
    {
    }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        *count = static_cast<long>(m_products.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKProductInfo** item) override
    {
        *item = new FakeProductInfo(m_data, m_products.at(index - 1));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindItem(BSTR productCode, long* position) override
    {
        *position = 0;
        for (size_t i = 0; i < m_products.size(); ++i) {
            if (m_products[i].productCode == productCode) {
                *position = static_cast<long>(i + 1);
                break;
            }
        }
        return S_OK;
    }

private:
    const std::vector<FakeProduct>& m_products;
};

class FakeRecord : public Fake<IZKDependencyRecord> {
public:
    FakeRecord(const FakeSystemInfoData& data, const FakeDependency& record) : Fake(data), m_record(record) { }
    HRESULT STDMETHODCALLTYPE GetUpgradeCode(BSTR* text) override { return Give(m_record.upgradeCode, text); }
    HRESULT STDMETHODCALLTYPE GetSubsetName(BSTR* text) override { return Give(m_record.subset, text); }
    HRESULT STDMETHODCALLTYPE GetVersionMin(BSTR* text) override { return Give(m_record.versionMin, text); }
    HRESULT STDMETHODCALLTYPE GetVersionMax(BSTR* text) override { return Give(m_record.versionMax, text); }
    HRESULT STDMETHODCALLTYPE GetLanguages(BSTR* text) override { return Give(m_record.languages, text); }
    HRESULT STDMETHODCALLTYPE GetFeature(BSTR* text) override { return Give(m_record.feature, text); }
    HRESULT STDMETHODCALLTYPE GetCondition(BSTR* text) override { return Give(m_record.condition, text); }
    HRESULT STDMETHODCALLTYPE GetAttributes(long* attributes) override
    {
        *attributes = m_record.attributes;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Accepts(BSTR, BSTR, long, long* accepts) override
    {
        *accepts = m_record.accepts;
        return S_OK;
    }

private:
    static HRESULT Give(const std::wstring& value, BSTR* text)
    {
        *text = Text(value);
        return S_OK;
    }
    const FakeDependency& m_record;
};

class FakeRecords : public Fake<IZKDependencyRecordCollection> {
public:
    FakeRecords(const FakeSystemInfoData& data, const std::vector<FakeDependency>& records)
        : Fake(data), m_records(records)
    {
    }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        *count = static_cast<long>(m_records.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKDependencyRecord** item) override
    {
        *item = new FakeRecord(m_data, m_records.at(index - 1));
        return S_OK;
    }

private:
    const std::vector<FakeDependency>& m_records;
};

class FakeInstalled : public Fake<IZKInstalledProduct> {
public:
    FakeInstalled(const FakeSystemInfoData& data, const FakeInstalledProduct& product) : Fake(data), m_product(product)
    {
    }
    HRESULT STDMETHODCALLTYPE GetProductCode(BSTR* text) override
    {
        *text = Text(m_product.productCode);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDependencies(IZKDependencyRecordCollection** dependencies) override
    {
        *dependencies = new FakeRecords(m_data, m_product.dependencies);
        return S_OK;
    }

private:
    const FakeInstalledProduct& m_product;
};

class FakeInstalledProducts : public Fake<IZKInstalledProductCollection> {
public:
    using Fake::Fake;
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        *count = static_cast<long>(m_data.installed.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKInstalledProduct** item) override
    {
        *item = new FakeInstalled(m_data, m_data.installed.at(index - 1));
        return S_OK;
    }
};

class FakePart : public Fake<IZKPartInfo> {
public:
    FakePart(const FakeSystemInfoData& data, const FakePartInfo& part) : Fake(data), m_part(part) { }
    HRESULT STDMETHODCALLTYPE GetProductCode(BSTR* text) override
    {
        *text = Text(m_part.productCode);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUpgradeCode(BSTR* text) override
    {
        if (FAILED(m_part.upgradeCodeResult))
            return m_part.upgradeCodeResult;
        *text = Text(m_part.upgradeCode);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDependents(IZKDependentCollection** dependents) override;
    HRESULT STDMETHODCALLTYPE QueryByText(BSTR subset, long* installed) override
    {
        *installed = std::find(m_part.subsets.begin(), m_part.subsets.end(), subset) != m_part.subsets.end();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetProducts(IZKProductCollection** products) override
    {
        if (FAILED(m_data.failWith))
            return m_data.failWith;
        *products = new FakeProducts(m_data, m_part.products);
        return S_OK;
    }

private:
    const FakePartInfo& m_part;
};

class FakeDependents : public Fake<IZKDependentCollection> {
public:
    FakeDependents(const FakeSystemInfoData& data, const std::vector<FakeDependent>& dependents)
        : Fake(data), m_dependents(dependents)
    {
    }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        *count = static_cast<long>(m_dependents.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDependent(long index, IZKPartInfo** dependent) override
    {
        *dependent = new FakePart(m_data, m_data.partInfos.at(m_dependents.at(index - 1).partInfo));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRecord(long index, IZKDependencyRecord** record) override
    {
        *record = new FakeRecord(m_data, m_dependents.at(index - 1).record);
        return S_OK;
    }

private:
    const std::vector<FakeDependent>& m_dependents;
};

HRESULT STDMETHODCALLTYPE FakePart::GetDependents(IZKDependentCollection** dependents)
{
    *dependents = new FakeDependents(m_data, m_part.dependents);
    return S_OK;
}

class FakePartList : public Fake<IZKPartInfoList> {
public:
    using Fake::Fake;
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        *count = static_cast<long>(m_data.partInfos.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKPartInfo** item) override
    {
        *item = new FakePart(m_data, m_data.partInfos.at(index - 1));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindItem(BSTR productCode, long* position) override
    {
        *position = 0;
        for (size_t i = 0; i < m_data.partInfos.size(); ++i) {
            if (m_data.partInfos[i].productCode == productCode)
                *position = static_cast<long>(i + 1);
        }
        return S_OK;
    }
};

class FakeSystemInfo : public Fake<IZKSystemInfo> {
public:
    explicit FakeSystemInfo(const FakeSystemInfoData& data) : Fake(data, &IID_IZKSystemInfo) { }
    HRESULT STDMETHODCALLTYPE GetPartInfoList(IZKPartInfoList** list) override
    {
        if (FAILED(m_data.failWith))
            return m_data.failWith;
        *list = new FakePartList(m_data);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetProducts(IZKProductCollection** products) override
    {
        if (FAILED(m_data.failWith))
            return m_data.failWith;
        *products = new FakeProducts(m_data);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInstalledProducts(IZKInstalledProductCollection** products) override
    {
        if (FAILED(m_data.failWith))
            return m_data.failWith;
        *products = new FakeInstalledProducts(m_data);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDistributions(IZKDistributionInfoCollection** list) override;
    HRESULT STDMETHODCALLTYPE Refresh() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetVersionHigh(unsigned long* version) override
    {
        *version = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVersionLow(unsigned long* version) override
    {
        *version = 0;
        return S_OK;
    }
};

// The products of the description: those registered with AddPart.
class FakeDistributionProduct : public Fake<IZKDistributionProduct> {
public:
    FakeDistributionProduct(FakeSystemInfoData& data, const std::wstring& code)
        : Fake(data), m_record(data), m_code(code)
    {
    }
    HRESULT STDMETHODCALLTYPE GetProductCode(BSTR* text) override
    {
        *text = Text(m_code);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PutFeaturesVisible(long visible) override
    {
        m_record.described.push_back(L"PutFeaturesVisible " + m_code + L" " + std::to_wstring(visible));
        return S_OK;
    }

private:
    FakeSystemInfoData& m_record;
    std::wstring m_code;
};

class FakeDistributionProducts : public Fake<IZKDistributionProductCollection> {
public:
    FakeDistributionProducts(FakeSystemInfoData& data, const std::vector<std::wstring>& codes)
        : Fake(data), m_record(data), m_codes(codes)
    {
    }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        *count = static_cast<long>(m_codes.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKDistributionProduct** item) override
    {
        *item = new FakeDistributionProduct(m_record, m_codes.at(index - 1));
        return S_OK;
    }

private:
    FakeSystemInfoData& m_record;
    std::vector<std::wstring> m_codes;
};

// An installed distribution as the component lists it.
class FakeInstalledDistribution : public Fake<IZKDistributionInfo> {
public:
    FakeInstalledDistribution(const FakeSystemInfoData& data, const FakeSystemInfoData::InstalledDistribution& entry)
        : Fake(data, &IID_IZKDistributionInfo), m_entry(entry)
    {
    }
    HRESULT STDMETHODCALLTYPE GetGuid(BSTR* text) override { return Out(m_entry.guid, text); }
    HRESULT STDMETHODCALLTYPE PutGuid(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutPackageGuid(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutLanguages(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVersion(BSTR* text) override { return Out(m_entry.version, text); }
    HRESULT STDMETHODCALLTYPE PutVersion(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutSetupPath(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutRootPath(long, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTitle(BSTR* text) override { return Out(m_entry.title, text); }
    HRESULT STDMETHODCALLTYPE PutTitle(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProducts(IZKDistributionProductCollection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddPart(BSTR, BSTR, long, BSTR, BSTR, BSTR, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutOdwBuilt(long) override { return E_NOTIMPL; }

private:
    static HRESULT Out(const std::wstring& value, BSTR* text)
    {
        *text = Text(value);
        return S_OK;
    }
    FakeSystemInfoData::InstalledDistribution m_entry;
};

class FakeInstalledDistributions : public Fake<IZKDistributionInfoCollection> {
public:
    explicit FakeInstalledDistributions(const FakeSystemInfoData& data) : Fake(data) { }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        *count = static_cast<long>(m_data.installedDistributions.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKDistributionInfo** item) override
    {
        *item = new FakeInstalledDistribution(m_data, m_data.installedDistributions.at(index - 1));
        return S_OK;
    }
};

// Records each call of the description, failing the one named by the test.
class FakeDistributionInfo : public Fake<IZKDistributionInfo> {
public:
    explicit FakeDistributionInfo(FakeSystemInfoData& data) : Fake(data, &IID_IZKDistributionInfo), m_record(data) { }
    HRESULT STDMETHODCALLTYPE GetGuid(BSTR* text) override
    {
        *text = Text(m_guid);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PutGuid(BSTR text) override
    {
        m_guid = text;
        return Record(L"PutGuid", text);
    }
    HRESULT STDMETHODCALLTYPE PutPackageGuid(BSTR text) override { return Record(L"PutPackageGuid", text); }
    HRESULT STDMETHODCALLTYPE PutLanguages(BSTR text) override { return Record(L"PutLanguages", text); }
    HRESULT STDMETHODCALLTYPE GetVersion(BSTR* text) override
    {
        *text = Text(m_version);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PutVersion(BSTR text) override
    {
        m_version = text;
        return Record(L"PutVersion", text);
    }
    HRESULT STDMETHODCALLTYPE PutSetupPath(BSTR text) override { return Record(L"PutSetupPath", text); }
    HRESULT STDMETHODCALLTYPE PutRootPath(long volume, BSTR path) override
    {
        return Record(L"PutRootPath", std::to_wstring(volume) + L" " + path);
    }
    HRESULT STDMETHODCALLTYPE GetTitle(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutTitle(BSTR text) override { return Record(L"PutTitle", text); }
    HRESULT STDMETHODCALLTYPE GetProducts(IZKDistributionProductCollection** products) override
    {
        *products = new FakeDistributionProducts(m_record, m_products);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddPart(BSTR productCode, BSTR packageCode, long reserved, BSTR packagePath,
        BSTR language, BSTR productVersion, long volume) override
    {
        m_products.push_back(productCode);
        return Record(L"AddPart",
            std::wstring(productCode) + L" " + packageCode + L" " + std::to_wstring(reserved) + L" " + packagePath
                + L" " + language + L" " + productVersion + L" " + std::to_wstring(volume));
    }
    HRESULT STDMETHODCALLTYPE Update() override { return Record(L"Update", L""); }
    HRESULT STDMETHODCALLTYPE PutOdwBuilt(long built) override
    {
        return Record(L"PutOdwBuilt", std::to_wstring(built));
    }

private:
    HRESULT Record(const wchar_t* call, const std::wstring& text)
    {
        m_record.described.push_back(std::wstring(call) + L" " + text);
        return m_record.failingCall == call ? m_record.describeFailure : S_OK;
    }

    FakeSystemInfoData& m_record;
    std::wstring m_guid, m_version;
    std::vector<std::wstring> m_products;
};

int WINAPI RecordMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT)
{
    MessageBoxRecorder::texts.push_back(text ? text : L"");
    return IDOK;
}

}  // namespace

HRESULT STDMETHODCALLTYPE FakeSystemInfo::GetDistributions(IZKDistributionInfoCollection** list)
{
    if (FAILED(m_data.failWith))
        return m_data.failWith;
    *list = new FakeInstalledDistributions(m_data);
    return S_OK;
}

IZKSystemInfo* CreateFakeSystemInfo(const FakeSystemInfoData& data)
{
    return new FakeSystemInfo(data);
}

void TestAppServices::GetSystemInfo(IUnknown** object)
{
    *object = CreateFakeSystemInfo(systemInfo);
}

HRESULT TestAppServices::CreateSystemInfoObject(REFCLSID classId, REFIID, void** object)
{
    *object = nullptr;
    if (FAILED(systemInfo.createResult))
        return systemInfo.createResult;
    if (!IsEqualCLSID(classId, CLSID_ZKDistributionInfo))
        return REGDB_E_CLASSNOTREG;
    *object = static_cast<IZKDistributionInfo*>(new FakeDistributionInfo(systemInfo));
    return S_OK;
}

std::vector<std::wstring> MessageBoxRecorder::texts;

MessageBoxRecorder::MessageBoxRecorder() : m_box(g_pfnMessageBoxW, &RecordMessageBox)
{
    texts.clear();
}

}  // namespace modeltest
