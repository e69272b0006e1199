// A fault inside a system library that no handler takes comes back to the innermost boundary the
// thread entered and is thrown there as SEH_Exception; without a boundary, or handled inside the
// library, nothing changes.
#include "ForeignCallBoundary.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// The process's last resort as the application arms it: back to the boundary when there is one.
LONG WINAPI ResumeOrCrash(EXCEPTION_POINTERS* pointers)
{
    ResumeAtForeignCallBoundary(pointers);
    return EXCEPTION_CONTINUE_SEARCH;
}

class LastResort {
public:
    LastResort() : m_previous(SetUnhandledExceptionFilter(&ResumeOrCrash)) { }
    ~LastResort() { SetUnhandledExceptionFilter(m_previous); }

private:
    LPTOP_LEVEL_EXCEPTION_FILTER m_previous;
};

// memset of the C run-time library, called through its address so that the fault happens
// inside the library, not in this program's image.
using MemsetFunction = void* (*)(void*, int, size_t);
MemsetFunction LibraryMemset()
{
    return reinterpret_cast<MemsetFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "memset")));
}

void* volatile g_badAddress = reinterpret_cast<void*>(0x10);

struct SetOnDestruction {
    bool* flag;
    ~SetOnDestruction() { *flag = true; }
};

}  // namespace

TEST(ForeignCallBoundary, UnhandledFaultInsideALibraryIsThrownAtTheBoundary)
{
    LastResort lastResort;
    const MemsetFunction memsetInLibrary = LibraryMemset();
    ASSERT_NE(nullptr, memsetInLibrary);
    // Twice: the first return leaves no boundary behind.
    for (int round = 0; round < 2; ++round) {
        bool destroyed = false;
        unsigned int code = 0;
        try {
            SetOnDestruction object{&destroyed};
            CallAtForeignBoundary([&]() { return memsetInLibrary(g_badAddress, 0, 16); });
            ADD_FAILURE() << "the call came back";
        } catch (const SEH_Exception& error) {
            code = error.GetCode();
        }
        EXPECT_EQ(static_cast<unsigned int>(EXCEPTION_ACCESS_VIOLATION), code);
        EXPECT_TRUE(destroyed);
    }
}

TEST(ForeignCallBoundary, CallsThatDoNotFaultReturnTheirResult)
{
    LastResort lastResort;
    char buffer[8] = {};
    void* result = CallAtForeignBoundary([&]() { return LibraryMemset()(buffer, 'x', 3); });
    EXPECT_EQ(static_cast<void*>(buffer), result);
    EXPECT_STREQ("xxx", buffer);
    // A fault the library handles itself never reaches the boundary.
    EXPECT_EQ(0, CallAtForeignBoundary([]() { return IsBadReadPtr(reinterpret_cast<void*>(0x10), 4) ? 0 : 1; }));
}
