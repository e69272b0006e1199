// The handle owner: when it closes, what it gives up, and the kernel handle's two "no handle"
// values.
#include "UniqueHandle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace OrbelToolbox;

namespace {

// A kind whose handles are numbers; closing records the number and spoils GetLastError.
struct RecordingTraits {
    using Type = int;
    static std::vector<int> closed;
    static Type Invalid() noexcept { return 0; }
    static bool IsValid(Type value) noexcept { return value != 0; }
    static void Close(Type value) noexcept
    {
        closed.push_back(value);
        ::SetLastError(ERROR_INVALID_HANDLE);
    }
};
std::vector<int> RecordingTraits::closed;

using Recorded = UniqueHandle<RecordingTraits>;

class UniqueHandleTest : public ::testing::Test {
protected:
    void SetUp() override { RecordingTraits::closed.clear(); }
    const std::vector<int>& Closed() const { return RecordingTraits::closed; }
};

TEST_F(UniqueHandleTest, ClosesOnceAtTheEndAndKeepsTheLastError)
{
    {
        Recorded held(7);
        Recorded empty;
        EXPECT_TRUE(held);
        EXPECT_FALSE(empty);
        ::SetLastError(1234);
    }
    EXPECT_EQ(1234u, ::GetLastError());
    EXPECT_EQ(std::vector<int>{7}, Closed());
}

TEST_F(UniqueHandleTest, MoveTransfersOwnership)
{
    Recorded first(1);
    Recorded second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(1, second.Get());
    Recorded third(3);
    third = std::move(second);  // closes 3, takes 1
    EXPECT_EQ(std::vector<int>{3}, Closed());
    EXPECT_EQ(1, third.Get());
}

TEST_F(UniqueHandleTest, ReleaseResetAndAddressOf)
{
    Recorded held(5);
    EXPECT_EQ(5, held.Release());
    EXPECT_FALSE(held);

    held.Reset(6);
    held.Reset(8);  // closes 6
    EXPECT_EQ(std::vector<int>{6}, Closed());

    int* out = held.AddressOf();  // closes 8
    EXPECT_EQ(std::vector<int>({6, 8}), Closed());
    EXPECT_EQ(0, *out);
    *out = 9;
    EXPECT_EQ(9, held.Get());
    held.Reset();
    EXPECT_EQ(std::vector<int>({6, 8, 9}), Closed());
}

TEST_F(UniqueHandleTest, KernelHandleTreatsNullAndInvalidValueAsEmpty)
{
    for (HANDLE value : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        UniqueKernelHandle handle(value);
        EXPECT_FALSE(handle.IsValid());
    }
    HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, raw);
    DWORD flags = 0;
    {
        UniqueKernelHandle event(raw);
        EXPECT_TRUE(::GetHandleInformation(raw, &flags));
    }
    EXPECT_FALSE(::GetHandleInformation(raw, &flags));
}

TEST_F(UniqueHandleTest, ComPtrReleasesItsReference)
{
    struct Counted : IUnknown {
        ULONG references = 1;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
        {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
        ULONG STDMETHODCALLTYPE Release() override { return --references; }
    } object;
    {
        ComPtr<IUnknown> pointer;
        *pointer.AddressOf() = &object;
        pointer->AddRef();
        EXPECT_EQ(2u, object.references);
    }
    EXPECT_EQ(1u, object.references);
}

}  // namespace
