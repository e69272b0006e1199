#include "MfcPlexaString.h"
#include "PlexaString.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <string>

namespace {

using HeapString = PlexaString<unsigned short*>;

IPlexaStringCOW* StorageOf(const IPlexaString& s)
{
    return *s.GetStorage();
}

// Byte size of a heap-family string's block (0 without one).
size_t BlockSize(const IPlexaString& s)
{
    PlexaChar* const* buffer = static_cast<PlexaChar* const*>(StorageOf(s)->GetConstRawStorage());
    return *buffer ? _msize(*buffer) : 0;
}

std::wstring Text(const IPlexaString& s)
{
    return s.GetString();
}

template <class F> std::string OutOfRangeText(F f)
{
    try {
        f();
    } catch (const PlexaOutOfRange& e) {
        return e.what();
    }
    return "no exception";
}

TEST(PlexaStringSharing, SameFamilySharesAndFirstWriteUnshares)
{
    HeapString a(L"shared");
    HeapString b;
    b = a;
    EXPECT_EQ(StorageOf(a), StorageOf(b));
    EXPECT_EQ(2, StorageOf(a)->GetRefCount());

    HeapString c(a);  // copies share as well
    EXPECT_EQ(3, StorageOf(a)->GetRefCount());

    b.SetAt(0, L'S');
    EXPECT_NE(StorageOf(a), StorageOf(b));
    EXPECT_EQ(L"shared", Text(a));
    EXPECT_EQ(L"Shared", Text(b));
    EXPECT_EQ(L"shared", Text(c));
    EXPECT_EQ(2, StorageOf(a)->GetRefCount());
    EXPECT_EQ(1, StorageOf(b)->GetRefCount());
}

TEST(PlexaStringSharing, OtherFamilyIsCopied)
{
    MfcPlexaString mfc;
    mfc = L"from the class library";
    HeapString heap;
    EXPECT_EQ(22, heap.Assign(mfc, 0, -1));
    EXPECT_NE(StorageOf(mfc), StorageOf(heap));
    EXPECT_EQ(Text(mfc), Text(heap));
    EXPECT_EQ(1, StorageOf(mfc)->GetRefCount());
    EXPECT_NE(StorageOf(mfc)->GetFamilyId(), StorageOf(heap)->GetFamilyId());
}

TEST(PlexaStringSharing, AdoptingConstructorTakesAnyFamily)
{
    HeapString heap(L"package.msi");
    MfcPlexaString adopted(heap);
    EXPECT_EQ(StorageOf(heap), StorageOf(adopted));
    EXPECT_EQ(2, StorageOf(heap)->GetRefCount());

    // Returned by value: still the same storage.
    MfcPlexaString copy = adopted;
    EXPECT_EQ(StorageOf(heap), StorageOf(copy));

    // A whole MFC-family text assigned into the heap-family storage is copied, not shared, and
    // the string that shared the old storage keeps its text.
    MfcPlexaString other;
    other = L"other";
    adopted.Assign(other, 0, -1);
    EXPECT_EQ(L"other", Text(adopted));
    EXPECT_NE(StorageOf(other), StorageOf(adopted));
    EXPECT_EQ(L"package.msi", Text(heap));
    EXPECT_EQ(L"package.msi", Text(copy));
}

TEST(PlexaStringSharing, PartsAreCopiedAndSelfAssignmentChangesNothing)
{
    HeapString a(L"abcdef");
    HeapString b;
    b.Assign(a, 2, 3);
    EXPECT_EQ(L"cde", Text(b));
    EXPECT_NE(StorageOf(a), StorageOf(b));

    IPlexaStringCOW* before = StorageOf(a);
    a = a;
    EXPECT_EQ(before, StorageOf(a));
    EXPECT_EQ(1, before->GetRefCount());
    PlexaShareStorage(a.GetStorageForWrite(), a.GetStorage());
    EXPECT_EQ(before, StorageOf(a));
    EXPECT_EQ(1, before->GetRefCount());
    EXPECT_EQ(L"abcdef", Text(a));
}

TEST(PlexaStringSharing, MismatchedFamiliesAreRefused)
{
    HeapString heap(L"heap");
    MfcPlexaString mfc;
    mfc = L"mfc";
    IPlexaStringCOW* before = StorageOf(heap);
    try {
        PlexaShareStorage(heap.GetStorageForWrite(), mfc.GetStorage());
        FAIL() << "no exception";
    } catch (const PlexaMismatchedCOWs& e) {
        EXPECT_STREQ("Attempt to assign mismatched IPlexaStringCOW derived objects.", e.what());
    }
    EXPECT_EQ(before, StorageOf(heap));
    EXPECT_EQ(1, StorageOf(mfc)->GetRefCount());
}

TEST(PlexaStringSharing, MfcStringSharesItsBufferWithCString)
{
    MfcPlexaString s;
    s = L"Program Files";
    CString c = s;
    EXPECT_EQ(CString(L"Program Files"), c);
    EXPECT_EQ(s.GetString(), c.GetString());  // one buffer until either writes
    c += L"\\x";
    EXPECT_EQ(L"Program Files", Text(s));

    HeapString heap(L"heap text");
    MfcPlexaString fromHeap(heap);
    EXPECT_EQ(CString(L"heap text"), static_cast<CString>(fromHeap));
}

TEST(PlexaStringRanges, ErrorsLeaveTheStringUnchanged)
{
    const std::string text = "PlexaString position index out of bounds.";
    HeapString s(L"abc");
    EXPECT_EQ(text, OutOfRangeText([&] { s.Assign(L"abc", 1, 3); }));
    EXPECT_EQ(text, OutOfRangeText([&] { s.Assign(L"abc", 4, -1); }));
    EXPECT_EQ(text, OutOfRangeText([&] { s.Append(L"abc", 0, 4); }));
    EXPECT_EQ(text, OutOfRangeText([&] { s.GetAt(3); }));
    EXPECT_EQ(text, OutOfRangeText([&] { s.GetAt(-2); }));
    EXPECT_EQ(text, OutOfRangeText([&] { s.SetAt(4, L'x'); }));
    EXPECT_EQ(text, OutOfRangeText([&] { s.Mid(2, 2); }));
    EXPECT_EQ(text, OutOfRangeText([&] { s.Replace(1, 5, L"x"); }));
    EXPECT_EQ(text, OutOfRangeText([&] {
        HeapString other(L"xy");
        s.Assign(other, 1, 2);
    }));
    EXPECT_EQ(L"abc", Text(s));
}

TEST(PlexaStringRanges, Boundaries)
{
    HeapString s(L"abc");
    EXPECT_EQ(0, s.Assign(L"abc", 3, -1));
    EXPECT_EQ(L"", Text(s));
    EXPECT_EQ(1, s.IsEmpty());

    s = L"abc";
    s.SetAt(-1, L'd');
    EXPECT_EQ(L"abcd", Text(s));
    s.SetAt(4, L'e');
    EXPECT_EQ(L"abcde", Text(s));
    EXPECT_EQ(L'e', s.GetAt(4));
    s.SetAt(0, L'\0');
    EXPECT_EQ(0, s.GetLength());

    // A whole source with a count beyond its length is shared, not refused.
    HeapString source(L"xy");
    EXPECT_EQ(2, s.Assign(source, 0, 10));
    EXPECT_EQ(StorageOf(source), StorageOf(s));

    // Null texts count as empty.
    EXPECT_EQ(0, s.Assign(static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(0, s.Compare(static_cast<const wchar_t*>(nullptr)));
}

TEST(PlexaStringWriting, OwnTextAsSource)
{
    HeapString s(L"abcd");
    s.Assign(s.GetString(), 1, -1);
    EXPECT_EQ(L"bcd", Text(s));
    s.Append(s.GetString(), 1, -1);
    EXPECT_EQ(L"bcdcd", Text(s));
    s.Append(s);
    EXPECT_EQ(L"bcdcdbcdcd", Text(s));
}

TEST(PlexaStringWriting, FillsAndNulCharacters)
{
    HeapString s(L'-', 3);
    EXPECT_EQ(L"---", Text(s));
    s.Append(L'+', 2);
    EXPECT_EQ(L"---++", Text(s));
    s.Append(L'\0', 4);  // a NUL fill ends the text where it starts
    EXPECT_EQ(L"---++", Text(s));
    s.Assign(L'x', 0);
    EXPECT_EQ(L"", Text(s));
}

TEST(PlexaStringWriting, HeapBlockShrinksWhenLessThanHalfIsUsed)
{
    HeapString s(L"0123456789");
    EXPECT_EQ(24u, BlockSize(s));  // 10 characters + 1 asked for, + the terminator
    s.SetAt(2, L'\0');
    EXPECT_EQ(L"01", Text(s));
    EXPECT_EQ(6u, BlockSize(s));
}

TEST(PlexaStringCompare, OrdinalTable)
{
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int expected;
    } cases[] = {
        {L"ab", L"abc", -1},
        {L"abc", L"ab", 1},
        {L"abc", L"abc", 0},
        {L"", L"", 0},
        {L"B", L"a", -1},
        {L"\x8000", L"z", 1},
        {L"z", L"\xFFFF", -1},
    };
    for (const Case& c : cases) {
        HeapString s(c.a);
        EXPECT_EQ(c.expected, s.Compare(c.b)) << c.a << L" vs " << c.b;
        EXPECT_EQ(c.expected == 0 ? 1 : 0, s.IsEqual(c.b));
        HeapString other(c.b);
        EXPECT_EQ(c.expected, s.Compare(other));
    }
    HeapString s(L"abcX");
    EXPECT_EQ(0, s.Compare(L"abcY", 3));
    EXPECT_EQ(0, s.Compare(L"abcX", 50));  // a count beyond both texts stops at their end
}

TEST(PlexaStringFormat, MicrosoftRules)
{
    HeapString s;
    unsigned __int64 big = 12345678901234ULL;
    int n = s.Format(L"[%s][%S][%hs][%ws][%I64u]", L"wide", "narrow", "h", L"w", big);
    EXPECT_EQ(L"[wide][narrow][h][w][12345678901234]", Text(s));
    EXPECT_EQ(s.GetLength(), n);

    EXPECT_EQ(4, s.AppendFormat(L"-%d-", 42));
    EXPECT_EQ(L"[wide][narrow][h][w][12345678901234]-42-", Text(s));
}

TEST(PlexaStringFormat, TextsAroundTheBufferSteps)
{
    for (int length : {0, 63, 64, 127, 128, 300}) {
        std::wstring expected(static_cast<size_t>(length), L'x');
        HeapString s(L"old");
        EXPECT_EQ(length, s.Format(L"%s", expected.c_str()));
        EXPECT_EQ(expected, Text(s));

        MfcPlexaString m;
        m = L"ab";
        EXPECT_EQ(length, m.AppendFormat(L"%s", expected.c_str()));
        EXPECT_EQ(L"ab" + expected, Text(m));
    }
}

TEST(PlexaStringFormat, SharedTextIsUnsharedFirst)
{
    HeapString a(L"keep");
    HeapString b(a);
    b.Format(L"%d", 7);
    EXPECT_EQ(L"keep", Text(a));
    EXPECT_EQ(L"7", Text(b));
}

TEST(PlexaStringSearch, FindAndReverseFind)
{
    HeapString s(L"a.b.c");
    EXPECT_EQ(1, s.Find(L"."));
    EXPECT_EQ(3, s.Find(L'.', 2));
    EXPECT_EQ(2, s.Find(L"", 2));
    EXPECT_EQ(-1, s.Find(L"x"));
    EXPECT_EQ(-1, s.Find(L".", 9));
    EXPECT_EQ(3, s.ReverseFind(L'.'));
    EXPECT_EQ(3, s.ReverseFind(L'.', 2));  // starts at or before length - distance
    EXPECT_EQ(1, s.ReverseFind(L'.', 3));
    EXPECT_EQ(2, s.ReverseFind(L"b.c"));
    EXPECT_EQ(2, s.ReverseFind(L"b.c", 3));
    EXPECT_EQ(-1, s.ReverseFind(L"b.c", 4));
    EXPECT_EQ(-1, s.ReverseFind(L"a.b.c.d"));
}

TEST(PlexaStringSearch, ReplaceAll)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* search;
        const wchar_t* replacement;
        int start;
        int count;
        int replaced;
        const wchar_t* result;
    } cases[] = {
        {L"a-b-c-d", L"-", L"_", 0, -1, 3, L"a_b_c_d"},
        {L"a-b-c-d", L"-", L"_", 2, -1, 2, L"a-b_c_d"},          // from after the first, to the end
        {L"a-b-c-d", L"-", L"<->", 0, -1, 3, L"a<->b<->c<->d"},  // no rescan of the insert
        {L"a-b-c-d", L"-", L"===", 0, 4, 2, L"a===b===c-d"},     // range of the original text
        {L"aaaa", L"aa", L"a", 0, -1, 2, L"aa"},
        {L"abc", L"", L"x", 0, -1, 0, L"abc"},  // empty search: nothing
        {L"abc", L"x", L"y", 0, -1, 0, L"abc"},
    };
    for (const Case& c : cases) {
        HeapString s(c.text);
        EXPECT_EQ(c.replaced, s.ReplaceAll(c.search, c.replacement, c.start, c.count)) << c.text;
        EXPECT_EQ(c.result, Text(s)) << c.text << L" / " << c.search;
    }
}

TEST(PlexaStringSearch, MidReplaceTrimLeft)
{
    HeapString s(L"{0123-4567}");
    s.Mid(1, s.GetLength() - 2);
    EXPECT_EQ(L"0123-4567", Text(s));
    EXPECT_EQ(9, s.Replace(4, 1, L"_"));
    EXPECT_EQ(L"0123_4567", Text(s));
    EXPECT_EQ(7, s.Replace(0, 4, L"ab"));
    EXPECT_EQ(L"ab_4567", Text(s));

    s = L" \t \r\n text ";
    s.TrimLeft();
    EXPECT_EQ(L"text ", Text(s));
}

TEST(PlexaStringSearch, BufferForExternalWriters)
{
    HeapString a(L"shared");
    HeapString b(a);
    wchar_t* buffer = b.GetBuffer(20);
    wcscpy(buffer, L"written by a caller");
    b.SetLength(-1);
    EXPECT_EQ(L"written by a caller", Text(b));
    EXPECT_EQ(L"shared", Text(a));
}

}  // namespace
