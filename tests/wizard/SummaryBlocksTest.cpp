// The confirmation page's summary written from the model of the distribution tests' sample: the
// blocks a choice of feature states produces, their headings and bullets and indents, the
// warnings collapsed per visible feature, the warnings of an upgrade, the text when nothing
// changes, the linked distributions that will ask for their source, and the installed products
// whose dependencies the run would break.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <new>
#include <string>
#include <vector>

#include "Feature.h"
#include "InstallerErrors.h"
#include "LinkedDistribution.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "PartInfo.h"
#include "RichEditCtrl.h"
#include "SampleModelFixture.h"
#include "SummaryBlocks.h"
#include "TestSupport.h"
#include "resource.h"

using namespace modeltest;

namespace {

// Each written line as "<start indent>[ *][ B][ U] text" with bold red pieces in **...**.
class RecordingWriter : public ISummaryWriter {
public:
    void Append(const wchar_t* text, const FormatModifierList& modifiers) override
    {
        PARAFORMAT paragraph = {};
        CHARFORMATW character = {};
        modifiers.Apply(paragraph, character);
        const bool red = character.crTextColor == RGB(255, 0, 0);
        std::wstring piece = text;
        if (piece.empty())
            return;
        const size_t end = piece.find(L"\r\n");
        const std::wstring body = piece.substr(0, end);
        m_current += red && (character.dwEffects & CFE_BOLD) ? L"**" + body + L"**" : body;
        if (end == std::wstring::npos)
            return;
        std::wstring line = std::to_wstring(paragraph.dxStartIndent);
        if (paragraph.wNumbering == PFN_BULLET)
            line += L" *";
        if (!red && (character.dwEffects & CFE_BOLD))
            line += L" B";
        if (character.dwEffects & CFE_UNDERLINE)
            line += L" U";
        lines.push_back(line + L" " + m_current);
        m_current.clear();
    }

    std::vector<std::wstring> lines;

private:
    std::wstring m_current;
};

class SummaryBlocksTest : public wizardtest::SampleModelTest {
protected:
    SummaryBlocksTest()
    {
        LoadConfig();
        BuildModel();
    }
    void Run(const wchar_t* sql) { m_config.GetMergedPartInfo()->GetDatabase()->OpenView(L"%s", sql)->Execute(); }
};

// The related product that an upgrade of Core replaces: it has the stems of the model's Docs
// and Help installed locally.
const wchar_t kReplacedCore[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AF0}";

UINT WINAPI EnumReplacedCoreFeatures(LPCWSTR product, DWORD index, LPWSTR feature, LPWSTR parent)
{
    const wchar_t* const names[] = {L"CoreDocs.1", L"CoreHelp.1"};
    if (wcscmp(product, kReplacedCore) != 0 || index >= 2)
        return ERROR_NO_MORE_ITEMS;
    wcscpy(feature, names[index]);
    parent[0] = L'\0';
    return ERROR_SUCCESS;
}

INSTALLSTATE WINAPI ReplacedCoreFeatureState(LPCWSTR, LPCWSTR)
{
    return INSTALLSTATE_LOCAL;
}

// Installed products that the parts' upgrades replace, and the installed products that depend
// on them.
const wchar_t kReplacedByCore[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AB1}";
const wchar_t kReplacedByExtras[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AB2}";
const wchar_t kViewerSuite[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AB3}";
const wchar_t kCoreFamilyTools[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AB4}";
const wchar_t kForeignUpgrade[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AB5}";

// The core part's upgrade replaces a product on which the viewer suite depends, and no part
// replaces the suite; the extras part's upgrade replaces a product on which tools of the core
// part's family depend, and the core part replaces those tools as well. Every dependent's
// feature is installed locally and no dependency accepts the new parts.
class BrokenProductsTest : public SummaryBlocksTest {
protected:
    BrokenProductsTest()
    {
        const FakeDependency refuses{L"", L"", L"", L"", L"", L"Main", L"", 0};
        m_app.systemInfo.partInfos = {
            {kReplacedByCore, {}, kForeignUpgrade, {FakeDependent{2, refuses}}},
            {kReplacedByExtras, {}, kForeignUpgrade, {FakeDependent{3, refuses}}},
            {kViewerSuite, {}, kForeignUpgrade, {},
                {{kViewerSuite, 1, {}, L"Zeta Viewer"}, {kViewerSuite, 1, {}, L"Alpha Suite", L"2024 edition"}}},
            {kCoreFamilyTools, {}, kCoreUpgrade, {},
                {{kCoreFamilyTools, 1, {}, L"Beta Tools"},
                    {kCoreFamilyTools, 1, {}, L"Alpha Suite", L"other edition"}}},
        };
        Replace(L"Core", m_replacedByCore, kReplacedByCore);
        Replace(L"Core", m_coreFamilyTools, kCoreFamilyTools);
        Replace(L"Extras", m_replacedByExtras, kReplacedByExtras);
        MsiApiOverride<decltype(MsiApiTable::MsiQueryFeatureStateW)> states{
            MsiApi().MsiQueryFeatureStateW, &ReplacedCoreFeatureState};
        m_model.FindBrokenDependencies();
    }

    // The feature's part replaces the installed product `code` (kept in `related`).
    void Replace(const wchar_t* feature, CPart::RelatedPart& related, const wchar_t* code)
    {
        auto* upgrades = const_cast<CPart::UpgradeTable*>(Feature(feature)->GetPart()->GetUpgradeTable());
        ASSERT_NE(nullptr, upgrades);
        related.m_productCode = code;
        upgrades->m_exclusive.push_back(&related);
    }
    // Only the parts of the named features are installed.
    void Install(const std::vector<const wchar_t*>& features)
    {
        AllUnchanged(INSTALLSTATE_ABSENT);
        for (const wchar_t* feature : features)
            Plan(feature, INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    }

    CPart::RelatedPart m_replacedByCore;
    CPart::RelatedPart m_coreFamilyTools;
    CPart::RelatedPart m_replacedByExtras;
};

}  // namespace

// The whole summary for choices of feature states: the blocks, their titles (bold underlined,
// separated by an empty line), bullets at the top level and 360 twips per visible ancestor.
TEST_F(SummaryBlocksTest, BlocksForChoicesOfFeatureStates)
{
    const int L = INSTALLSTATE_LOCAL;
    const int A = INSTALLSTATE_ABSENT;
    const struct {
        const char* name;
        bool menuShown;  // the sample's Menu is a placeholder that cannot be installed
        int unchanged;   // every feature's state before the plan
        std::vector<std::vector<int>> plan;  // index into kNames, action, installed
        int blocks;
        std::vector<std::wstring> lines;
    } cases[] = {
        {"nothing changes", false, L, {}, 0,
            {L"180 B U Installation Summary", L"180 No software will be installed or removed."}},
        {"nothing installed, nothing planned", false, A, {}, 0,
            {L"180 B U Installation Summary", L"180 No software will be installed or removed."}},
        // Core stays and stands as a heading for its new docs; Extras is new with its child;
        // the hidden Orphan is left out.
        {"adding", false, A, {{0, L, L}, {2, L, A}, {3, L, A}, {6, L, A}}, 1,
            {L"180 B U Adding or Changing", L"180 * Core", L"540 Docs", L"180 * Extras", L"540 Tools"}},
        // A removed feature with its removed subfeatures reads "All of"; one that stays with
        // a removed subfeature is introduced by "Only the following".
        {"removing", false, L, {{0, A, L}, {1, A, L}, {2, A, L}, {6, A, L}}, 1,
            {L"180 B U Removing", L"180 * All of Core", L"540 Docs", L"540 Help",
                L"180 * Only the following Extras feature(s):", L"540 Tools"}},
        // Blocks in their order, each after an empty line; the visible Menu cannot be installed
        // and its parent stands as its heading.
        {"cannot install, adding and removing", true, L, {{2, A, L}, {6, L, A}}, 3,
            {L"180 B U Cannot install", L"180 * Extras", L"540 Menu (higher version already installed)", L"180 B U ",
                L"180 B U Adding or Changing", L"180 * Extras", L"540 Tools", L"180 B U ", L"180 B U Removing",
                L"180 * Only the following Core feature(s):", L"540 Docs"}},
    };
    const wchar_t* const kNames[] = {L"Core", L"CoreHelp", L"CoreDocs", L"Extras", L"Extras", L"ExtrasMenu",
        L"ExtrasTools"};
    for (const auto& c : cases) {
        AllUnchanged(c.unchanged);
        Feature(L"ExtrasMenu")->m_display = c.menuShown ? 6 : 0;
        for (const auto& p : c.plan)
            Plan(kNames[p[0]], p[1], p[2]);
        RecordingWriter writer;
        EXPECT_EQ(c.blocks, WriteInstallSummary(m_model, L"<< &Back", writer)) << c.name;
        EXPECT_EQ(c.lines, writer.lines) << c.name;
    }
}

// Warning lines of features under the same visible feature collapse into one; the prefix is
// bold red; a part that matches without any line gets the system-components line.
TEST_F(SummaryBlocksTest, WarningsCollapsePerVisibleFeature)
{
    Feature(L"ExtrasMenu")->m_display = 0;
    Feature(L"ExtrasTools")->m_display = 0;
    const CString warning = L"WARNING:";
    std::vector<FeatureListBlock::Line> lines = {
        {Feature(L"ExtrasMenu"), L"System components of Extras will no longer be available", warning, true},
        {Feature(L"ExtrasTools"), L"System components of Extras will no longer be available", warning, true},
        {Feature(L"CoreDocs"), L"Docs will not be available", CString(), true},
        {Feature(L"Core"), CString(), CString(), false},
    };
    RecordingWriter writer;
    FeatureListBlock::RenderLines(lines, false, writer);
    FeatureListBlock::RenderLines({}, true, writer);
    FeatureListBlock::RenderLines({}, false, writer);
    const std::vector<std::wstring> expected = {
        // Hidden children of the visible Extras: one visible ancestor.
        L"540 **WARNING:** System components of Extras will no longer be available",
        L"540 Docs will not be available",
        L"180 * Core",
        L"180 * Pelmar Tundrix Zel system components",
    };
    EXPECT_EQ(expected, writer.lines);
}

// The summary in a real rich edit control: the text as written, the warning prefix bold red and
// the nested paragraph indented.
TEST_F(SummaryBlocksTest, RichEditReceivesTheSummary)
{
    AfxInitRichEdit2();
    CRichEditCtrl control;
    ASSERT_TRUE(control.CreateEx(0, L"RichEdit20W", L"", WS_POPUP | ES_MULTILINE, CRect(0, 0, 400, 300), nullptr, 0));
    AllUnchanged(INSTALLSTATE_LOCAL);
    Feature(L"ExtrasMenu")->m_display = 0;
    Plan(L"CoreDocs", INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL);
    RichEditSummaryWriter writer(control);
    EXPECT_EQ(1, WriteInstallSummary(m_model, L"<< &Back", writer));
    CString text;
    control.GetWindowText(text);
    EXPECT_EQ(L"Removing\r\nOnly the following Core feature(s):\r\nDocs\r\n", std::wstring(text.GetString()));
    // The third paragraph (Docs) lies one level (360 twips) further in than the title (at the
    // body's 180), without a bullet; the second one (the heading) has the bullet.
    auto paragraphAt = [&](long position) {
        control.SetSel(position, position);
        PARAFORMAT paragraph = {};
        paragraph.cbSize = sizeof(paragraph);
        control.SendMessage(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
        return paragraph;
    };
    const PARAFORMAT title = paragraphAt(1);
    const PARAFORMAT heading = paragraphAt(15);
    const PARAFORMAT docs = paragraphAt(50);
    EXPECT_EQ(180, title.dxStartIndent);
    EXPECT_EQ(180, heading.dxStartIndent);
    EXPECT_EQ(540, docs.dxStartIndent);
    EXPECT_EQ(0, title.wNumbering);
    EXPECT_EQ(PFN_BULLET, heading.wNumbering);
    EXPECT_EQ(0, docs.wNumbering);
    control.DestroyWindow();
}

// Core upgrades a related product that has Docs and Help locally, and the build disabled both
// (their versions with this distribution's suffix): each becomes a bold red WARNING line under
// Core, the visible Docs by its title, the hidden Help as the system components of its visible
// ancestor. Core's part installs without a line of its own in "Adding or Changing".
TEST_F(SummaryBlocksTest, DisabledFeaturesOfAReplacedProductGetWarnings)
{
    MsiApiOverride<decltype(MsiApiTable::MsiEnumFeaturesW)> features{
        MsiApi().MsiEnumFeaturesW, &EnumReplacedCoreFeatures};
    MsiApiOverride<decltype(MsiApiTable::MsiQueryFeatureStateW)> states{
        MsiApi().MsiQueryFeatureStateW, &ReplacedCoreFeatureState};
    // Built by the distribution tool: the features it disabled carry its marker in the
    // Condition table.
    m_model.SetProperty(L"ZKODWBUILTDIST", L"1");
    AllUnchanged(INSTALLSTATE_ABSENT);
    Feature(L"ExtrasMenu")->m_display = 0;  // a placeholder that cannot be installed
    Plan(L"Core", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    CFeature* docs = Feature(L"CoreDocs");
    CFeature* help = Feature(L"CoreHelp");
    help->m_display = 0;
    docs->m_name = L"CoreDocs.2";
    help->m_name = L"CoreHelp.2";
    Run(L"INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) "
        L"VALUES ('CoreDocs.2', 0, 'ZKODW_DISABLED_THIS_FEATURE') TEMPORARY");
    Run(L"INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) "
        L"VALUES ('CoreHelp.2', 0, 'ZKODW_DISABLED_THIS_FEATURE') TEMPORARY");
    m_model.SetProperty(L"ZKODW_DISABLED_THIS_FEATURE", L"1");
    CPart::UpgradeTable* upgrades = const_cast<CPart::UpgradeTable*>(Feature(L"Core")->GetPart()->GetUpgradeTable());
    ASSERT_NE(nullptr, upgrades);
    CPart::RelatedPart replaced;
    replaced.m_productCode = kReplacedCore;
    upgrades->m_exclusive.push_back(&replaced);
    upgrades->m_upgradeMode = CPart::UpgradeTable::kOdwDevUpgrade;

    RecordingWriter writer;
    EXPECT_EQ(2, WriteInstallSummary(m_model, L"<< &Back", writer));
    const std::vector<std::wstring> expected = {
        L"180 B U Upgrading",
        L"180 * Core",
        L"540 **WARNING:** Docs will no longer be available",
        L"540 **WARNING:** System components of Core will no longer be available",
        L"180 B U ",
        L"180 B U Adding or Changing",
        L"180 * Pelmar Tundrix Zel system components",
    };
    EXPECT_EQ(expected, writer.lines);
    upgrades->m_exclusive.pop_back();
}

// The products whose dependencies an installed part breaks, by name, without repeating a name,
// each with its detail; the advice names the Back button without its marks. A broken dependency
// that the installed parts fix, or whose part is not installed, lists nothing.
TEST_F(BrokenProductsTest, BrokenProductsAreListedByNameWithTheAdvice)
{
    ASSERT_EQ(2u, m_model.GetBrokenDependencyCount());
    const std::wstring intro
        = L"180 By proceeding with this installation, components of the following products may be broken:";
    const std::wstring advice = L"180 This may result in a loss of functionality.  Choosing a different configuration "
                                L"may avoid this problem.  Select 'Back' to choose a different configuration.";
    const struct {
        const char* name;
        std::vector<const wchar_t*> installed;
        std::vector<std::wstring> lines;
    } cases[] = {
        // The extras part's break is fixed by the core part, installed too.
        {"core and extras installed", {L"Core", L"Extras"},
            {intro, L"540 * Alpha Suite (2024 edition)", L"540 * Zeta Viewer", advice}},
        {"extras installed alone", {L"Extras"},
            {intro, L"540 * Alpha Suite (other edition)", L"540 * Beta Tools", advice}},
        {"nothing installed", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install(c.installed);
        BrokenProductsBlock block(IDS_SUMMARY_BROKEN_PRODUCTS, m_model, L" << &Back ");
        EXPECT_EQ(!c.lines.empty(), block.HasContent());
        CString title;
        EXPECT_TRUE(block.GetTitle(title));
        EXPECT_EQ(L"Installed Products Whose Components may be Broken", std::wstring(title.GetString()));
        RecordingWriter writer;
        if (block.HasContent())
            block.Render(writer);
        EXPECT_EQ(c.lines, writer.lines);
    }
}

// A failure of the system-information component while the products are listed: out of memory
// as such, any other as the component's failure from the confirmation page.
TEST_F(BrokenProductsTest, ComponentFailuresWhileListingBrokenProducts)
{
    Install({L"Core"});
    m_app.systemInfo.failWith = E_OUTOFMEMORY;
    EXPECT_THROW(BrokenProductsBlock(IDS_SUMMARY_BROKEN_PRODUCTS, m_model, L"<< &Back"), std::bad_alloc);
    m_app.systemInfo.failWith = E_FAIL;
    try {
        BrokenProductsBlock(IDS_SUMMARY_BROKEN_PRODUCTS, m_model, L"<< &Back");
        ADD_FAILURE() << "no error";
    } catch (const ZKSystemInfoFailure& error) {
        EXPECT_STREQ("ConfirmStartDialog", error.GetFile());
        EXPECT_EQ(861, error.GetLine());
        EXPECT_EQ(L"Unexpected error while handling broken dependencies. Result=80004005",
            std::wstring(error.GetDebugMessage()));
    }
}

// Linked distributions whose menu is on an item that runs them ask for their source, by title in
// tree order; one left out, or without any item, does not.
TEST_F(SummaryBlocksTest, LinkedDistributionsThatWillAskForTheirSource)
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    m_app.AddLinkedDistribution(L"Extra").m_strTitle = L"Extra Tools Installer";
    m_app.AddLinkedDistribution(L"Extra2").m_strTitle = L"Second Installer";
    m_app.SetInstallLevel(100);
    m_app.SetDistributionInstallLevel(100);
    MsiSmartPtr<MsiSession> menus = MsiSession::OpenPackage(testsupport::TestDataPath(L"model_fake.msi").c_str());
    // After the model's features, in this order, until the end of the test.
    CFeature linked[3];
    const wchar_t* const names[] = {L"Linked", L"LinkedEmpty", L"LinkedLow"};
    CFeature* last = m_model.GetFeatureTree().GetRoot();
    while (last->GetNextSibling())
        last = last->GetNextSibling();
    for (int i = 0; i < 3; ++i) {
        linked[i].Initialize(
            names[i], L"", names[i], L"", 1, 1, L"", 0, false, 0, nullptr, menus.Get(), INSTALLSTATE_UNKNOWN, false);
        last = last->InsertSiblingAfter(&linked[i]);
    }
    AllUnchanged(INSTALLSTATE_LOCAL);
    Feature(L"ExtrasMenu")->m_display = 0;  // a placeholder that cannot be installed
    CFeature::LinkedDistFakeFeature& first = linked[0].GetLinkedDistFakeFeature();
    CFeature::LinkedDistFakeFeature& low = linked[2].GetLinkedDistFakeFeature();
    const std::wstring title = L"180 B U Installer Prompts";
    const std::wstring intro = L"180 You will be prompted to provide the source for the following installers:";
    const struct {
        const char* name;
        int firstItem;
        int lowItem;
        int blocks;
        std::vector<std::wstring> lines;
    } cases[] = {
        {"both run", first.GetInstallItem(), low.GetInstallItem(), 1,
            {title, intro, L"540 * Extra Tools Installer", L"540 * Second Installer"}},
        {"the first left out", first.GetLeaveOutItem(), low.GetInstallItem(), 1,
            {title, intro, L"540 * Second Installer"}},
        {"both left out", first.GetLeaveOutItem(), low.GetLeaveOutItem(), 0,
            {L"180 B U Installation Summary", L"180 No software will be installed or removed."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        first.SelectMenuItem(c.firstItem);
        low.SelectMenuItem(c.lowItem);
        RecordingWriter writer;
        EXPECT_EQ(c.blocks, WriteInstallSummary(m_model, L"<< &Back", writer));
        EXPECT_EQ(c.lines, writer.lines);
    }
    linked[0].GetPrevSibling()->m_nextSibling = nullptr;
}
