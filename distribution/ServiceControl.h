// The Service Control Manager calls of the Windows Installer service control, gathered in one
// replaceable table so that tests reach the states a running service seldom shows (a start that
// stays pending, a stop refused while the service is busy) and the waits without sleeping.
#pragma once

#include <windows.h>

struct ServiceManagerApi {
    SC_HANDLE(WINAPI* OpenSCManagerW)(LPCWSTR machine, LPCWSTR database, DWORD access);
    SC_HANDLE(WINAPI* OpenServiceW)(SC_HANDLE manager, LPCWSTR name, DWORD access);
    BOOL(WINAPI* StartServiceW)(SC_HANDLE service, DWORD argumentCount, LPCWSTR* arguments);
    BOOL(WINAPI* QueryServiceStatus)(SC_HANDLE service, LPSERVICE_STATUS status);
    BOOL(WINAPI* ControlService)(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
    BOOL(WINAPI* CloseServiceHandle)(SC_HANDLE handle);
    void(WINAPI* Sleep)(DWORD milliseconds);
    DWORD(WINAPI* GetTickCount)();
};

extern ServiceManagerApi g_serviceManagerApi;

// The name of the Windows Installer service.
extern const wchar_t kMsiServiceName[];

// How often a stop request is sent again while the service stays in a pending state that
// cannot take it, and the pause between two requests.
const int kServiceStopRetryLimit = 500;
const DWORD kServiceStopRetryDelay = 10;

// The pause between two status queries while the service starts: a tenth of its wait hint,
// kept between one and ten seconds.
DWORD ServiceStartPollDelay(DWORD waitHint);
