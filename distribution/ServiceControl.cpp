// Starting the Windows Installer service before the model is initialised, and stopping it (with
// the Windows Installer library unloaded first) before linked distributions run.
#include "ServiceControl.h"

#include "Distribution.h"
#include "InstallerErrors.h"
#include "MsiApi.h"
#include "PlatformChecks.h"
#include "SystemMessage.h"
#include "UniqueHandle.h"

namespace {

const char kSource[] = ".\\Distribution.cpp";

const DWORD kMinimumStartPollDelay = 1000;
const DWORD kMaximumStartPollDelay = 10000;

void WINAPI RealSleep(DWORD milliseconds)
{
    ::Sleep(milliseconds);
}

DWORD WINAPI RealGetTickCount()
{
    return ::GetTickCount();
}

// Service and manager handles, closed through the table.
struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { g_serviceManagerApi.CloseServiceHandle(value); }
};
using UniqueServiceHandle = OrbelToolbox::UniqueHandle<ServiceHandleTraits>;

// The service is touched only by an administrator on the NT family.
bool MayControlService()
{
    return IsWindowsNT() && IsAdministrator();
}

[[noreturn]] void ThrowStartError(int line)
{
    throw MSIServiceStartError(kSource, line, SystemMessageText(GetLastError()));
}

[[noreturn]] void ThrowStopError(const wchar_t* function, DWORD error, int line)
{
    throw ServiceControlError(kSource, line, kMsiServiceName, function, error, SystemMessageText(error),
        L"Service=%1, Function=%2, Error=%3");
}

bool IsPendingStateThatRefusesStop(DWORD state)
{
    return state == SERVICE_START_PENDING || state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
}

}  // namespace

ServiceManagerApi g_serviceManagerApi = {
    &::OpenSCManagerW,
    &::OpenServiceW,
    &::StartServiceW,
    &::QueryServiceStatus,
    &::ControlService,
    &::CloseServiceHandle,
    &RealSleep,
    &RealGetTickCount,
};

const wchar_t kMsiServiceName[] = L"MSIServer";

DWORD ServiceStartPollDelay(DWORD waitHint)
{
    const DWORD delay = waitHint / 10;
    if (delay < kMinimumStartPollDelay)
        return kMinimumStartPollDelay;
    if (delay > kMaximumStartPollDelay)
        return kMaximumStartPollDelay;
    return delay;
}

void CDistribution::StartMSIService()
{
    if (!MayControlService())
        return;
    const ServiceManagerApi& api = g_serviceManagerApi;
    UniqueServiceHandle manager(api.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        ThrowStartError(__LINE__);
    UniqueServiceHandle service(api.OpenServiceW(manager.Get(), kMsiServiceName, SERVICE_QUERY_STATUS | SERVICE_START));
    if (!service)
        ThrowStartError(__LINE__);
    if (!api.StartServiceW(service.Get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        ThrowStartError(__LINE__);

    SERVICE_STATUS status = {};
    if (!api.QueryServiceStatus(service.Get(), &status))
        ThrowStartError(__LINE__);
    DWORD since = api.GetTickCount();
    DWORD checkPoint = status.dwCheckPoint;
    while (status.dwCurrentState == SERVICE_START_PENDING) {
        api.Sleep(ServiceStartPollDelay(status.dwWaitHint));
        if (!api.QueryServiceStatus(service.Get(), &status))
            break;
        if (status.dwCheckPoint > checkPoint) {
            since = api.GetTickCount();
            checkPoint = status.dwCheckPoint;
        } else if (api.GetTickCount() - since > status.dwWaitHint) {
            break;
        }
    }
    if (status.dwCurrentState != SERVICE_RUNNING)
        ThrowStartError(__LINE__);
}

void CDistribution::StopMSIService()
{
    if (HMODULE library = MsiApiModule()) {
        wchar_t path[MAX_PATH] = L"";
        GetModuleFileNameW(library, path, MAX_PATH);
        const wchar_t* name = path;
        for (const wchar_t* p = path; *p; ++p) {
            if (*p == L'\\' || *p == L'/' || *p == L':')
                name = p + 1;
        }
        if (!MsiApiUnload())
            throw DllUnloadFailed(kSource, __LINE__, name);
    }
    if (!MayControlService())
        return;

    const ServiceManagerApi& api = g_serviceManagerApi;
    UniqueServiceHandle manager(api.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        ThrowStopError(L"OpenSCManager", GetLastError(), __LINE__);
    UniqueServiceHandle service(api.OpenServiceW(manager.Get(), kMsiServiceName, SERVICE_STOP));
    if (!service)
        ThrowStopError(L"OpenService", GetLastError(), __LINE__);

    // A service busy starting, continuing or pausing is asked again until it takes the request;
    // one that never does is left running after the retry limit. A stop already under way, or a
    // service not running, gets one more request; its refusal is no error.
    bool retry = true;
    int pendingRetries = 0;
    for (;;) {
        SERVICE_STATUS status = {};
        if (api.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) || !retry)
            return;
        const DWORD error = GetLastError();
        retry = false;
        if (error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL && IsPendingStateThatRefusesStop(status.dwCurrentState)) {
            if (++pendingRetries >= kServiceStopRetryLimit)
                return;
            retry = true;
        } else if (!(error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL && status.dwCurrentState == SERVICE_STOP_PENDING)
            && error != ERROR_SERVICE_NOT_ACTIVE) {
            ThrowStopError(L"ControlService", error, __LINE__);
        }
        api.Sleep(kServiceStopRetryDelay);
    }
}
