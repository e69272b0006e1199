// Workers started through VelmoBeginThread: started by the call itself unless the caller asks
// for a suspended thread, and running in the locale their creator had at that call.
#include <gtest/gtest.h>

#include <windows.h>

#include "VelmoThread.h"

namespace {

const LCID kGerman = 0x0407;
const LCID kFrench = 0x040C;

struct LocaleProbe {
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LCID seen = 0;

    ~LocaleProbe()
    {
        CloseHandle(go);
        CloseHandle(done);
    }
};

UINT ReadLocaleWhenTold(LPVOID param)
{
    LocaleProbe* probe = static_cast<LocaleProbe*>(param);
    WaitForSingleObject(probe->go, 10000);
    probe->seen = GetThreadLocale();
    SetEvent(probe->done);
    return 0;
}

TEST(WorkerThread, StartsByItselfInItsCreatorsLocale)
{
    const LCID saved = GetThreadLocale();
    LocaleProbe probe;
    ASSERT_TRUE(SetThreadLocale(kGerman));
    // Not suspended: the call resumes the thread; the object deletes itself when it ends.
    CVelmoWorkerThread* worker = VelmoBeginThread(&ReadLocaleWhenTold, &probe);
    // A later change of the creator's locale does not reach the worker.
    SetThreadLocale(kFrench);
    SetThreadLocale(saved);
    ASSERT_NE(nullptr, worker);
    SetEvent(probe.go);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(probe.done, 10000)) << "the worker never ran";
    EXPECT_EQ(kGerman, probe.seen);
}

}  // namespace
