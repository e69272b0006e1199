// Hardware faults become SEH_Exception on threads with an armed translator scope, and only there;
// delay-load failures become DelayLoadException.
#include "StructuredExceptionTranslator.h"

#include <gtest/gtest.h>

#include <delayimp.h>

#include <stdexcept>

namespace {

enum class Fault { AccessViolation, DivideByZero };

// Volatile, so that the optimiser keeps every faulting access.
volatile int* volatile g_badAddress = reinterpret_cast<volatile int*>(0x10);
volatile int g_zero = 0;
volatile int g_sink = 0;

struct SetOnDestruction {
    bool* flag;
    ~SetOnDestruction() { *flag = true; }
};

__attribute__((noinline)) int ReadBadAddress()
{
    return *g_badAddress;
}

__attribute__((noinline)) int DivideByZero(int dividend)
{
    return dividend / g_zero;
}

// Faults with an object alive in this frame and in the caller's.
__attribute__((noinline)) int FaultWithObjects(Fault fault, bool* innerDestroyed)
{
    SetOnDestruction inner{innerDestroyed};
    g_sink = fault == Fault::AccessViolation ? ReadBadAddress() : DivideByZero(7);
    return g_sink;
}

struct Outcome {
    bool translated = false;
    bool otherException = false;
    unsigned int code = 0;
    unsigned int recordCode = 0;
    bool innerDestroyed = false;
    bool outerDestroyed = false;
    bool scopeDisarmedAfter = false;
};

Outcome FaultInScope(Fault fault)
{
    Outcome outcome;
    {
        StructuredExceptionTranslatorScope scope;
        try {
            SetOnDestruction outer{&outcome.outerDestroyed};
            FaultWithObjects(fault, &outcome.innerDestroyed);
        } catch (const SEH_Exception& e) {
            outcome.translated = true;
            outcome.code = e.GetCode();
            if (e.GetExceptionPointers() && e.GetExceptionPointers()->ExceptionRecord) {
                outcome.recordCode = e.GetExceptionPointers()->ExceptionRecord->ExceptionCode;
            }
        } catch (...) {
            outcome.otherException = true;
        }
    }
    outcome.scopeDisarmedAfter = !StructuredExceptionTranslatorScope::IsArmed();
    return outcome;
}

struct WorkerJob {
    Fault fault;
    Outcome outcome;
};

DWORD WINAPI FaultOnWorker(void* parameter)
{
    WorkerJob* job = static_cast<WorkerJob*>(parameter);
    try {
        job->outcome = FaultInScope(job->fault);
    } catch (...) {
    }
    return 0;
}

Outcome FaultOnNewThread(Fault fault)
{
    WorkerJob job{fault, {}};
    HANDLE thread = ::CreateThread(nullptr, 0, FaultOnWorker, &job, 0, nullptr);
    EXPECT_NE(nullptr, thread);
    if (thread) {
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 10000));
        ::CloseHandle(thread);
    }
    return job.outcome;
}

const struct {
    const char* name;
    Fault fault;
    unsigned int code;
} kFaults[] = {
    {"access violation", Fault::AccessViolation, EXCEPTION_ACCESS_VIOLATION},
    {"integer divide by zero", Fault::DivideByZero, EXCEPTION_INT_DIVIDE_BY_ZERO},
};

}  // namespace

TEST(StructuredExceptionTest, FaultsAreThrownAsSehExceptionOnTheMainThread)
{
    for (const auto& f : kFaults) {
        SCOPED_TRACE(f.name);
        Outcome outcome = FaultInScope(f.fault);
        EXPECT_TRUE(outcome.translated);
        EXPECT_FALSE(outcome.otherException);
        EXPECT_EQ(f.code, outcome.code);
        EXPECT_EQ(f.code, outcome.recordCode);
        EXPECT_TRUE(outcome.innerDestroyed);
        EXPECT_TRUE(outcome.outerDestroyed);
        EXPECT_TRUE(outcome.scopeDisarmedAfter);
    }
}

TEST(StructuredExceptionTest, FaultsAreThrownAsSehExceptionOnAWorkerThread)
{
    for (const auto& f : kFaults) {
        SCOPED_TRACE(f.name);
        Outcome outcome = FaultOnNewThread(f.fault);
        EXPECT_TRUE(outcome.translated);
        EXPECT_EQ(f.code, outcome.code);
        EXPECT_TRUE(outcome.innerDestroyed);
        EXPECT_TRUE(outcome.outerDestroyed);
    }
}

TEST(StructuredExceptionTest, RepeatedFaultsAndNestedScopes)
{
    StructuredExceptionTranslatorScope outer;
    for (int i = 0; i < 3; ++i) {
        Outcome outcome = FaultInScope(i % 2 ? Fault::DivideByZero : Fault::AccessViolation);
        EXPECT_TRUE(outcome.translated);
        EXPECT_FALSE(outcome.scopeDisarmedAfter);  // the outer scope is still armed
    }
}

TEST(StructuredExceptionTest, OrdinaryExceptionsPassUnchanged)
{
    StructuredExceptionTranslatorScope scope;
    bool destroyed = false;
    try {
        SetOnDestruction object{&destroyed};
        throw std::runtime_error("plain");
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("plain", e.what());
    }
    EXPECT_TRUE(destroyed);
}

TEST(StructuredExceptionTest, FaultsOutsideTheProgramAreLeftToTheirOwnHandlers)
{
    // IsBadReadPtr faults inside the system's library and handles that itself.
    StructuredExceptionTranslatorScope scope;
    EXPECT_TRUE(::IsBadReadPtr(reinterpret_cast<void*>(0x10), 4));
}

namespace {

// The thread that faults without a scope; a handler of the test's own, behind the translator's,
// ends that thread with this code when the fault reaches it untranslated.
const DWORD kUntranslatedExit = 77;
volatile DWORD g_unarmedThreadId = 0;
volatile LONG g_untranslatedSeen = 0;

void EndUnarmedThread()
{
    ::ExitThread(kUntranslatedExit);
}

LONG CALLBACK CatchUntranslated(EXCEPTION_POINTERS* info)
{
    if (::GetCurrentThreadId() != g_unarmedThreadId
        || info->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    ::InterlockedExchange(&g_untranslatedSeen, 1);
#if defined(__x86_64__)
    info->ContextRecord->Rsp = (info->ContextRecord->Rsp & ~static_cast<DWORD64>(15)) - 8;
    info->ContextRecord->Rip = reinterpret_cast<DWORD64>(&EndUnarmedThread);
#else
    info->ContextRecord->Eip = reinterpret_cast<DWORD>(&EndUnarmedThread);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

DWORD WINAPI FaultWithoutScope(void*)
{
    g_unarmedThreadId = ::GetCurrentThreadId();
    try {
        g_sink = ReadBadAddress();
    } catch (...) {
        return 1;  // translated: wrong
    }
    return 2;
}

}  // namespace

TEST(StructuredExceptionTest, ThreadWithoutScopeIsNotTranslated)
{
    // The translator is installed and armed on this thread, not on the worker.
    StructuredExceptionTranslatorScope scope;
    PVOID handler = ::AddVectoredExceptionHandler(0, CatchUntranslated);
    ASSERT_NE(nullptr, handler);
    HANDLE thread = ::CreateThread(nullptr, 0, FaultWithoutScope, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 10000));
    DWORD exitCode = 0;
    ::GetExitCodeThread(thread, &exitCode);
    ::CloseHandle(thread);
    ::RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(kUntranslatedExit, exitCode);
    EXPECT_EQ(1, g_untranslatedSeen);
}

TEST(StructuredExceptionTest, TranslatorPicksTheClassByCode)
{
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    EXCEPTION_POINTERS pointers = {&record, nullptr};
    try {
        TranslateStructuredException(record.ExceptionCode, &pointers);
    } catch (const DelayLoadException&) {
        ADD_FAILURE() << "an access violation is no delay-load failure";
    } catch (const SEH_Exception& e) {
        EXPECT_EQ(EXCEPTION_ACCESS_VIOLATION, e.GetCode());
        EXPECT_EQ(&pointers, e.GetExceptionPointers());
    }

    DelayLoadInfo info = {};
    char dll[] = "zkmissing.dll";
    info.szDll = dll;
    info.dlp.fImportByName = TRUE;
    info.dlp.szProcName = "ZKEntry";
    record.ExceptionCode = DelayLoadException::kProcedureNotFound;
    record.NumberParameters = 1;
    record.ExceptionInformation[0] = reinterpret_cast<ULONG_PTR>(&info);
    try {
        TranslateStructuredException(record.ExceptionCode, &pointers);
    } catch (const SEH_Exception& e) {
        const DelayLoadException* delayLoad = dynamic_cast<const DelayLoadException*>(&e);
        ASSERT_NE(nullptr, delayLoad);
        EXPECT_EQ(0xC06D007Fu, delayLoad->GetCode());
        EXPECT_STREQ("zkmissing.dll", delayLoad->GetDllName());
        EXPECT_STREQ("ZKEntry", delayLoad->GetProcName());
        EXPECT_EQ(0u, delayLoad->GetOrdinal());
    }
}

TEST(StructuredExceptionTest, DelayLoadMessageNamesProgramModuleAndFunction)
{
    const struct {
        DelayLoadException error;
        const wchar_t* message;
    } cases[] = {
        {DelayLoadException(DelayLoadException::kProcedureNotFound, "msi.dll", "MsiOpenPackageW"),
            L"The errors_test.exe File Linked to Missing Export msi.dll : MsiOpenPackageW"},
        {DelayLoadException(DelayLoadException::kProcedureNotFound, "msi.dll", static_cast<DWORD>(12)),
            L"The errors_test.exe File Linked to Missing Export msi.dll : 12"},
    };
    for (const auto& c : cases) {
        wchar_t buffer[256] = {};
        DWORD length = c.error.GetMessage(buffer, 256);
        EXPECT_STREQ(c.message, buffer);
        EXPECT_EQ(std::wcslen(c.message), length);
    }
    EXPECT_EQ(nullptr, cases[1].error.GetProcName());
    EXPECT_EQ(12u, cases[1].error.GetOrdinal());
}
