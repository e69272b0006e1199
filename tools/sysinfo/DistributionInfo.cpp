// The description of one distribution: setup fills it, Update records it in the data file.
#include "ComObject.h"
#include "SysInfoObjects.h"

namespace sysinfo {

namespace {

std::wstring Text(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

HRESULT GiveText(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = NewText(text);
    return S_OK;
}

// The description shares its record with the products it hands out.
using SharedDistribution = std::shared_ptr<Distribution>;

class DistributionProduct : public ComObject<IZKDistributionProduct> {
public:
    DistributionProduct(SharedDistribution distribution, size_t index)
        : m_distribution(distribution), m_index(index) { }
    HRESULT STDMETHODCALLTYPE GetProductCode(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_distribution->parts[m_index].productCode, text); });
    }
    HRESULT STDMETHODCALLTYPE PutFeaturesVisible(long visible) override
    {
        return ComBarrier([&] {
            m_distribution->parts[m_index].featuresVisible = visible;
            return S_OK;
        });
    }

private:
    SharedDistribution m_distribution;
    size_t m_index;
};

class DistributionProductCollection : public ComObject<IZKDistributionProductCollection> {
public:
    explicit DistributionProductCollection(SharedDistribution distribution) : m_distribution(distribution) { }
    HRESULT STDMETHODCALLTYPE GetCount(long* count) override
    {
        return ComBarrier([&] {
            if (!count)
                return E_POINTER;
            *count = static_cast<long>(m_distribution->parts.size());
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetItem(long index, IZKDistributionProduct** item) override
    {
        return ComBarrier([&] {
            if (!item)
                return E_POINTER;
            if (index < 1 || static_cast<size_t>(index) > m_distribution->parts.size())
                return E_INVALIDARG;
            return GiveObject<IZKDistributionProduct>(new DistributionProduct(m_distribution, index - 1), item);
        });
    }

private:
    SharedDistribution m_distribution;
};

class DistributionInfo : public ComObject<IZKDistributionInfo, &IID_IZKDistributionInfo> {
public:
    explicit DistributionInfo(const Distribution& recorded) : m_distribution(std::make_shared<Distribution>(recorded))
    {
    }
    HRESULT STDMETHODCALLTYPE GetGuid(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_distribution->guid, text); });
    }
    HRESULT STDMETHODCALLTYPE PutGuid(BSTR text) override { return Put(m_distribution->guid, text); }
    HRESULT STDMETHODCALLTYPE PutPackageGuid(BSTR text) override { return Put(m_distribution->packageGuid, text); }
    HRESULT STDMETHODCALLTYPE PutLanguages(BSTR text) override { return Put(m_distribution->languages, text); }
    HRESULT STDMETHODCALLTYPE GetVersion(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_distribution->version, text); });
    }
    HRESULT STDMETHODCALLTYPE PutVersion(BSTR text) override { return Put(m_distribution->version, text); }
    HRESULT STDMETHODCALLTYPE PutSetupPath(BSTR text) override { return Put(m_distribution->setupPath, text); }
    HRESULT STDMETHODCALLTYPE PutRootPath(long volume, BSTR path) override
    {
        m_distribution->rootVolume = volume;
        return Put(m_distribution->rootPath, path);
    }
    HRESULT STDMETHODCALLTYPE GetTitle(BSTR* text) override
    {
        return ComBarrier([&] { return GiveText(m_distribution->title, text); });
    }
    HRESULT STDMETHODCALLTYPE PutTitle(BSTR text) override { return Put(m_distribution->title, text); }
    HRESULT STDMETHODCALLTYPE GetProducts(IZKDistributionProductCollection** products) override
    {
        return ComBarrier([&] {
            return products ? GiveObject<IZKDistributionProductCollection>(
                       new DistributionProductCollection(m_distribution), products)
                            : E_POINTER;
        });
    }
    HRESULT STDMETHODCALLTYPE AddPart(BSTR productCode, BSTR packageCode, long, BSTR packagePath, BSTR language,
        BSTR productVersion, long volume) override
    {
        return ComBarrier([&] {
            DistributionPart part;
            part.productCode = Text(productCode);
            part.packageCode = Text(packageCode);
            part.packagePath = Text(packagePath);
            part.language = Text(language);
            part.productVersion = Text(productVersion);
            part.volume = volume;
            m_distribution->parts.push_back(part);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Update() override
    {
        return ComBarrier([&] {
            if (m_distribution->guid.empty())
                return E_UNEXPECTED;
            WriteDistribution(*m_distribution);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE PutOdwBuilt(long built) override
    {
        m_distribution->odwBuilt = built;
        return S_OK;
    }

private:
    static HRESULT Put(std::wstring& field, BSTR text)
    {
        return ComBarrier([&] {
            field = Text(text);
            return S_OK;
        });
    }

    SharedDistribution m_distribution;
};

}  // namespace

IZKDistributionInfo* NewDistributionInfo()
{
    return new DistributionInfo(Distribution());
}

IZKDistributionInfo* NewDistributionInfo(const Distribution& recorded)
{
    return new DistributionInfo(recorded);
}

}  // namespace sysinfo
