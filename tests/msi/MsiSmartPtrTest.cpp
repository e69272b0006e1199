// Reference counting of the layer's holders.
#include <gtest/gtest.h>

#include <windows.h>

#include "IMsiObject.h"
#include "MsiSmartPtr.h"

namespace {

class Probe : public IMsiObject {
public:
    explicit Probe(int* deleted) : m_deleted(deleted) { }
    ~Probe() override { ++*m_deleted; }
    MSIHANDLE GetHandle() const override { return 7; }
    MsiString& Describe(MsiString& text) const override { return text; }

private:
    int* m_deleted;
};

DWORD WINAPI CopyManyTimes(LPVOID param)
{
    MsiSmartPtr<Probe>& shared = *static_cast<MsiSmartPtr<Probe>*>(param);
    for (int i = 0; i < 20000; ++i) {
        MsiSmartPtr<Probe> copy(shared);
        MsiSmartPtr<Probe> other;
        other = copy;
    }
    return 0;
}

}  // namespace

TEST(MsiSmartPtr, LastHolderDeletesTheObject)
{
    int deleted = 0;
    {
        MsiSmartPtr<Probe> a(new Probe(&deleted));
        EXPECT_EQ(1, a->GetRefCount());
        {
            MsiSmartPtr<Probe> b(a);
            EXPECT_EQ(2, a->GetRefCount());
        }
        EXPECT_EQ(1, a->GetRefCount());
        EXPECT_EQ(7u, a.GetHandle());
    }
    EXPECT_EQ(1, deleted);
}

TEST(MsiSmartPtr, SelfAssignmentOfTheSoleHolderKeepsTheObject)
{
    int deleted = 0;
    MsiSmartPtr<Probe> a(new Probe(&deleted));
    MsiSmartPtr<Probe>& alias = a;
    a = alias;
    EXPECT_EQ(0, deleted);
    ASSERT_TRUE(a);
    EXPECT_EQ(1, a->GetRefCount());

    MsiSmartPtr<Probe> b(a);
    b = a;
    EXPECT_EQ(2, a->GetRefCount());
    a = a.Get();
    EXPECT_EQ(2, a->GetRefCount());
    EXPECT_EQ(0, deleted);
}

TEST(MsiSmartPtr, AssignmentReleasesTheOldObject)
{
    int deletedFirst = 0, deletedSecond = 0;
    MsiSmartPtr<Probe> a(new Probe(&deletedFirst));
    MsiSmartPtr<Probe> b(new Probe(&deletedSecond));
    a = b;
    EXPECT_EQ(1, deletedFirst);
    EXPECT_EQ(2, b->GetRefCount());
    a = MsiSmartPtr<Probe>();
    EXPECT_FALSE(a);
    EXPECT_EQ(0u, a.GetHandle());
    EXPECT_EQ(1, b->GetRefCount());
    EXPECT_EQ(0, deletedSecond);
}

TEST(MsiSmartPtr, CountsStayExactAcrossThreads)
{
    int deleted = 0;
    {
        MsiSmartPtr<Probe> shared(new Probe(&deleted));
        HANDLE threads[4];
        for (HANDLE& t : threads)
            t = CreateThread(nullptr, 0, &CopyManyTimes, &shared, 0, nullptr);
        WaitForMultipleObjects(4, threads, TRUE, INFINITE);
        for (HANDLE t : threads)
            CloseHandle(t);
        EXPECT_EQ(1, shared->GetRefCount());
    }
    EXPECT_EQ(1, deleted);
}
