// The cache file: escaping of values, and the file the application writes from its records,
// byte for byte against the files in data\cache.
#include <gtest/gtest.h>

#include <string>

#include "CacheFile.h"
#include "ScopedOverride.h"
#include "TestSupport.h"
#include "VelmoInstaller.h"

using namespace testsupport;

namespace {

// Gives the application a clean command line and no records for one test.
class CacheFileTest : public ::testing::Test {
protected:
    // Caches both kinds into `file`, as /cache does.
    void CacheInto(const std::wstring& file)
    {
        theApp.m_cmdLine.m_bCacheCustomExecutes = true;
        theApp.m_cmdLine.m_bCacheFeatureInfo = true;
        theApp.m_cmdLine.m_strCacheFile = file.c_str();
    }

    static std::string Golden(const wchar_t* name)
    {
        const std::string golden = ReadFileBytes(TestDataPath(L"app\\cache\\") + name);
        EXPECT_FALSE(golden.empty()) << "missing golden file";
        return golden;
    }

    TempDir m_dir;

private:
    ScopedOverride<CVelmoCmdLine> m_cmdLine{theApp.m_cmdLine, CVelmoCmdLine()};
    ScopedOverride<CacheEntries> m_entries{theApp.m_cacheEntries, CacheEntries()};
};

CacheAttributes Attributes(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> pairs)
{
    CacheAttributes attributes;
    for (const auto& pair : pairs)
        attributes[CString(pair.first)] = pair.second;
    return attributes;
}

TEST(CacheFile, EscapesTheFiveMarkupCharactersAndNothingElse)
{
    struct Case {
        const wchar_t* value;
        const wchar_t* escaped;
    };
    const Case cases[] = {
        {L"", L""},
        {L"plain text \\ / ; =", L"plain text \\ / ; ="},
        {L"a<b&c\"d", L"a&lt;b&amp;c&quot;d"},
        {L"<first", L"&lt;first"},
        {L"&first", L"&amp;first"},
        {L"&amp;", L"&amp;amp;"},
        {L"'>'", L"&apos;&gt;&apos;"},
        {L"&&<<", L"&amp;&amp;&lt;&lt;"},
        {L"line\r\nbreak\ttab", L"line\r\nbreak\ttab"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.escaped, EscapeCacheValue(c.value)) << testing::PrintToString(std::wstring(c.value));
}

TEST_F(CacheFileTest, WithNothingRecordedTheFileHoldsOnlyTheRoot)
{
    CacheInto(m_dir.File(L"cache.xml"));
    theApp.WriteCacheFile();
    EXPECT_EQ(Golden(L"empty.xml"), ReadFileBytes(m_dir.File(L"cache.xml")));
}

// Elements group by name in ordinal order, attributes follow in ordinal order, the text goes
// between the tags; the attribute the caller put under the empty name gives way to the text.
TEST_F(CacheFileTest, ExecutesAndFeatureInformation)
{
    CacheInto(m_dir.File(L"cache.xml"));
    theApp.AddCacheEntry(L"featureInfo", Attributes({{L"isRtf", L"true"}, {L"isFatal", L"true"}, {L"header", L""}}),
        L"It's\r\n{\\rtf1 needed}");
    theApp.AddCacheEntry(L"customExecute",
        Attributes({{L"name", L"Readme"}, {L"checkState", L"checked"}, {L"", L"replaced"}}),
        L"notepad.exe \"C:\\Program Files\\Sample\\readme.txt\"");
    theApp.AddCacheEntry(L"customExecute",
        Attributes({{L"synchronous", L"false"}, {L"silentMode", L"true"}, {L"name", L"Tools & <more>"}}),
        L"tools.exe /q");
    theApp.WriteCacheFile();
    EXPECT_EQ(Golden(L"executes-and-info.xml"), ReadFileBytes(m_dir.File(L"cache.xml")));
}

// Every write holds every record made since the start; the file is rewritten, not appended to.
TEST_F(CacheFileTest, RecordsOfTwoBatchesAppearInRecordingOrderUnderOneComment)
{
    CacheInto(m_dir.File(L"cache.xml"));
    theApp.AddCacheEntry(L"featureInfo", Attributes({{L"header", L"First"}}), L"one");
    theApp.WriteCacheFile();
    theApp.AddCacheEntry(L"featureInfo", Attributes({{L"header", L"Second"}}), L"two");
    theApp.WriteCacheFile();
    EXPECT_EQ(Golden(L"two-batches.xml"), ReadFileBytes(m_dir.File(L"cache.xml")));
}

TEST_F(CacheFileTest, WithoutACacheFlagNothingIsWritten)
{
    theApp.m_cmdLine.m_strCacheFile = m_dir.File(L"cache.xml").c_str();
    theApp.AddCacheEntry(L"featureInfo", Attributes({{L"header", L"First"}}), nullptr);
    theApp.WriteCacheFile();
    EXPECT_FALSE(FileExists(m_dir.File(L"cache.xml")));

    // One flag is enough; a missing text is an empty one.
    theApp.m_cmdLine.m_bCacheFeatureInfo = true;
    theApp.WriteCacheFile();
    const std::string file = ReadFileBytes(m_dir.File(L"cache.xml"));
    const std::wstring line = L"<featureInfo header=\"First\"></featureInfo>";
    EXPECT_NE(std::string::npos,
        file.find(std::string(reinterpret_cast<const char*>(line.c_str()), line.size() * sizeof(wchar_t))));
}

// A file that cannot be written is passed over silently; the records stay for the next write.
TEST_F(CacheFileTest, AFileThatCannotBeOpenedIsPassedOverAndTheRecordsStay)
{
    CacheInto(m_dir.File(L"missing\\cache.xml"));
    theApp.AddCacheEntry(L"featureInfo", Attributes({{L"header", L"First"}}), L"one");
    theApp.WriteCacheFile();
    EXPECT_FALSE(FileExists(m_dir.File(L"missing\\cache.xml")));

    CacheInto(m_dir.File(L"cache.xml"));
    theApp.AddCacheEntry(L"featureInfo", Attributes({{L"header", L"Second"}}), L"two");
    theApp.WriteCacheFile();
    EXPECT_EQ(Golden(L"two-batches.xml"), ReadFileBytes(m_dir.File(L"cache.xml")));
}

}  // namespace
