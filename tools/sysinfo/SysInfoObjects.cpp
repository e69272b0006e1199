#include "SysInfoObjects.h"

#include "ComObject.h"

namespace sysinfo {

namespace {

// Position (from 1) in a collection of `count` items: E_INVALIDARG outside.
HRESULT CheckIndex(long index, size_t count)
{
    return index >= 1 && static_cast<size_t>(index) <= count ? S_OK : E_INVALIDARG;
}

HRESULT GiveText(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = NewText(text);
    return S_OK;
}

HRESULT GiveLong(long value, long* out)
{
    if (!out)
        return E_POINTER;
    *out = value;
    return S_OK;
}

std::wstring Text(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

class StringCollection : public ComObject<IZKStringCollection> {
public:
    explicit StringCollection(const std::vector<std::wstring>& items) : m_items(items) { }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        return ComBarrier([&] { return GiveLong(static_cast<long>(m_items.size()), count); });
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, BSTR* text) override
    {
        return ComBarrier([&] {
            const HRESULT valid = CheckIndex(index, m_items.size());
            return FAILED(valid) ? valid : GiveText(m_items[index - 1], text);
        });
    }

private:
    std::vector<std::wstring> m_items;
};

class ProductInfo : public ComObject<IZKProductInfo> {
public:
    ProductInfo(ProductList products, size_t index) : m_products(products), m_product((*products)[index]) { }
    HRESULT STDMETHODCALLTYPE GetNameDetail(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_product.nameDetail, text); });
    }
    HRESULT STDMETHODCALLTYPE GetName(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_product.name, text); });
    }
    HRESULT STDMETHODCALLTYPE GetArpVisible(long* visible) override
    {
        return ComBarrier([&] { return GiveLong(m_product.arpVisible ? 1 : 0, visible); });
    }
    HRESULT STDMETHODCALLTYPE GetStringList(IZKStringCollection** list) override
    {
        return ComBarrier([&] {
            return list ? GiveObject<IZKStringCollection>(new StringCollection(m_product.lists), list) : E_POINTER;
        });
    }

private:
    ProductList m_products;
    const Product& m_product;
};

// Some products of the list, by index.
class ProductCollection : public ComObject<IZKProductCollection> {
public:
    ProductCollection(ProductList products, std::vector<size_t> indexes) : m_products(products), m_indexes(indexes) { }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        return ComBarrier([&] { return GiveLong(static_cast<long>(m_indexes.size()), count); });
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKProductInfo** item) override
    {
        return ComBarrier([&] {
            if (!item)
                return E_POINTER;
            const HRESULT valid = CheckIndex(index, m_indexes.size());
            return FAILED(valid) ? valid
                                 : GiveObject<IZKProductInfo>(new ProductInfo(m_products, m_indexes[index - 1]), item);
        });
    }
    HRESULT STDMETHODCALLTYPE FindItem(BSTR productCode, long* position) override
    {
        return ComBarrier([&] {
            long found = 0;
            for (size_t i = 0; i < m_indexes.size() && !found; ++i) {
                if (SameText((*m_products)[m_indexes[i]].productCode, Text(productCode)))
                    found = static_cast<long>(i + 1);
            }
            return GiveLong(found, position);
        });
    }

private:
    ProductList m_products;
    std::vector<size_t> m_indexes;
};

std::vector<size_t> AllIndexes(const ProductList& products)
{
    std::vector<size_t> indexes;
    for (size_t i = 0; i < products->size(); ++i)
        indexes.push_back(i);
    return indexes;
}

class DependencyRecord : public ComObject<IZKDependencyRecord> {
public:
    DependencyRecord(ProductList products, const Dependency& record) : m_products(products), m_record(record) { }
    HRESULT STDMETHODCALLTYPE GetUpgradeCode(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_record.upgradeCode, text); });
    }
    HRESULT STDMETHODCALLTYPE GetSubsetName(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_record.subsetName, text); });
    }
    HRESULT STDMETHODCALLTYPE GetVersionMin(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_record.versionMin, text); });
    }
    HRESULT STDMETHODCALLTYPE GetVersionMax(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_record.versionMax, text); });
    }
    HRESULT STDMETHODCALLTYPE GetLanguages(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_record.languages, text); });
    }
    HRESULT STDMETHODCALLTYPE GetFeature(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_record.feature, text); });
    }
    HRESULT STDMETHODCALLTYPE GetCondition(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_record.condition, text); });
    }
    HRESULT STDMETHODCALLTYPE GetAttributes(long* attributes) override
    {
        return ComBarrier([&] { return GiveLong(m_record.attributes, attributes); });
    }
    HRESULT STDMETHODCALLTYPE Accepts(BSTR upgradeCode, BSTR version, long language, long* accepts) override
    {
        return ComBarrier(
            [&] { return GiveLong(m_record.Accepts(Text(upgradeCode), Text(version), language) ? 1 : 0, accepts); });
    }

private:
    ProductList m_products;
    const Dependency& m_record;
};

class DependencyRecordCollection : public ComObject<IZKDependencyRecordCollection> {
public:
    DependencyRecordCollection(ProductList products, const Product& product) : m_products(products), m_product(product)
    {
    }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        return ComBarrier([&] { return GiveLong(static_cast<long>(m_product.dependencies.size()), count); });
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKDependencyRecord** item) override
    {
        return ComBarrier([&] {
            if (!item)
                return E_POINTER;
            const HRESULT valid = CheckIndex(index, m_product.dependencies.size());
            return FAILED(valid) ? valid
                                 : GiveObject<IZKDependencyRecord>(
                                     new DependencyRecord(m_products, m_product.dependencies[index - 1]), item);
        });
    }

private:
    ProductList m_products;
    const Product& m_product;
};

class PartInfo;

// The installed products whose dependency names a product's upgrade code, each with its record.
class DependentCollection : public ComObject<IZKDependentCollection> {
public:
    DependentCollection(ProductList products, const Product& product);
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        return ComBarrier([&] { return GiveLong(static_cast<long>(m_links.size()), count); });
    }
    HRESULT STDMETHODCALLTYPE GetDependent(long index, IZKPartInfo** dependent) override;
    HRESULT STDMETHODCALLTYPE GetRecord(long index, IZKDependencyRecord** record) override
    {
        return ComBarrier([&] {
            if (!record)
                return E_POINTER;
            const HRESULT valid = CheckIndex(index, m_links.size());
            return FAILED(valid)
                ? valid
                : GiveObject<IZKDependencyRecord>(new DependencyRecord(m_products, *m_links[index - 1].second), record);
        });
    }

private:
    ProductList m_products;
    std::vector<std::pair<size_t, const Dependency*>> m_links;
};

class PartInfo : public ComObject<IZKPartInfo> {
public:
    PartInfo(ProductList products, size_t index) : m_products(products), m_index(index) { }
    HRESULT STDMETHODCALLTYPE GetProductCode(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(Product().productCode, text); });
    }
    HRESULT STDMETHODCALLTYPE GetUpgradeCode(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(Product().upgradeCode, text); });
    }
    HRESULT STDMETHODCALLTYPE GetDependents(IZKDependentCollection** dependents) override
    {
        return ComBarrier([&] {
            return dependents
                ? GiveObject<IZKDependentCollection>(new DependentCollection(m_products, Product()), dependents)
                : E_POINTER;
        });
    }
    HRESULT STDMETHODCALLTYPE QueryByText(BSTR subset, long* installed) override
    {
        return ComBarrier([&] {
            bool found = false;
            for (const std::wstring& name : Product().subsets)
                found = found || name == Text(subset);
            return GiveLong(found ? 1 : 0, installed);
        });
    }
    // The product itself, as a collection of one.
    HRESULT STDMETHODCALLTYPE GetProducts(IZKProductCollection** products) override
    {
        return ComBarrier([&] {
            return products ? GiveObject<IZKProductCollection>(
                       new ProductCollection(m_products, std::vector<size_t>(1, m_index)), products)
                            : E_POINTER;
        });
    }

private:
    const sysinfo::Product& Product() const { return (*m_products)[m_index]; }

    ProductList m_products;
    size_t m_index;
};

DependentCollection::DependentCollection(ProductList products, const Product& product) : m_products(products)
{
    if (product.upgradeCode.empty())
        return;
    for (size_t i = 0; i < products->size(); ++i) {
        for (const Dependency& dependency : (*products)[i].dependencies) {
            if (SameText(dependency.upgradeCode, product.upgradeCode))
                m_links.emplace_back(i, &dependency);
        }
    }
}

HRESULT DependentCollection::GetDependent(long index, IZKPartInfo** dependent)
{
    return ComBarrier([&] {
        if (!dependent)
            return E_POINTER;
        const HRESULT valid = CheckIndex(index, m_links.size());
        return FAILED(valid) ? valid
                             : GiveObject<IZKPartInfo>(new PartInfo(m_products, m_links[index - 1].first), dependent);
    });
}

class PartInfoList : public ComObject<IZKPartInfoList> {
public:
    explicit PartInfoList(ProductList products) : m_products(products) { }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        return ComBarrier([&] { return GiveLong(static_cast<long>(m_products->size()), count); });
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKPartInfo** item) override
    {
        return ComBarrier([&] {
            if (!item)
                return E_POINTER;
            const HRESULT valid = CheckIndex(index, m_products->size());
            return FAILED(valid) ? valid : GiveObject<IZKPartInfo>(new PartInfo(m_products, index - 1), item);
        });
    }
    HRESULT STDMETHODCALLTYPE FindItem(BSTR productCode, long* position) override
    {
        return ComBarrier([&] {
            long found = 0;
            for (size_t i = 0; i < m_products->size() && !found; ++i) {
                if (SameText((*m_products)[i].productCode, Text(productCode)))
                    found = static_cast<long>(i + 1);
            }
            return GiveLong(found, position);
        });
    }

private:
    ProductList m_products;
};

class InstalledProduct : public ComObject<IZKInstalledProduct> {
public:
    InstalledProduct(ProductList products, size_t index) : m_products(products), m_product((*products)[index]) { }
    HRESULT STDMETHODCALLTYPE GetProductCode(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_product.productCode, text); });
    }
    HRESULT STDMETHODCALLTYPE GetDependencies(IZKDependencyRecordCollection** dependencies) override
    {
        return ComBarrier([&] {
            return dependencies ? GiveObject<IZKDependencyRecordCollection>(
                       new DependencyRecordCollection(m_products, m_product), dependencies)
                                : E_POINTER;
        });
    }

private:
    ProductList m_products;
    const Product& m_product;
};

class InstalledProductCollection : public ComObject<IZKInstalledProductCollection> {
public:
    explicit InstalledProductCollection(ProductList products) : m_products(products) { }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        return ComBarrier([&] { return GiveLong(static_cast<long>(m_products->size()), count); });
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKInstalledProduct** item) override
    {
        return ComBarrier([&] {
            if (!item)
                return E_POINTER;
            const HRESULT valid = CheckIndex(index, m_products->size());
            return FAILED(valid) ? valid
                                 : GiveObject<IZKInstalledProduct>(new InstalledProduct(m_products, index - 1), item);
        });
    }

private:
    ProductList m_products;
};

class DistributionInfoCollection : public ComObject<IZKDistributionInfoCollection> {
public:
    DistributionInfoCollection() : m_distributions(ReadInstalledDistributions()) { }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        return ComBarrier([&] { return GiveLong(static_cast<long>(m_distributions.size()), count); });
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKDistributionInfo** item) override
    {
        return ComBarrier([&] {
            if (!item)
                return E_POINTER;
            const HRESULT valid = CheckIndex(index, m_distributions.size());
            return FAILED(valid)
                ? valid
                : GiveObject<IZKDistributionInfo>(NewDistributionInfo(m_distributions[index - 1]), item);
        });
    }

private:
    std::vector<Distribution> m_distributions;
};

class SystemInfo : public ComObject<IZKSystemInfo, &IID_IZKSystemInfo> {
public:
    HRESULT STDMETHODCALLTYPE GetPartInfoList(IZKPartInfoList** list) override
    {
        return ComBarrier(
            [&] { return list ? GiveObject<IZKPartInfoList>(new PartInfoList(ReadProducts()), list) : E_POINTER; });
    }
    HRESULT STDMETHODCALLTYPE GetProducts(IZKProductCollection** products) override
    {
        return ComBarrier([&] {
            if (!products)
                return E_POINTER;
            const ProductList list = ReadProducts();
            return GiveObject<IZKProductCollection>(new ProductCollection(list, AllIndexes(list)), products);
        });
    }
    HRESULT STDMETHODCALLTYPE GetInstalledProducts(IZKInstalledProductCollection** products) override
    {
        return ComBarrier([&] {
            return products
                ? GiveObject<IZKInstalledProductCollection>(new InstalledProductCollection(ReadProducts()), products)
                : E_POINTER;
        });
    }
    HRESULT STDMETHODCALLTYPE GetDistributions(IZKDistributionInfoCollection** distributions) override
    {
        return ComBarrier([&] {
            return distributions
                ? GiveObject<IZKDistributionInfoCollection>(new DistributionInfoCollection, distributions)
                : E_POINTER;
        });
    }
    // Every answer is read from the data file when it is asked for: nothing to read again.
    HRESULT STDMETHODCALLTYPE Refresh() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetVersionHigh(unsigned long* version) override
    {
        return ComBarrier([&] { return GiveVersion(version, true); });
    }
    HRESULT STDMETHODCALLTYPE GetVersionLow(unsigned long* version) override
    {
        return ComBarrier([&] { return GiveVersion(version, false); });
    }

private:
    static HRESULT GiveVersion(unsigned long* version, bool highHalf)
    {
        if (!version)
            return E_POINTER;
        const HRESULT result = ReadResult(L"Server", L"VersionResult");
        if (FAILED(result))
            return result;
        unsigned long high = 0;
        unsigned long low = 0;
        ReadVersion(high, low);
        *version = highHalf ? high : low;
        return S_OK;
    }
};

}  // namespace

IZKSystemInfo* NewSystemInfo()
{
    return new SystemInfo;
}

}  // namespace sysinfo
