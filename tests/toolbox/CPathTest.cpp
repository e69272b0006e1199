#include "CPath.h"

#include "CStringText.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::Text;

namespace {

// Runs a test with a known current directory and puts the old one back.
class CPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(::SetCurrentDirectoryW(m_dir.Path().c_str()));
        m_cwd = testsupport::CurrentFolder();
    }

    testsupport::TempDir m_dir;
    testsupport::CurrentFolderGuard m_currentFolder;
    std::wstring m_cwd;  // the current directory, as the system reports it
};

// A path holding a text as it stands (the base class's assignment, not the path rule).
CPath Raw(const wchar_t* text)
{
    CPath path;
    static_cast<CString&>(path) = text;
    return path;
}

TEST(CPathAbsolute, SecondCharacterDecides)
{
    struct Case {
        const wchar_t* text;
        bool absolute;
    } cases[] = {
        {L"C:\\dir", true}, {L"C:foo", true}, {L"C:", true}, {L"\\\\server\\share\\x", true}, {L"\\\\?\\C:\\x", true},
        {L"\\foo", false}, {L"foo", false}, {L"", false}, {L"C", false}, {L"ab:", false},
        {L"1\\setup.msi", false},  // a one-letter folder, relative
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.absolute, CPath::IsAbsolute(c.text)) << c.text;
    }
    EXPECT_FALSE(CPath::IsAbsolute(nullptr));
}

TEST_F(CPathTest, AssignmentRule)
{
    struct Case {
        const wchar_t* text;
        std::wstring expected;
    } cases[] = {
        {L"C:\\a\\b", L"C:\\a\\b"},
        {L"C:foo", L"C:foo"},
        {L"\\\\server\\share\\x", L"\\\\server\\share\\x"},
        {L"\\foo", m_cwd + L"\\foo"},
        {L"sub\\f.ini", m_cwd + L"\\sub\\f.ini"},
        {L"1\\setup.msi", m_cwd + L"\\1\\setup.msi"},
        {L"..\\x\\.\\\\y", m_cwd + L"\\..\\x\\.\\\\y"},  // no normalisation
        {L"", m_cwd + L"\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Text(CPath(c.text))) << c.text;
        CPath assigned;
        assigned = c.text;
        EXPECT_EQ(c.expected, Text(assigned)) << c.text;
        CPath viaAssign(L"C:\\old");
        viaAssign.Assign(c.text);
        EXPECT_EQ(c.expected, Text(viaAssign)) << c.text;
    }
}

TEST_F(CPathTest, CopiesApplyTheRuleToTheText)
{
    CPath absolute(L"C:\\x\\y");
    CPath copy(absolute);
    EXPECT_EQ(L"C:\\x\\y", Text(copy));
    copy.Append(L"z");
    EXPECT_EQ(L"C:\\x\\y", Text(absolute));

    CPath empty;
    EXPECT_EQ(L"", Text(empty));
    CPath fromEmpty(empty);
    EXPECT_EQ(m_cwd + L"\\", Text(fromEmpty));
    CPath assigned;
    assigned = empty;
    EXPECT_EQ(m_cwd + L"\\", Text(assigned));
}

TEST_F(CPathTest, Append)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* element;
        std::wstring expected;
    } cases[] = {
        {L"C:\\a", L"b", L"C:\\a\\b"},
        {L"C:\\a\\", L"\\b", L"C:\\a\\b"},
        {L"C:\\a", L"D:\\x", L"D:\\x"},
        {L"C:\\a", L"\\\\srv\\s", L"\\\\srv\\s"},  // absolute: replaces the path
        {L"C:\\a", L"x\\\\y\\..", L"C:\\a\\x\\\\y\\.."},
        {L"C:\\", L"x", L"C:\\x"},
        {L"", L"f.ini", m_cwd + L"\\f.ini"},
    };
    for (const Case& c : cases) {
        CPath path = Raw(c.path);
        path.Append(c.element);
        EXPECT_EQ(c.expected, Text(path)) << c.path << L" + " << c.element;
    }
}

TEST_F(CPathTest, CurrentDirectoryAtADriveRoot)
{
    ASSERT_TRUE(::SetCurrentDirectoryW(L"C:\\"));
    CPath path;
    path.SetToCurrentDirectory();
    EXPECT_EQ(L"C:\\", Text(path));
    EXPECT_EQ(L"C:\\setup.ini", Text(CPath(L"setup.ini")));
}

TEST(CPathParts, DirectoryFileNameExtension)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* directory;
        const wchar_t* fileName;
        const wchar_t* extension;
    } cases[] = {
        {L"C:\\dir\\f.txt", L"C:\\dir", L"f.txt", L"txt"},
        {L"C:\\f.txt", L"C:", L"f.txt", L"txt"},
        {L"C:\\dir\\", L"C:\\dir", L"", L""},
        {L"setup.ini", L"", L"", L"ini"},
        {L"C:\\a.b\\c", L"C:\\a.b", L"c", L"b\\c"},
        {L"C:\\x.", L"C:", L"x.", L""},
    };
    for (const Case& c : cases) {
        CPath path = Raw(c.text);
        EXPECT_EQ(c.directory, Text(path.GetDirectory())) << c.text;
        EXPECT_EQ(c.fileName, Text(path.GetFileName())) << c.text;
        EXPECT_EQ(c.extension, Text(path.GetExtension())) << c.text;
    }
}

TEST(CPathParts, ComparisonIgnoresCase)
{
    CPath path(L"C:\\dir");
    EXPECT_TRUE(path == L"c:\\DIR");
    EXPECT_FALSE(path != L"c:\\DIR");
    EXPECT_TRUE(path != L"C:\\dir2");
    EXPECT_STREQ(L"C:\\dir", static_cast<const wchar_t*>(path));
}

}  // namespace
