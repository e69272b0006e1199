// StrictPath: validation, repair, normalisation, appends, comparisons and path queries, with and
// without the optional shell functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>
#include <string>

#include "OrbelOutput.h"
#include "StrictPath.h"
#include "TestSupport.h"
#include "ToolboxReports.h"

using namespace OrbelToolbox;
using toolboxtest::ReportedCode;
using toolboxtest::WithoutShellFunctions;

namespace {

constexpr DWORD kDir = StrictPath::Directory;
constexpr DWORD kName = StrictPath::FileName;
constexpr DWORD kRepair = StrictPath::RepairInvalid;

struct Made {
    int code = 0;
    std::wstring text;
};

Made Make(const wchar_t* text, DWORD attributes)
{
    Made made;
    made.code = ReportedCode([&] { made.text = StrictPath(text, attributes).GetText(); });
    return made;
}

// Runs the construction cases with the shell functions and with the built-in fallbacks.
struct ConstructionCase {
    const wchar_t* text;
    DWORD attributes;
    int code;
    const wchar_t* expected;
};

void ExpectConstructions(const ConstructionCase* begin, const ConstructionCase* end)
{
    for (bool shell : {true, false}) {
        auto hide = shell ? nullptr : new WithoutShellFunctions;
        for (auto c = begin; c != end; ++c) {
            Made made = Make(c->text, c->attributes);
            EXPECT_EQ(c->code, made.code) << c->text << " shell " << shell;
            if (c->code == 0) {
                EXPECT_EQ(c->expected, made.text) << c->text << " shell " << shell;
            }
        }
        delete hide;
    }
}

}  // namespace

TEST(StrictPath, ValidatesRepairsAndNormalizesNewText)
{
    const std::wstring longText(260, L'a');
    const std::wstring cutText(259, L'a');
    const ConstructionCase cases[] = {
        {L"C:\\Temp", kDir, 0, L"C:\\Temp\\"},
        {L"C:\\Temp\\", 0, -41, nullptr},
        {L"C:foo", 0, -41, nullptr},
        {L"1:\\x", 0, -41, nullptr},
        {L"C:", 0, 0, L"C:"},
        {L"C:", kDir, 0, L"C:\\"},
        {L"a*b", 0, -41, nullptr},
        {L"a*b", kRepair, 0, L"a_b"},
        {L"a*b", StrictPath::AllowWild, 0, L"a*b"},
        {L"a<b", 0, -41, nullptr},
        {L"a<b", kRepair, 0, L"a_b"},
        {L"dir\\file", kName, -41, nullptr},
        {L"dir\\file", kName | kRepair, 0, L"dir-file"},
        {L"a:b", 0, -41, nullptr},
        {L"dir\\", kRepair, 0, L"dir-"},
        {L"\\dir", 0, -41, nullptr},
        {L"\\\\srv\\share", 0, 0, L"\\\\srv\\share"},
        {nullptr, 0, -40, nullptr},
        {longText.c_str(), 0, -41, nullptr},
        {longText.c_str(), StrictPath::AllowLong, 0, cutText.c_str()},
        {L"rel\\x", StrictPath::MustBeAbsolute, -41, nullptr},
        {L"C:\\x", StrictPath::MustBeRelative, -41, nullptr},
        {L"", StrictPath::MustBeAbsolute, 0, L""},
        {L".\\a\\\\b\\.\\c\\..\\d", 0, 0, L"a\\b\\d"},
        {L"C:\\a\\b\\..\\c", 0, 0, L"C:\\a\\c"},
        {L"a\\..\\b", 0, 0, L"b"},
        {L"..\\..\\x", 0, 0, L"..\\..\\x"},
        {L"a\\..\\..\\b", 0, 0, L"..\\b"},
        {L"a\\.\\.\\b", 0, 0, L"a\\b"},
        {L"C:\\..\\b", 0, 0, L"C:\\..\\b"},
        {L"C:\\a\\..", kDir, 0, L"C:\\"},
        {L"\\\\srv\\\\share", 0, 0, L"\\\\srv\\share"},
        {L"//x", StrictPath::P4Path, 0, L"//x"},
    };
    ExpectConstructions(std::begin(cases), std::end(cases));
}

TEST(StrictPath, AFailedChangeKeepsThePreviousValue)
{
    StrictPath path(L"C:\\good", kDir);
    EXPECT_EQ(-41, ReportedCode([&] { path.Assign(L"C:\\bad|name", kDir); }));
    EXPECT_STREQ(L"C:\\good\\", path.GetText());
    EXPECT_EQ(kDir, path.GetAttributes());

    EXPECT_EQ(-41, ReportedCode([&] { path.ChangeAttributes(kName, StrictPath::KindMask); }));
    EXPECT_STREQ(L"C:\\good\\", path.GetText());
    EXPECT_EQ(kDir, path.GetAttributes());

    EXPECT_EQ(-41, ReportedCode([&] { path.Append(L"x?y", 0); }));
    EXPECT_STREQ(L"C:\\good\\", path.GetText());

    EXPECT_EQ(-41, ReportedCode([&] {
        StrictPath::WritableBuffer buffer(path, kDir);
        wcscpy(buffer.Get(), L"C:\\in>valid");
    }));
    EXPECT_STREQ(L"C:\\good\\", path.GetText());
}

TEST(StrictPath, WritableBufferValidatesWhatWasWritten)
{
    StrictPath path(kDir);
    {
        StrictPath::WritableBuffer buffer(path, kDir);
        wcscpy(buffer.Get(), L"C:\\x\\.\\y");
    }
    EXPECT_STREQ(L"C:\\x\\y\\", path.GetText());
}

TEST(StrictPath, AssignKeepsTheOptionsAndAddsNewOnes)
{
    StrictPath path(L"a_b", kRepair);
    path.Assign(L"c*d", StrictPath::AllowWild);
    EXPECT_STREQ(L"c*d", path.GetText());
    EXPECT_EQ(kRepair | StrictPath::AllowWild, path.GetAttributes());
    path.Assign(L"ef:g", 0);
    EXPECT_STREQ(L"ef-g", path.GetText());
}

TEST(StrictPath, Appends)
{
    StrictPath path(L"C:\\a\\b\\c", kDir);
    path.Append(L"..\\..\\y", 0);
    EXPECT_STREQ(L"C:\\a\\y", path.GetText());
    EXPECT_EQ(0u, path.GetAttributes() & StrictPath::KindMask);

    StrictPath dir(L"C:\\a", kDir);
    dir.Append(L"sub", kDir);
    EXPECT_STREQ(L"C:\\a\\sub\\", dir.GetText());
    dir += StrictPath(L"f.txt", kName);
    EXPECT_STREQ(L"C:\\a\\sub\\f.txt", dir.GetText());
    EXPECT_EQ(0u, dir.GetAttributes() & StrictPath::KindMask);

    StrictPath sum = StrictPath(L"C:\\r", kDir) + StrictPath(L"s", kDir);
    EXPECT_STREQ(L"C:\\r\\s\\", sum.GetText());

    EXPECT_EQ(-40, ReportedCode([&] { dir.Append(L"more", 0); }));  // not a directory any more
    EXPECT_EQ(-41, ReportedCode([&] { StrictPath(L"C:\\a", kDir).Append(L"\\b", 0); }));
    EXPECT_EQ(-40, ReportedCode([&] { StrictPath(L"C:\\a", kDir).Append(nullptr, 0); }));
    EXPECT_EQ(-40, ReportedCode([&] { StrictPath(L"//depot", kDir | StrictPath::P4Path).Append(L"x", 0); }));
}

TEST(StrictPath, AppendsThatDoNotFit)
{
    const std::wstring full = L"C:\\" + std::wstring(255, L'd') + L"\\";  // 259 characters
    StrictPath path(full.c_str(), kDir);
    ASSERT_EQ(259u, path.Length());
    EXPECT_EQ(-41, ReportedCode([&] { path.Append(L"x", 0); }));

    const std::wstring shorter = L"C:\\" + std::wstring(249, L'd') + L"\\";  // 253 characters
    StrictPath cut(shorter.c_str(), kDir | StrictPath::AllowLong);
    cut.Append(L"abcdefghij", 0);
    EXPECT_EQ(259u, cut.Length());
    EXPECT_EQ(L"C:\\" + std::wstring(249, L'd') + L"\\abcdef", cut.GetText());
    StrictPath refused(shorter.c_str(), kDir);
    EXPECT_EQ(-41, ReportedCode([&] { refused.Append(L"abcdefghij", 0); }));
}

TEST(StrictPath, ComparesWithoutCaseWithinAKind)
{
    EXPECT_TRUE(StrictPath(L"C:\\A", kDir) == StrictPath(L"c:\\a", kDir));
    EXPECT_TRUE(StrictPath(L"C:\\A", kDir) != StrictPath(L"c:\\a", 0));
    EXPECT_GT(StrictPath(L"C:\\A", kDir).Compare(StrictPath(L"c:\\a", 0)), 0);
    EXPECT_TRUE(StrictPath(L"a", 0) < StrictPath(L"B", 0));
    EXPECT_TRUE(StrictPath(L"a", 0) <= StrictPath(L"A", 0));
    std::set<StrictPath> names = {StrictPath(L"X.txt", kName), StrictPath(L"x.TXT", kName)};
    EXPECT_EQ(1u, names.size());
}

TEST(StrictPath, ParentDirectory)
{
    StrictPath path(L"C:\\a\\b.txt", 0);
    path.GetParentDirectory();
    EXPECT_STREQ(L"C:\\a\\", path.GetText());
    EXPECT_EQ(kDir, path.GetAttributes());
    path.GetParentDirectory();
    EXPECT_STREQ(L"C:\\", path.GetText());
    path.GetParentDirectory();
    EXPECT_STREQ(L"", path.GetText());
    EXPECT_EQ(-40, ReportedCode([] { StrictPath(L"//d/x", StrictPath::P4Path).GetParentDirectory(); }));
}

TEST(StrictPath, VolumeRoots)
{
    for (bool shell : {true, false}) {
        auto hide = shell ? nullptr : new WithoutShellFunctions;
        StrictPath drive(L"C:\\windows\\system32", kDir);
        drive.GetVolume(true);
        EXPECT_STREQ(L"C:\\", drive.GetText()) << shell;
        EXPECT_EQ(-40, ReportedCode([] { StrictPath(L"rel", 0).GetVolume(true); })) << shell;
        delete hide;
    }
    StrictPath unc(L"\\\\srv\\share\\d\\e", 0);
    unc.GetVolume(false);
    EXPECT_STREQ(L"\\\\srv\\share\\", unc.GetText());
    EXPECT_EQ(-40, ReportedCode([] { StrictPath(L"\\\\srv", 0).GetVolume(false); }));
}

namespace {

BOOL WINAPI FailingGetVolumePathName(LPCWSTR, LPWSTR, DWORD)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

FARPROC WINAPI FindFailingVolumeLookUp(HMODULE module, LPCSTR name)
{
    if (strcmp(name, "GetVolumePathNameW") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&FailingGetVolumePathName));
    }
    return ::GetProcAddress(module, name);
}

}  // namespace

TEST(StrictPath, AFailedSystemVolumeLookUpFallsBackToTheText)
{
    ScopedOverride<decltype(g_platformApi.GetProcAddress)> failing(
        g_platformApi.GetProcAddress, &FindFailingVolumeLookUp);
    StrictPath drive(L"C:\\windows\\system32", kDir);
    drive.GetVolume(true);
    EXPECT_STREQ(L"C:\\", drive.GetText());
    StrictPath unc(L"\\\\srv\\share\\d", 0);
    unc.GetVolume(true);
    EXPECT_STREQ(L"\\\\srv\\share\\", unc.GetText());
}

TEST(StrictPath, RelativePathsAndCommonRoots)
{
    const struct {
        const wchar_t* path;
        DWORD kind;
        const wchar_t* base;
        const wchar_t* relative;
    } cases[] = {
        {L"C:\\a\\x", 0, L"C:\\b\\c", L"..\\..\\a\\x"},
        {L"C:\\a\\x", 0, L"C:\\a", L"x"},
        {L"C:\\a\\b", kDir, L"C:\\a", L"b\\"},
        {L"C:\\a\\x", 0, L"D:\\a", L""},
    };
    for (const auto& c : cases) {
        StrictPath result(0);
        EXPECT_EQ(0, ReportedCode([&] {
            StrictPath(c.path, c.kind).GetRelativePath(StrictPath(c.base, kDir), result);
        })) << c.path;
        EXPECT_STREQ(c.relative, result.GetText()) << c.path << " against " << c.base;
    }

    const struct {
        const wchar_t* first;
        const wchar_t* second;
        const wchar_t* root;
    } roots[] = {
        {L"C:\\a\\b\\x.txt", L"C:\\a\\c\\", L"C:\\a\\"},
        {L"C:\\a\\b", L"c:\\A\\b\\d", L"C:\\a\\"},
        {L"C:\\a", L"D:\\a", L""},
        {L"\\\\srv\\s\\x", L"\\\\SRV\\s\\y", L"\\\\srv\\s\\"},
        {L"\\\\srv\\s\\x", L"C:\\s\\x", L""},
    };
    for (const auto& r : roots) {
        StrictPath result(0);
        EXPECT_EQ(0, ReportedCode([&] { StrictPath(r.first, 0).GetCommonRoot(StrictPath(r.second, kDir), result); }))
            << r.first;
        EXPECT_STREQ(r.root, result.GetText()) << r.first << " and " << r.second;
    }
}

TEST(StrictPath, SmallQueries)
{
    std::wstring device = L"unchanged";
    EXPECT_TRUE(StrictPath(L"C:\\x", 0).GetLocalDeviceName(device));
    EXPECT_EQ(L"C:", device);
    device = L"unchanged";
    EXPECT_FALSE(StrictPath(L"\\\\s\\h", 0).GetLocalDeviceName(device));
    EXPECT_EQ(L"unchanged", device);

    StrictPath file(L"C:\\a.b\\name.txt", 0);
    file.ChangeFileExtension(L".log");
    EXPECT_STREQ(L"C:\\a.b\\name.log", file.GetText());
    StrictPath bare(L"name", 0);
    bare.ChangeFileExtension(L"ini");
    EXPECT_STREQ(L"name.ini", bare.GetText());
    EXPECT_EQ(-40, ReportedCode([] { StrictPath(L"C:\\d", kDir).ChangeFileExtension(L"x"); }));

    for (bool shell : {true, false}) {
        auto hide = shell ? nullptr : new WithoutShellFunctions;
        std::wstring out = L"unchanged";
        StrictPath(kDir).RemoveTrailingBackslash(out);
        EXPECT_EQ(L"unchanged", out);
        StrictPath(L"C:\\dir", kDir).RemoveTrailingBackslash(out);
        EXPECT_EQ(L"C:\\dir", out);
        StrictPath(L"C:\\", kDir).RemoveTrailingBackslash(out);
        EXPECT_EQ(L"C:\\", out);
        EXPECT_TRUE(StrictPath(L"\\\\s\\h", 0).IsAbsolute());
        EXPECT_FALSE(StrictPath(L"a\\b", 0).IsAbsolute());
        delete hide;
    }
}

TEST(StrictPath, BuiltInCharacterTable)
{
    const struct {
        wchar_t c;
        UINT type;
    } cases[] = {
        {L'\0', 3},
        {L'\x1f', 0},
        {L'"', 0},
        {L'<', 0},
        {L'>', 0},
        {L'|', 0},
        {L'/', 0},
        {L' ', 1},
        {L',', 1},
        {L';', 1},
        {L'*', 4},
        {L'?', 4},
        {L':', 8},
        {L'\\', 8},
        {L'a', 3},
        {L'\x2F2F', 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.type, GetPathCharTypeBuiltIn(c.c)) << static_cast<int>(c.c);
    }
}

TEST(StrictPath, AFailedAppendReportsItsOperationsOutermostFirst)
{
    testsupport::TempDir dir;
    const std::wstring log = dir.File(L"debug.log");
    OrbelOutput::SetDebugLogFile(log.c_str());
    OrbelOutput::EnableDebugLog(true);
    StrictPath path(L"C:\\a", kDir);
    EXPECT_EQ(-41, ReportedCode([&] { path.Append(L"x?y", 0); }));
    OrbelOutput::EnableDebugLog(false);

    const std::vector<std::wstring> expected = {
        L"> Error: Invalid path (code -41).",
        L"> OrbelToolbox: Error in OrbelToolbox::StrictPath::Append function",
        L">              Cannot append C:\\a\\ with x?y",
        L">              Invalid path - wild character at index 6 not allowed: C:\\a\\x?y",
    };
    const std::vector<std::wstring> lines = testsupport::ReadLogFile(log).lines;
    auto at = lines.begin();
    for (const std::wstring& line : expected) {
        at = std::find(at, lines.end(), line);
        ASSERT_NE(lines.end(), at) << line;
    }
}
