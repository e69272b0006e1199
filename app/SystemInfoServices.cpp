// The application's services for the distribution model: the system-information component and
// the spec file's feature requests.
//
// The component is loaded once, on the first request: the distribution's own copy of the server
// and the copy registered on the machine are both asked for their version, and the newer one
// serves the run (the registered one when both are equal).
#include "VelmoInstaller.h"

#include <string>

#include "DistributionInfo.h"
#include "InstallerErrors.h"
#include "ZKSysInfoInterfaces.h"

namespace {

const char kSource[] = "VelmoInstaller";
// In-process server and handler, local and remote server.
const DWORD kSysInfoClassContext
    = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// Releases the held interface when it goes.
template <typename T> class ComRef {
public:
    ComRef() : m_p(nullptr) { }
    ~ComRef()
    {
        if (m_p)
            m_p->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T** Out() { return &m_p; }
    void** OutVoid() { return reinterpret_cast<void**>(&m_p); }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Gives up the reference to the caller.
    T* Detach()
    {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }

private:
    T* m_p;
};

using DllGetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

DllGetClassObjectFunction FindDllGetClassObject(HMODULE module)
{
    return reinterpret_cast<DllGetClassObjectFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
}

// The object's version as one unsigned 64-bit number (high half first); the failing result.
HRESULT ReadSysInfoVersion(IZKSystemInfo* object, unsigned long long& version)
{
    unsigned long high = 0;
    unsigned long low = 0;
    HRESULT result = object->GetVersionHigh(&high);
    if (SUCCEEDED(result))
        result = object->GetVersionLow(&low);
    version = SUCCEEDED(result) ? (static_cast<unsigned long long>(high) << 32) | low : 0;
    return result;
}

ZKSystemInfoFailure ResultFailure(int line, const wchar_t* format, HRESULT result)
{
    CString text;
    text.Format(format, static_cast<unsigned int>(result));
    return ZKSystemInfoFailure(kSource, line, text);
}

}  // namespace

void CVelmoInstallerApp::LoadSystemInfo()
{
    if (m_hSysInfoModule != SysInfoNotLoaded())
        return;

    // Without the distribution's settings there is no server to name: the load fails below.
    CString path;
    if (const CConfigInfo::DistributionInfo* settings = m_pConfigInfo->GetDistributionInfo())
        CopyIfOnCdRom(settings->GetSysInfoPath(), path);
    std::wstring name(static_cast<const wchar_t*>(path));  // CoLoadLibrary takes a writable text
    HMODULE module = CoLoadLibrary(&name[0], TRUE);
    if (!module) {
        CString text;
        text.Format(L"CoLoadLibrary failed on %s", static_cast<const wchar_t*>(path));
        throw ZKSystemInfoFailure(kSource, 1631, text);
    }
    DllGetClassObjectFunction getClassObject = FindDllGetClassObject(module);
    if (!getClassObject)
        throw ZKSystemInfoFailure(kSource, 1636, L"GetProcAddress failed on DllGetClassObject");

    ComRef<IClassFactory> ownFactory;
    HRESULT result = getClassObject(CLSID_ZKSystemInfo, IID_IClassFactory, ownFactory.OutVoid());
    if (FAILED(result))
        throw ResultFailure(1643, L"Failed to get class object for ZKSystemInfo. Result=%08x", result);
    ComRef<IZKSystemInfo> ownObject;
    result = ownFactory->CreateInstance(nullptr, IID_IZKSystemInfo, ownObject.OutVoid());
    if (FAILED(result))
        throw ResultFailure(1650, L"Failed to create distribution ZKSystemInfo object. Result=%08x", result);

    ComRef<IClassFactory> registeredFactory;
    ComRef<IZKSystemInfo> registeredObject;
    if (SUCCEEDED(CoGetClassObject(
            CLSID_ZKSystemInfo, kSysInfoClassContext, nullptr, IID_IClassFactory, registeredFactory.OutVoid())))
        registeredFactory->CreateInstance(nullptr, IID_IZKSystemInfo, registeredObject.OutVoid());

    bool useOwn = !registeredObject;
    if (!useOwn) {
        unsigned long long ownVersion = 0;
        result = ReadSysInfoVersion(ownObject.operator->(), ownVersion);
        if (FAILED(result))
            throw ResultFailure(1673, L"Failed to get distribution ZKSystemInfo object version. Result=%08x", result);
        unsigned long long registeredVersion = 0;
        ReadSysInfoVersion(registeredObject.operator->(), registeredVersion);
        useOwn = ownVersion > registeredVersion;
    }

    IZKSystemInfo* chosen = useOwn ? ownObject.Detach() : registeredObject.Detach();
    if (m_pSystemInfo)
        m_pSystemInfo->Release();
    m_pSystemInfo = chosen;
    m_hSysInfoModule = useOwn ? module : nullptr;

    // The first question to the chosen server; its answer is not needed.
    ComRef<IZKProductCollection> products;
    chosen->GetProducts(products.Out());
}

void CVelmoInstallerApp::GetSystemInfo(IUnknown** systemInfo)
{
    *systemInfo = nullptr;
    LoadSystemInfo();
    m_pSystemInfo->AddRef();
    *systemInfo = m_pSystemInfo;
}

HRESULT CVelmoInstallerApp::CreateSystemInfoObject(REFCLSID classId, REFIID interfaceId, void** object)
{
    *object = nullptr;
    LoadSystemInfo();
    if (!m_hSysInfoModule)
        return CoCreateInstance(classId, nullptr, kSysInfoClassContext, interfaceId, object);
    ComRef<IClassFactory> factory;
    const HRESULT result = FindDllGetClassObject(m_hSysInfoModule)(classId, IID_IClassFactory, factory.OutVoid());
    if (FAILED(result))
        return result;
    return factory->CreateInstance(nullptr, interfaceId, object);
}

void CVelmoInstallerApp::GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent)
{
    m_specFile.GetFeatureRequest(feature, state, disallowAbsent);
}
