// The Windows Installer service started and stopped through the service manager of the test
// prefix, and the states the service seldom shows (a start that stays pending, a stop refused
// while it is busy) through the service manager's table.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "Distribution.h"
#include "InstallerErrors.h"
#include "MsiApi.h"
#include "PlatformApi.h"
#include "ScopedOverride.h"
#include "ServiceControl.h"

namespace {

std::wstring W(const CString& s)
{
    return s.GetString();
}

DWORD QueryMsiServiceState()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, L"MSIServer", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status = {};
    const BOOL queried = service && QueryServiceStatus(service, &status);
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return queried ? status.dwCurrentState : 0;
}

// A scripted service manager: each status query and each stop request takes the next entry of
// its script (the last one repeats); sleeps are recorded and move the clock.
struct Script {
    std::vector<SERVICE_STATUS> statuses;
    size_t nextStatus = 0;
    struct Answer {
        BOOL ok;
        DWORD error;
        DWORD state;
    };
    std::vector<Answer> stopAnswers;
    size_t stopRequests = 0;
    DWORD startError = 0;  // StartServiceW fails with it when set
    DWORD openManagerError = 0;
    std::vector<DWORD> sleeps;
    DWORD clock = 5000;
    int closed = 0;
    int opened = 0;
};
Script* g_script = nullptr;

SC_HANDLE WINAPI FakeOpenManager(LPCWSTR, LPCWSTR, DWORD)
{
    if (g_script->openManagerError) {
        SetLastError(g_script->openManagerError);
        return nullptr;
    }
    ++g_script->opened;
    return reinterpret_cast<SC_HANDLE>(1);
}
SC_HANDLE WINAPI FakeOpenService(SC_HANDLE, LPCWSTR name, DWORD)
{
    EXPECT_STREQ(L"MSIServer", name);
    ++g_script->opened;
    return reinterpret_cast<SC_HANDLE>(2);
}
BOOL WINAPI FakeStartService(SC_HANDLE, DWORD, LPCWSTR*)
{
    SetLastError(g_script->startError);
    return g_script->startError == 0;
}
BOOL WINAPI FakeQueryStatus(SC_HANDLE, LPSERVICE_STATUS status)
{
    Script& s = *g_script;
    if (s.nextStatus >= s.statuses.size()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *status = s.statuses[s.nextStatus++];
    SetLastError(0);
    return TRUE;
}
BOOL WINAPI FakeControl(SC_HANDLE, DWORD control, LPSERVICE_STATUS status)
{
    EXPECT_EQ(static_cast<DWORD>(SERVICE_CONTROL_STOP), control);
    Script& s = *g_script;
    const Script::Answer& answer = s.stopAnswers[std::min(s.stopRequests, s.stopAnswers.size() - 1)];
    ++s.stopRequests;
    status->dwCurrentState = answer.state;
    SetLastError(answer.error);
    return answer.ok;
}
BOOL WINAPI FakeClose(SC_HANDLE)
{
    ++g_script->closed;
    return TRUE;
}
void WINAPI FakeSleep(DWORD milliseconds)
{
    g_script->sleeps.push_back(milliseconds);
    g_script->clock += milliseconds;
}
DWORD WINAPI FakeTickCount()
{
    return g_script->clock;
}

SERVICE_STATUS Status(DWORD state, DWORD checkPoint = 0, DWORD waitHint = 0)
{
    SERVICE_STATUS status = {};
    status.dwCurrentState = state;
    status.dwCheckPoint = checkPoint;
    status.dwWaitHint = waitHint;
    return status;
}

class ScriptedServiceManager {
public:
    explicit ScriptedServiceManager(Script& script)
        : m_api(g_serviceManagerApi,
            ServiceManagerApi{&FakeOpenManager, &FakeOpenService, &FakeStartService, &FakeQueryStatus, &FakeControl,
                &FakeClose, &FakeSleep, &FakeTickCount})
    {
        g_script = &script;
    }
    ~ScriptedServiceManager() { g_script = nullptr; }

private:
    ScopedOverride<ServiceManagerApi> m_api;
};

OSVERSIONINFOW g_fakeVersion;
BOOL WINAPI FakeGetVersionEx(LPOSVERSIONINFOW info)
{
    const DWORD size = info->dwOSVersionInfoSize;
    *info = g_fakeVersion;
    info->dwOSVersionInfoSize = size;
    return TRUE;
}

}  // namespace

// The service of the prefix: started and running; stopped, and a second stop (1062, sent once
// more) is no error. The stop unloads the Windows Installer library first.
TEST(MsiService, StartsAndStopsThroughTheServiceManager)
{
    CDistribution model;
    model.StartMSIService();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), QueryMsiServiceState());
    model.StartMSIService();  // already running: 1056 is no error

    MsiApi().MsiCloseHandle(MsiApi().MsiCreateRecord(1));  // binds msi.dll
    ASSERT_NE(nullptr, MsiApiModule());
    model.StopMSIService();
    EXPECT_EQ(nullptr, MsiApiModule());
    const DWORD stopped = QueryMsiServiceState();
    EXPECT_TRUE(stopped == SERVICE_STOPPED || stopped == SERVICE_STOP_PENDING) << stopped;
    model.StopMSIService();

    model.StartMSIService();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), QueryMsiServiceState());
}

TEST(MsiService, StartPollDelayIsATenthOfTheWaitHintWithinBounds)
{
    const DWORD cases[][2] = {{0, 1000}, {9999, 1000}, {15000, 1500}, {100000, 10000}, {200000, 10000}};
    for (const auto& c : cases)
        EXPECT_EQ(c[1], ServiceStartPollDelay(c[0])) << c[0];
}

// The wait for a starting service: check-point progress restarts the clock; without progress
// the wait ends once the wait hint has passed, and a service not running then is an error.
TEST(MsiService, StartWaitsWhileTheServiceStarts)
{
    struct Case {
        const char* name;
        std::vector<SERVICE_STATUS> statuses;
        std::vector<DWORD> sleeps;
        bool fails;
    };
    const Case cases[] = {
        {"running at once", {Status(SERVICE_RUNNING)}, {}, false},
        {"hint 0, no progress", {Status(SERVICE_START_PENDING), Status(SERVICE_START_PENDING)}, {1000}, true},
        {"hint 200000",
            {Status(SERVICE_START_PENDING, 1, 200000), Status(SERVICE_START_PENDING, 2, 200000),
                Status(SERVICE_RUNNING, 2, 200000)},
            {10000, 10000}, false},
        {"progress then stalls",
            {Status(SERVICE_START_PENDING, 1, 1500), Status(SERVICE_START_PENDING, 2, 1500),
                Status(SERVICE_START_PENDING, 2, 1500), Status(SERVICE_START_PENDING, 2, 1500)},
            {1000, 1000, 1000}, true},
        {"status query fails while waiting", {Status(SERVICE_START_PENDING, 0, 30000)}, {3000}, true},
        {"stopped", {Status(SERVICE_STOPPED)}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script script;
        script.statuses = c.statuses;
        script.startError = ERROR_SERVICE_ALREADY_RUNNING;
        ScriptedServiceManager manager(script);
        CDistribution model;
        bool failed = false;
        try {
            model.StartMSIService();
        } catch (const MSIServiceStartError&) {
            failed = true;
        }
        EXPECT_EQ(c.fails, failed);
        EXPECT_EQ(c.sleeps, script.sleeps);
        EXPECT_EQ(script.opened, script.closed);
    }
}

TEST(MsiService, StartFailureNamesTheSystemsReason)
{
    Script script;
    script.startError = ERROR_SERVICE_DISABLED;
    ScriptedServiceManager manager(script);
    CDistribution model;
    try {
        model.StartMSIService();
        FAIL() << "no error";
    } catch (const MSIServiceStartError& e) {
        EXPECT_FALSE(e.Argument<1>().IsEmpty());
    }
    EXPECT_EQ(2, script.closed);
}

// The stop request's answers: a busy service is asked again every 10 ms up to the limit and
// then left alone; a stop under way or a service not running gets one more request; any other
// refusal is an error naming the function and the Windows error.
TEST(MsiService, StopRetriesAndGivesUp)
{
    using Answer = Script::Answer;
    struct Case {
        const char* name;
        std::vector<Answer> answers;
        size_t requests;
        DWORD error;  // 0: no error
    };
    const Case cases[] = {
        {"stops", {{TRUE, 0, SERVICE_STOP_PENDING}}, 1, 0},
        {"busy starting, then stops",
            {{FALSE, ERROR_SERVICE_CANNOT_ACCEPT_CTRL, SERVICE_START_PENDING},
                {FALSE, ERROR_SERVICE_CANNOT_ACCEPT_CTRL, SERVICE_PAUSE_PENDING}, {TRUE, 0, SERVICE_STOP_PENDING}},
            3, 0},
        {"busy forever", {{FALSE, ERROR_SERVICE_CANNOT_ACCEPT_CTRL, SERVICE_CONTINUE_PENDING}},
            static_cast<size_t>(kServiceStopRetryLimit), 0},
        {"stop pending", {{FALSE, ERROR_SERVICE_CANNOT_ACCEPT_CTRL, SERVICE_STOP_PENDING}}, 2, 0},
        {"not active", {{FALSE, ERROR_SERVICE_NOT_ACTIVE, SERVICE_STOPPED}}, 2, 0},
        {"refused while running", {{FALSE, ERROR_SERVICE_CANNOT_ACCEPT_CTRL, SERVICE_RUNNING}}, 1,
            ERROR_SERVICE_CANNOT_ACCEPT_CTRL},
        {"access denied", {{FALSE, ERROR_ACCESS_DENIED, SERVICE_RUNNING}}, 1, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script script;
        script.stopAnswers = c.answers;
        ScriptedServiceManager manager(script);
        CDistribution model;
        DWORD error = 0;
        try {
            model.StopMSIService();
        } catch (const ServiceControlError& e) {
            error = e.Argument<3>();
            EXPECT_EQ(L"MSIServer", W(e.Argument<1>()));
            EXPECT_EQ(L"ControlService", W(e.Argument<2>()));
        }
        EXPECT_EQ(c.error, error);
        EXPECT_EQ(c.requests, script.stopRequests);
        // A pause before every request after the first.
        EXPECT_EQ(std::vector<DWORD>(c.requests - 1, kServiceStopRetryDelay), script.sleeps);
        EXPECT_EQ(2, script.closed);
    }
}

TEST(MsiService, StopFailsWhenTheManagerCannotBeOpened)
{
    Script script;
    script.openManagerError = ERROR_ACCESS_DENIED;
    ScriptedServiceManager manager(script);
    CDistribution model;
    try {
        model.StopMSIService();
        FAIL() << "no error";
    } catch (const ServiceControlError& e) {
        EXPECT_EQ(L"OpenSCManager", W(e.Argument<2>()));
        EXPECT_EQ(static_cast<unsigned long>(ERROR_ACCESS_DENIED), e.Argument<3>());
    }
}

// Outside the NT family the service is left alone.
TEST(MsiService, WindowsNineXLeavesTheServiceAlone)
{
    Script script;  // any call of the service manager would fail the script
    ScriptedServiceManager manager(script);
    ZeroMemory(&g_fakeVersion, sizeof(g_fakeVersion));
    g_fakeVersion.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    g_fakeVersion.dwMajorVersion = 4;
    g_fakeVersion.dwMinorVersion = 10;
    ScopedOverride<decltype(g_platformApi.GetVersionExW)> version(g_platformApi.GetVersionExW, &FakeGetVersionEx);
    CDistribution model;
    model.StartMSIService();
    model.StopMSIService();
    EXPECT_EQ(0, script.opened);
}
