// The interfaces of the system-information component ZKSysInfo: installed products, installed
// distributions and the dependencies between them, and the description of this distribution.
// Shared by setup (the client) and the component's stand-in server (tools/sysinfo).
//
// Every interface derives from IDispatch, so the first own method of each is method 7 of its
// table. Texts are BSTRs that the caller frees; collections count from 1.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <unknwn.h>

struct IZKPartInfo;
struct IZKProductCollection;

// The class and interface of the component's system-information object.
inline const CLSID CLSID_ZKSystemInfo = {0x5B9CECE7, 0x5B14, 0x44DA, {0xA0, 0x0B, 0xD3, 0x8C, 0x3C, 0x97, 0xFE, 0x66}};
inline const IID IID_IZKSystemInfo = {0x1D7CDF13, 0xD7F5, 0x4082, {0xBD, 0x2E, 0x4D, 0x44, 0x59, 0x0F, 0x02, 0x50}};
// The class and interface of the object that describes one distribution.
inline const CLSID CLSID_ZKDistributionInfo
    = {0x62AD1D11, 0x6EBB, 0x4427, {0xB5, 0x6D, 0x93, 0xCA, 0x8B, 0xA6, 0x86, 0xB3}};
inline const IID IID_IZKDistributionInfo
    = {0x588EC0B5, 0xB6B8, 0x4BD1, {0x80, 0xC1, 0x45, 0x74, 0x5C, 0x66, 0xC8, 0x8F}};

// A collection of texts.
struct IZKStringCollection : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItem(long index, BSTR* text) = 0;
};

// One installed product as the user knows it.
struct IZKProductInfo : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetNameDetail(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetName(BSTR* text) = 0;
    // Non-zero when the product is shown in Add/Remove Programs.
    virtual HRESULT STDMETHODCALLTYPE GetArpVisible(long* visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStringList(IZKStringCollection** list) = 0;
};

struct IZKProductCollection : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItem(long index, IZKProductInfo** item) = 0;
    // The position of the product (from 1), 0 when the collection does not hold it.
    virtual HRESULT STDMETHODCALLTYPE FindItem(BSTR productCode, long* position) = 0;
};

// One dependency an installed product declares on another product.
struct IZKDependencyRecord : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetUpgradeCode(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSubsetName(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVersionMin(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVersionMax(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLanguages(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFeature(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCondition(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributes(long* attributes) = 0;
    // Non-zero when the record accepts a product of that upgrade code, version and language.
    virtual HRESULT STDMETHODCALLTYPE Accepts(BSTR upgradeCode, BSTR version, long language, long* accepts) = 0;
};

struct IZKDependencyRecordCollection : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItem(long index, IZKDependencyRecord** item) = 0;
};

// The products that depend on one installed product, each with the record of its dependency.
struct IZKDependentCollection : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDependent(long index, IZKPartInfo** dependent) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRecord(long index, IZKDependencyRecord** record) = 0;
};

// One installed product with its dependents and installed feature subsets.
struct IZKPartInfo : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetProductCode(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUpgradeCode(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDependents(IZKDependentCollection** dependents) = 0;
    // Non-zero when the product has the named feature subset installed.
    virtual HRESULT STDMETHODCALLTYPE QueryByText(BSTR subset, long* installed) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProducts(IZKProductCollection** products) = 0;
};

struct IZKPartInfoList : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItem(long index, IZKPartInfo** item) = 0;
    // The position of the product (from 1), 0 when the list does not hold it.
    virtual HRESULT STDMETHODCALLTYPE FindItem(BSTR productCode, long* position) = 0;
};

// One installed product with the dependencies it declares.
struct IZKInstalledProduct : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetProductCode(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDependencies(IZKDependencyRecordCollection** dependencies) = 0;
};

struct IZKInstalledProductCollection : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItem(long index, IZKInstalledProduct** item) = 0;
};

// One product of a described distribution.
struct IZKDistributionProduct : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetProductCode(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutFeaturesVisible(long visible) = 0;
};

struct IZKDistributionProductCollection : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItem(long index, IZKDistributionProduct** item) = 0;
};

// The description of one distribution.
struct IZKDistributionInfo : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetGuid(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutGuid(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutPackageGuid(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutLanguages(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVersion(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutVersion(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutSetupPath(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutRootPath(long volume, BSTR path) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTitle(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutTitle(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProducts(IZKDistributionProductCollection** products) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddPart(BSTR productCode, BSTR packageCode, long reserved, BSTR packagePath,
        BSTR language, BSTR productVersion, long volume)
        = 0;
    virtual HRESULT STDMETHODCALLTYPE Update() = 0;
    virtual HRESULT STDMETHODCALLTYPE PutOdwBuilt(long built) = 0;
};

struct IZKDistributionInfoCollection : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCount(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItem(long index, IZKDistributionInfo** item) = 0;
};

// The installed products, distributions and dependencies of the machine. Its version is the
// pair (high, low) compared as one unsigned 64-bit number.
struct IZKSystemInfo : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetPartInfoList(IZKPartInfoList** list) = 0;       // method 7
    virtual HRESULT STDMETHODCALLTYPE GetProducts(IZKProductCollection** products) = 0;  // method 8
    virtual HRESULT STDMETHODCALLTYPE GetInstalledProducts(IZKInstalledProductCollection** products) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDistributions(IZKDistributionInfoCollection** distributions) = 0;
    // Reads the machine's products again.
    virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;                               // method 11
    virtual HRESULT STDMETHODCALLTYPE GetVersionHigh(unsigned long* version) = 0;  // method 12
    virtual HRESULT STDMETHODCALLTYPE GetVersionLow(unsigned long* version) = 0;   // method 13
};
