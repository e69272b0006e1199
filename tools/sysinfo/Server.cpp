// The module's exports: the class objects of ZKSystemInfo and ZKDistributionInfo, the unload
// test, and the registration of both classes (in-process, ThreadingModel "Both").
#include <windows.h>

#include <olectl.h>

#include <string>

#include "ComObject.h"
#include "SysInfoData.h"
#include "SysInfoObjects.h"

HMODULE g_serverModule = nullptr;
LONG g_serverReferences = 0;

BSTR NewText(const std::wstring& text)
{
    BSTR copy = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    if (!copy)
        throw std::bad_alloc();
    return copy;
}

namespace {

struct ServerClass {
    const CLSID* classId;
    const wchar_t* name;
};

const ServerClass kClasses[] = {
    {&CLSID_ZKSystemInfo, L"ZKSystemInfo"},
    {&CLSID_ZKDistributionInfo, L"ZKDistributionInfo"},
};

std::wstring ClassKey(const CLSID& classId)
{
    wchar_t text[40] = {};
    StringFromGUID2(classId, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

LONG SetText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value)
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result;
}

class ClassFactory : public ComUnknown<IClassFactory, &IID_IClassFactory> {
public:
    explicit ClassFactory(const CLSID& classId) : m_classId(classId) { }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        return ComBarrier([&] {
            if (!object)
                return E_POINTER;
            *object = nullptr;
            if (outer)
                return CLASS_E_NOAGGREGATION;
            const HRESULT refused = sysinfo::ReadResult(L"Server", L"CreateResult");
            if (FAILED(refused))
                return refused;
            IUnknown* created = IsEqualCLSID(m_classId, CLSID_ZKSystemInfo)
                ? static_cast<IUnknown*>(sysinfo::NewSystemInfo())
                : static_cast<IUnknown*>(sysinfo::NewDistributionInfo());
            created->AddRef();
            const HRESULT result = created->QueryInterface(iid, object);
            created->Release();
            return result;
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_serverReferences);
        else
            InterlockedDecrement(&g_serverReferences);
        return S_OK;
    }

private:
    CLSID m_classId;
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_serverModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** object)
{
    return ComBarrier([&] {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        const HRESULT refused = sysinfo::ReadResult(L"Server", L"ClassObjectResult");
        if (FAILED(refused))
            return refused;
        for (const ServerClass& known : kClasses) {
            if (IsEqualCLSID(classId, *known.classId)) {
                IClassFactory* factory = new ClassFactory(classId);
                factory->AddRef();
                const HRESULT result = factory->QueryInterface(iid, object);
                factory->Release();
                return result;
            }
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    });
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return g_serverReferences == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return ComBarrier([&] {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(g_serverModule, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return SELFREG_E_CLASS;
        for (const ServerClass& known : kClasses) {
            const std::wstring key = ClassKey(*known.classId);
            if (SetText(HKEY_CLASSES_ROOT, key, nullptr, known.name) != ERROR_SUCCESS
                || SetText(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, path) != ERROR_SUCCESS
                || SetText(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", L"Both") != ERROR_SUCCESS)
                return SELFREG_E_CLASS;
        }
        return S_OK;
    });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return ComBarrier([&] {
        for (const ServerClass& known : kClasses) {
            const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey(*known.classId).c_str());
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
                return SELFREG_E_CLASS;
        }
        return S_OK;
    });
}
