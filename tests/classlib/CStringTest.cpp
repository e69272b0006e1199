#include "CString.h"
#include "StringArray.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(CString, ConstructsAndCompares)
{
    CString empty;
    EXPECT_TRUE(empty.IsEmpty());
    ASSERT_NE(nullptr, empty.GetString());
    EXPECT_STREQ(L"", empty.GetString());
    EXPECT_STREQ(L"", CString(nullptr).GetString());
    EXPECT_EQ(L"abc", CString(L"abcdef", 3));
    EXPECT_THROW(CString(L"abc", -1), CInvalidArgException);

    CString a(L"abc");
    EXPECT_TRUE(a == L"abc");
    EXPECT_TRUE(L"abc" == a);
    EXPECT_TRUE(a != CString(L"abd"));
    EXPECT_TRUE(a < L"abd");
    EXPECT_TRUE(CString(L"ab") < a);  // a proper prefix sorts first
    EXPECT_EQ(0, a.CompareNoCase(L"ABC"));
    EXPECT_GT(CString(L"\x00e9").Compare(L"z"), 0);  // code-unit order
    EXPECT_EQ(L"abc!", a + L'!');
    EXPECT_EQ(L">abc", L">" + a);
    EXPECT_EQ(L"abcabc", a + a);
}

TEST(CString, CopiesShareUntilTheFirstWrite)
{
    CString original(L"shared text");
    CString copy(original);
    EXPECT_EQ(original.GetString(), copy.GetString());  // one buffer

    using Write = void (*)(CString&);
    const Write writes[] = {
        [](CString& s) { s.SetAt(0, L'S'); },
        [](CString& s) { s += L"!"; },
        [](CString& s) {
            s.GetBuffer(3)[0] = L'S';
            s.ReleaseBuffer();
        },
        [](CString& s) { s.SetLength(3); },
        [](CString& s) { s.MakeUpper(); },
        [](CString& s) { s.Replace(L'e', L'E'); },
        [](CString& s) { s.Remove(L' '); },
        [](CString& s) {
            s.TrimRight();
            s += L" ";
            s.TrimRight();
            s.SetAt(1, L'x');
        },
    };
    for (Write write : writes) {
        CString a(original);
        CString b(a);
        write(b);
        EXPECT_EQ(L"shared text", a);
        EXPECT_EQ(L"shared text", original);
        EXPECT_NE(a.GetString(), b.GetString());
        EXPECT_NE(L"shared text", b);
    }
}

TEST(CString, CopiesOnManyThreads)
{
    const CString source(L"interlocked");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&source] {
            for (int i = 0; i < 20000; ++i) {
                CString copy(source);
                CString other = copy;
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    CString last(source);
    last.SetAt(0, L'I');
    EXPECT_EQ(L"interlocked", source);
}

TEST(CString, BufferProtocol)
{
    CString s(L"abc");
    wchar_t* buffer = s.GetBuffer(10);
    EXPECT_STREQ(L"abc", buffer);  // the text is kept
    EXPECT_GE(s.GetAllocLength(), 10);
    wcscpy(buffer, L"abcdefgh");
    s.ReleaseBuffer();  // -1: up to the NUL
    EXPECT_EQ(8, s.GetLength());
    EXPECT_EQ(L"abcdefgh", s);

    s.GetBuffer(4);
    s.SetLength(2);
    EXPECT_EQ(L"ab", s);
    s.SetLength(s.GetAllocLength());  // the whole room is allowed
    EXPECT_THROW(s.SetLength(s.GetAllocLength() + 1), CInvalidArgException);
    EXPECT_THROW(s.SetLength(-1), CInvalidArgException);
    EXPECT_THROW(s.GetBuffer(-1), CInvalidArgException);

    CString empty;
    EXPECT_EQ(0, empty.GetAllocLength());
    empty.SetLength(0);
    EXPECT_THROW(empty.SetLength(1), CInvalidArgException);

    // A copy taken between GetBuffer and SetLength does not lose the written characters.
    CString w(L"abc");
    wcscpy(w.GetBuffer(10), L"abcdefgh");
    CString shared(w);
    w.SetLength(8);
    EXPECT_EQ(L"abcdefgh", w);
    EXPECT_EQ(3, shared.GetLength());

    // GetBuffer smaller than the text keeps the whole text.
    CString t(L"hello");
    EXPECT_STREQ(L"hello", t.GetBuffer(1));
    t.ReleaseBuffer(5);
    EXPECT_EQ(L"hello", t);
}

TEST(CString, IndexesOutsideTheTextThrow)
{
    CString s(L"ab");
    EXPECT_EQ(L'b', s[1]);
    EXPECT_EQ(L'a', s.GetAt(0));
    for (int bad : {-1, 2, 100}) {
        EXPECT_THROW(s.GetAt(bad), CInvalidArgException) << bad;
        EXPECT_THROW(s[bad], CInvalidArgException) << bad;
        EXPECT_THROW(s.SetAt(bad, L'x'), CInvalidArgException) << bad;
    }
    EXPECT_THROW(CString().GetAt(0), CInvalidArgException);
    EXPECT_EQ(L"ab", s);
}

TEST(CString, HugeAllocationsThrowBadAlloc)
{
    CString s;
    EXPECT_THROW(s.GetBuffer(0x7FFFFFF0), std::bad_alloc);
    EXPECT_TRUE(s.IsEmpty());
}

struct PartCase {
    CString actual;
    const wchar_t* expected;
};

TEST(CString, Parts)
{
    const CString s(L"Hello World");
    const PartCase cases[] = {
        {s.Left(5), L"Hello"},
        {s.Left(-1), L""},
        {s.Left(50), L"Hello World"},
        {s.Mid(6), L"World"},
        {s.Mid(6, 3), L"Wor"},
        {s.Mid(20), L""},
        {s.Mid(-3, 2), L"He"},
        {s.Mid(9, 10), L"ld"},
        {s.Right(5), L"World"},
        {s.Right(50), L"Hello World"},
        {s.Right(0), L""},
    };
    for (const PartCase& c : cases) {
        EXPECT_EQ(c.expected, c.actual);
    }
}

TEST(CString, Searches)
{
    const CString s(L"a,b,,c");
    EXPECT_EQ(1, s.Find(L','));
    EXPECT_EQ(3, s.Find(L',', 2));
    EXPECT_EQ(-1, s.Find(L'z'));
    EXPECT_EQ(-1, s.Find(L',', 6));
    EXPECT_EQ(-1, s.Find(L',', -1));
    EXPECT_EQ(3, s.Find(L",,"));
    EXPECT_EQ(-1, s.Find(L",,", 4));
    EXPECT_EQ(4, s.ReverseFind(L','));
    EXPECT_EQ(-1, s.ReverseFind(L'z'));
}

TEST(CString, Edits)
{
    CString s(L"a.b.c");
    EXPECT_EQ(2, s.Replace(L'.', L'/'));
    EXPECT_EQ(L"a/b/c", s);
    EXPECT_EQ(2, s.Replace(L"/", L"::"));
    EXPECT_EQ(L"a::b::c", s);
    EXPECT_EQ(2, s.Replace(L"::", nullptr));
    EXPECT_EQ(L"abc", s);
    EXPECT_EQ(0, s.Replace(L"", L"x"));
    EXPECT_EQ(1, s.Remove(L'b'));
    EXPECT_EQ(L"ac", s);

    CString t(L" \t text \r\n");
    EXPECT_EQ(L"text \r\n", CString(t).TrimLeft());
    EXPECT_EQ(L" \t text", CString(t).TrimRight());
    EXPECT_EQ(L"text", t.Trim());
    EXPECT_EQ(L"", CString(L"   ").Trim());
    EXPECT_EQ(L"MIXED \x00c9", CString(L"mixed \x00e9").MakeUpper());

    // Appending a string to itself.
    CString d(L"ab");
    d += d;
    EXPECT_EQ(L"abab", d);
    d += d.GetString() + 1;
    EXPECT_EQ(L"ababbab", d);
    d = d.GetString() + 2;
    EXPECT_EQ(L"abbab", d);
}

TEST(CString, FormatFamily)
{
    CString s;
    s.Format(L"%s-%S-%d", L"wide", "narrow", 7);
    EXPECT_EQ(L"wide-narrow-7", s);
    s.AppendFormat(L"+%I64u", 12345678901234ull);
    EXPECT_EQ(L"wide-narrow-7+12345678901234", s);
    std::wstring big(5000, L'q');
    s.Format(L"%s", big.c_str());
    EXPECT_EQ(big.c_str(), s);

    s.FormatMessage(L"%2 before %1, %3!d!", L"one", L"two", 3);
    EXPECT_EQ(L"two before one, 3", s);
    s.FormatMessage(L"[%1]", L"");
    EXPECT_EQ(L"[]", s);
    s.FormatMessage(L"%1", L"");
    EXPECT_EQ(L"", s);
    s.FormatMessage(L"");
    EXPECT_EQ(L"", s);
    s.FormatMessage(L"100%% of %1!s!", L"it");
    EXPECT_EQ(L"100% of it", s);
}

TEST(CStringArray, Elements)
{
    CStringArray a;
    EXPECT_EQ(0, a.GetSize());
    a.SetSize(4);
    EXPECT_EQ(4, a.GetSize());
    EXPECT_TRUE(a[3].IsEmpty());
    a.SetAt(0, L"Bytes");
    a[1] = L"KB";
    EXPECT_EQ(4, a.Add(L"extra"));
    EXPECT_EQ(L"Bytes", a.GetAt(0));
    EXPECT_EQ(L"KB", a[1]);
    EXPECT_EQ(L"extra", a[4]);
    a.SetSize(2);
    EXPECT_EQ(2, a.GetSize());
    for (INT_PTR bad : {INT_PTR(-1), INT_PTR(2)}) {
        EXPECT_THROW(a.GetAt(bad), CInvalidArgException);
        EXPECT_THROW(a[bad], CInvalidArgException);
        EXPECT_THROW(a.SetAt(bad, L"x"), CInvalidArgException);
    }
    EXPECT_THROW(a.SetSize(-1), CInvalidArgException);
}

}  // namespace
