// The installation-type and destination-directory pages inside the frame: the install level each
// type sets (none for level 0), the linked distributions' pass-level flag, which page follows,
// the disk check of a type that is not custom, a click on an icon, and the directory rows: their
// order, the stop at a refused row, a directory the package lacks, and the single re-apply of
// the install level.
#include <gtest/gtest.h>

#include "InstallPagesFixture.h"
#include "LinkedDistributionInfo.h"
#include "resource.h"

using namespace pagestest;

namespace {

const std::set<int> kTypeAndAfter = {kInstallationTypeDialog, kFeatureTreeDialog, kConfirmStartDialog};

void ChooseRadio(CInstallationTypeDialog& page, size_t index)
{
    for (size_t i = 0; i < page.GetOptionCount(); ++i)
        const_cast<CButton&>(page.GetOption(i).radio).SetCheck(i == index ? BST_CHECKED : BST_UNCHECKED);
}

const std::string kLinked = "[Linked Distributions]\r\nDisk2\r\n"
                            "[Disk2]\r\nTitle=100\r\nGUID={0D8B6A1C-6C1E-4E55-9A7A-0C3F8F9E2B11}\r\n";

}  // namespace

TEST(InstallationTypePage, EachTypeSetsItsLevelAndLeadsToItsPage)
{
    struct Case {
        size_t option;
        std::vector<int> levels;
        bool passLevel;
        eDialogState next;
        int costings;
    } cases[] = {
        {0, {3}, false, kConfirmStartDialog, 1},     // Typical
        {1, {}, true, kFeatureTreeDialog, 0},        // Custom, level 0: level and flag untouched
        {2, {1000}, false, kConfirmStartDialog, 1},  // Complete
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        PagesFixture fixture(kTypeAndAfter, PagesFixture::StandardIni() + kLinked);
        fixture.Show(false);
        CInstallationTypeDialog* page = fixture.TypePage();
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->GetOptionCount(), 3u);
        EXPECT_EQ(page->GetOption(0).radio.GetCheck(), BST_CHECKED);
        CLinkedDistribution& linked = fixture.app.GetConfigInfo().GetLinkedDistributionInfo()->GetLinkedDistribution(0);
        // Level 0 keeps the flag as it was.
        linked.m_bPassLevel = c.passLevel;

        ChooseRadio(*page, c.option);
        fixture.Click(IDC_FRAME_NEXT);
        EXPECT_EQ(fixture.script.levels, c.levels);
        EXPECT_EQ(linked.m_bPassLevel, c.passLevel);
        EXPECT_EQ(fixture.script.costings, c.costings);
        EXPECT_EQ(fixture.script.dialogs, 0);
        EXPECT_EQ(fixture.CurrentState(), c.next);
        EXPECT_EQ(page->GetChosenIndex(), static_cast<int>(c.option));
    }
}

TEST(InstallationTypePage, ALevelSetsThePassLevelFlagToTheCustomFlag)
{
    // A custom type with a level: the level is set and every linked distribution passes it on.
    std::string ini = PagesFixture::StandardIni() + kLinked;
    ini.replace(ini.find("Custom=1\r\nLevel=0"), 17, "Custom=1\r\nLevel=7");
    PagesFixture fixture(kTypeAndAfter, ini);
    fixture.Show(false);
    CInstallationTypeDialog* page = fixture.TypePage();
    ASSERT_NE(page, nullptr);
    ChooseRadio(*page, 1);
    fixture.Click(IDC_FRAME_NEXT);
    EXPECT_EQ(fixture.script.levels, std::vector<int>{7});
    EXPECT_TRUE(fixture.app.GetConfigInfo().GetLinkedDistributionInfo()->GetLinkedDistribution(0).m_bPassLevel);
    EXPECT_EQ(fixture.CurrentState(), kFeatureTreeDialog);
}

TEST(InstallationTypePage, AShortVolumeShowsTheDiskDialogAndStaysWhileItIsShort)
{
    struct Case {
        INT_PTR dialogResult;
        eDialogState next;
    } cases[] = {{ERROR_DISK_FULL, kInstallationTypeDialog}, {0, kConfirmStartDialog}, {-1, kConfirmStartDialog}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialogResult);
        PagesFixture fixture(kTypeAndAfter, PagesFixture::StandardIni());
        fixture.script.cost = ERROR_DISK_FULL;
        fixture.script.dialog = [&c](CWnd&) { return c.dialogResult; };
        fixture.Show(false);
        fixture.Click(IDC_FRAME_NEXT);
        EXPECT_EQ(fixture.script.dialogs, 1);
        EXPECT_EQ(fixture.CurrentState(), c.next);
    }
}

TEST(InstallationTypePage, ClickOnAnIconChoosesItsOptionAndTheChoiceSurvivesBack)
{
    PagesFixture fixture(kTypeAndAfter, PagesFixture::StandardIni());
    fixture.Show(false);
    CInstallationTypeDialog* page = fixture.TypePage();
    ASSERT_NE(page, nullptr);
    const CRect icon = page->GetOption(1).iconRect;
    page->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(icon.left + 5, icon.top + 5));
    EXPECT_EQ(page->GetOption(0).radio.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(page->GetOption(1).radio.GetCheck(), BST_CHECKED);
    // Outside every icon: nothing changes.
    page->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(page->GetOption(1).radio.GetCheck(), BST_CHECKED);

    fixture.Click(IDC_FRAME_NEXT);
    ASSERT_EQ(fixture.CurrentState(), kFeatureTreeDialog);
    fixture.Click(IDC_FRAME_BACK);
    ASSERT_EQ(fixture.CurrentState(), kInstallationTypeDialog);
    EXPECT_EQ(page->GetOption(1).radio.GetCheck(), BST_CHECKED);
    EXPECT_EQ(page->GetChosenIndex(), 1);
}

TEST(InstallationTypePage, TheColumnStaysBelowTheBannerAndOptionsDoNotOverlap)
{
    // Three types fit and are centred below the banner; nine do not and start right under it.
    for (int types : {3, 9}) {
        SCOPED_TRACE(types);
        PagesFixture fixture(kTypeAndAfter, PagesFixture::IniWith(types, 1));
        fixture.Show(false);
        CInstallationTypeDialog* page = fixture.TypePage();
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->GetOptionCount(), static_cast<size_t>(types));
        HBITMAP bitmap = nullptr;
        RECT banner = {}, size = {};
        ASSERT_TRUE(page->GetGraphic(0, &bitmap, &banner, &size));
        CRect client;
        page->GetClientRect(client);
        const int underBanner = banner.bottom + CInstallationTypeDialog::kTopMargin;
        if (page->GetOption(page->GetOptionCount() - 1).bottom > client.bottom) {
            EXPECT_EQ(page->GetOption(0).top, underBanner);
        } else {
            EXPECT_GT(page->GetOption(0).top, underBanner);
        }
        for (size_t i = 0; i < page->GetOptionCount(); ++i) {
            const InstallTypeOption& option = page->GetOption(i);
            EXPECT_EQ(option.left, CInstallationTypeDialog::kLeftMargin);
            EXPECT_EQ(option.iconRect.Width(), 48);
            EXPECT_GE(option.bottom, option.iconRect.bottom);
            if (i > 0) {
                EXPECT_EQ(option.top, page->GetOption(i - 1).bottom);
            }
        }
        // The case is the one meant: nine types overflow the page.
        EXPECT_EQ(page->GetOption(page->GetOptionCount() - 1).bottom > client.bottom, types == 9);
    }
}

TEST(InstallationTypePage, WithoutTypesNextPassesAndTheFeaturePageFollows)
{
    std::string ini = PagesFixture::StandardIni();
    ini.replace(ini.find("[Installation Types]\r\nTypical\r\nCustom\r\nComplete\r\n"), 49, "");
    PagesFixture fixture(kTypeAndAfter, ini);
    fixture.Show(false);
    CInstallationTypeDialog* page = fixture.TypePage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetOptionCount(), 0u);
    fixture.Click(IDC_FRAME_NEXT);
    EXPECT_EQ(fixture.script.costings, 0);
    EXPECT_EQ(fixture.CurrentState(), kFeatureTreeDialog);
}

TEST(DirectoryPage, RowsFollowTheConfigurationAndShowTheTargetPaths)
{
    PagesFixture fixture({kSingleDirectoryDialog, kConfirmStartDialog}, PagesFixture::StandardIni());
    fixture.script.targetPaths = {
        {L"INSTALLDIR", L"C:\\Program Files\\Velmo\\"}, {L"DATADIR", L"C:\\Data\\"}, {L"HELPDIR", L"C:\\Help\\"}};
    fixture.Show(false);
    CSingleDirectoryDialog* page = fixture.DirectoryPage();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->GetRowCount(), 3u);
    const wchar_t* properties[] = {L"INSTALLDIR", L"DATADIR", L"HELPDIR"};
    const wchar_t* labels[] = {L"Program Folder", L"Data Folder", L"Help Folder"};
    int lastTop = -1;
    for (size_t i = 0; i < 3; ++i) {
        CSingleDirectoryDialog::DirectoryRow& row = page->GetRow(i);
        EXPECT_STREQ(row.property, properties[i]);
        CString text;
        row.group.GetWindowText(text);
        EXPECT_STREQ(text, labels[i]);
        row.edit.GetWindowText(text);
        EXPECT_EQ(std::wstring(text.GetString()), fixture.script.targetPaths[properties[i]]);
        EXPECT_EQ(::GetDlgCtrlID(row.browse.m_hWnd), static_cast<int>(CSingleDirectoryDialog::kFirstBrowseId + i));
        RECT rect;
        ::GetWindowRect(row.group.m_hWnd, &rect);
        EXPECT_GT(rect.top, lastTop);
        lastTop = rect.top;
    }
    EXPECT_TRUE(fixture.script.boxes.empty());
}

TEST(DirectoryPage, NextChecksRowsInOrderStopsAtARefusalAndReappliesTheLevelOnceOnAChange)
{
    struct Case {
        const wchar_t* name;
        std::set<std::wstring> refused;
        std::vector<std::pair<size_t, const wchar_t*>> typed;
        std::vector<std::wstring> checked;
        int reapplies;
        eDialogState next;
    } cases[] = {
        {L"unchanged", {}, {}, {L"INSTALLDIR", L"DATADIR", L"HELPDIR"}, 0, kConfirmStartDialog},
        {L"two changed", {}, {{0, L"D:\\Velmo\\"}, {2, L"D:\\Help\\"}}, {L"INSTALLDIR", L"DATADIR", L"HELPDIR"}, 1,
            kConfirmStartDialog},
        // A path that differs only in letter case counts as changed.
        {L"letter case changed", {}, {{0, L"C:\\PROGRAM FILES\\Velmo\\"}}, {L"INSTALLDIR", L"DATADIR", L"HELPDIR"}, 1,
            kConfirmStartDialog},
        {L"first refused", {L"INSTALLDIR"}, {{1, L"D:\\Data\\"}}, {L"INSTALLDIR"}, 0, kSingleDirectoryDialog},
        {L"second refused", {L"DATADIR"}, {{0, L"D:\\Velmo\\"}}, {L"INSTALLDIR", L"DATADIR"}, 0,
            kSingleDirectoryDialog},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PagesFixture fixture({kSingleDirectoryDialog, kConfirmStartDialog}, PagesFixture::StandardIni());
        fixture.script.targetPaths = {
            {L"INSTALLDIR", L"C:\\Program Files\\Velmo\\"}, {L"DATADIR", L"C:\\Data\\"}, {L"HELPDIR", L"C:\\Help\\"}};
        fixture.script.refused = c.refused;
        fixture.Show(false);
        CSingleDirectoryDialog* page = fixture.DirectoryPage();
        ASSERT_NE(page, nullptr);
        for (const auto& typed : c.typed)
            page->GetRow(typed.first).edit.SetPath(typed.second);
        fixture.Click(IDC_FRAME_NEXT);
        EXPECT_EQ(fixture.script.checked, c.checked);
        EXPECT_EQ(fixture.script.reapplies, c.reapplies);
        EXPECT_EQ(fixture.CurrentState(), c.next);
    }
}

TEST(DirectoryPage, ADirectoryThePackageLacksIsReportedOnceAndPassedOverByNext)
{
    PagesFixture fixture({kSingleDirectoryDialog, kConfirmStartDialog}, PagesFixture::StandardIni());
    fixture.script.targetPaths = {{L"INSTALLDIR", L"C:\\Program Files\\Velmo\\"}, {L"HELPDIR", L"C:\\Help\\"}};
    fixture.Show(false);
    CSingleDirectoryDialog* page = fixture.DirectoryPage();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(fixture.script.boxes.size(), 1u);
    EXPECT_EQ(fixture.script.boxes[0],
        L"Developer Error on ini file [SingleDirectoryDialog] section. Property DATADIR is undefined in the Directory "
        L"table.");
    CString text;
    page->GetRow(1).edit.GetWindowText(text);
    EXPECT_STREQ(text, L"");
    fixture.Click(IDC_FRAME_NEXT);
    EXPECT_EQ(fixture.script.checked, (std::vector<std::wstring>{L"INSTALLDIR", L"HELPDIR"}));
    EXPECT_EQ(fixture.script.boxes.size(), 1u);
    EXPECT_EQ(fixture.CurrentState(), kConfirmStartDialog);
}

TEST(DirectoryPage, BrowseOnTheLastRowSetsTheChosenFolderAndCancelKeepsTheText)
{
    // Six rows: the most the configuration accepts.
    PagesFixture fixture({kSingleDirectoryDialog, kConfirmStartDialog}, PagesFixture::IniWith(3, 6));
    for (int i = 1; i <= 6; ++i)
        fixture.script.targetPaths[L"DIR" + std::to_wstring(i)] = L"C:\\Velmo\\Dir" + std::to_wstring(i) + L"\\";
    fixture.Show(false);
    CSingleDirectoryDialog* page = fixture.DirectoryPage();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->GetRowCount(), 6u);
    CPathEdit& edit = page->GetRow(5).edit;
    const WPARAM browse = MAKEWPARAM(CSingleDirectoryDialog::kFirstBrowseId + 5, BN_CLICKED);

    fixture.script.browseChooses = true;
    fixture.script.browseChoice = L"D:\\Chosen";
    page->SendMessage(WM_COMMAND, browse, reinterpret_cast<LPARAM>(page->GetRow(5).browse.m_hWnd));
    CString text;
    edit.GetWindowText(text);
    EXPECT_STREQ(text, L"D:\\Chosen\\");

    fixture.script.browseChooses = false;
    fixture.script.browseChoice = L"E:\\Ignored";
    page->SendMessage(WM_COMMAND, browse, reinterpret_cast<LPARAM>(page->GetRow(5).browse.m_hWnd));
    edit.GetWindowText(text);
    EXPECT_STREQ(text, L"D:\\Chosen\\");
    EXPECT_EQ(fixture.script.browsed, (std::vector<std::wstring>{L"C:\\Velmo\\Dir6\\", L"D:\\Chosen\\"}));
    // The other rows keep their folders.
    page->GetRow(4).edit.GetWindowText(text);
    EXPECT_STREQ(text, L"C:\\Velmo\\Dir5\\");
}
