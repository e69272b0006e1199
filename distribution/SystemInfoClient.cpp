#include "SystemInfoClient.h"

#include <new>

#include "ApplicationServices.h"

SysInfoText::SysInfoText(const wchar_t* text) : m_b(SysAllocString(text ? text : L""))
{
    if (!m_b)
        throw std::bad_alloc();
}

SysInfoPtr<IZKSystemInfo> GetSystemInfoObject()
{
    SysInfoPtr<IUnknown> object;
    AppServices().GetSystemInfo(object.Out());
    SysInfoPtr<IZKSystemInfo> systemInfo;
    if (!object)
        throw SysInfoComError(E_POINTER);
    CheckSysInfo(object->QueryInterface(IID_IZKSystemInfo, reinterpret_cast<void**>(systemInfo.Out())));
    return systemInfo;
}
