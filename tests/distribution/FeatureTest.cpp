// The feature model on features built by hand: tree order and walks, the current state of fake
// features, lookups and the shared costing-abort event.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Feature.h"
#include "InstallerErrors.h"

namespace {

// Features owned by the test, made without a session or a part.
class Features {
public:
    CFeature* Make(
        const wchar_t* name, int display = 1, int kind = CFeature::kOrdinary, int installed = INSTALLSTATE_ABSENT)
    {
        m_features.emplace_back(new CFeature);
        CFeature* feature = m_features.back().get();
        feature->m_name = name;
        feature->m_display = display;
        feature->m_level = 1;
        feature->m_fakeKind = kind;
        feature->m_installedState = installed;
        return feature;
    }

private:
    std::vector<std::unique_ptr<CFeature>> m_features;
};

std::wstring Names(const CFeature* first)
{
    std::wstring names;
    for (const CFeature* feature = first; feature; feature = feature->GetNextInTree())
        names += std::wstring(feature->GetName()) + L" ";
    return names;
}

std::wstring ChildNames(const CFeature* parent)
{
    std::wstring names;
    for (const CFeature* child = parent->GetFirstChild(); child; child = child->GetNextSibling())
        names += std::wstring(child->GetName()) + L" ";
    return names;
}

}  // namespace

TEST(Feature, ChildrenAreOrderedByDisplayThenName)
{
    Features f;
    CFeature* parent = f.Make(L"Parent");
    parent->AddChildSorted(f.Make(L"b", 2));
    parent->AddChildSorted(f.Make(L"c", 1));
    parent->AddChildSorted(f.Make(L"a", 2));
    CFeature* sameAgain = f.Make(L"b", 2);
    sameAgain->m_title = L"second";
    parent->AddChildSorted(sameAgain);
    parent->AddChildSorted(f.Make(L"z", 0));
    EXPECT_EQ(L"z c a b b ", ChildNames(parent));
    // The second "b" went after the first.
    EXPECT_EQ(
        sameAgain, parent->GetFirstChild()->GetNextSibling()->GetNextSibling()->GetNextSibling()->GetNextSibling());
    // A feature that is already linked is left alone.
    parent->AddChildSorted(parent->GetFirstChild());
    EXPECT_EQ(L"z c a b b ", ChildNames(parent));
}

TEST(Feature, WalksInPreOrderAndWithinSubtrees)
{
    Features f;
    CFeature* a = f.Make(L"A");
    CFeature* b = a->InsertSiblingAfter(f.Make(L"B"));
    CFeature* a1 = f.Make(L"A1", 1);
    CFeature* a2 = f.Make(L"A2", 2);
    a->AddChildSorted(a2);
    a->AddChildSorted(a1);
    CFeature* a11 = f.Make(L"A11");
    a1->AddChildSorted(a11);
    CFeature* b1 = f.Make(L"B1");
    b->AddChildSorted(b1);

    EXPECT_EQ(L"A A1 A11 A2 B B1 ", Names(a));
    EXPECT_EQ(a, b1->GetRoot()->GetFirstSibling());
    EXPECT_EQ(a1, a->GetNextChild(nullptr));
    EXPECT_EQ(a2, a->GetNextChild(a1));

    std::wstring subtree;
    for (const CFeature* node = a->GetNextInSubtree(nullptr); node; node = a->GetNextInSubtree(node))
        subtree += std::wstring(node->GetName()) + L" ";
    EXPECT_EQ(L"A1 A11 A2 ", subtree);

    EXPECT_TRUE(a->HasDescendant(a11));
    EXPECT_FALSE(a->HasDescendant(a));
    EXPECT_FALSE(a->HasDescendant(b1));
    EXPECT_EQ(a11, &b1->FindFeature(L"A11"));
}

TEST(Feature, FindFeatureMatchesExactly)
{
    Features f;
    CFeature* a = f.Make(L"Docs");
    try {
        a->FindFeature(L"docs");
        FAIL() << "no error";
    } catch (const ObjectNotFound& e) {
        EXPECT_EQ(std::wstring(L"Feature Name"), std::wstring(e.Argument<2>()));
        EXPECT_EQ(std::wstring(L"docs"), std::wstring(e.Argument<3>()));
    }
}

TEST(Feature, CurrentStateOfAFakeFeatureIsTheBestOfItsChildren)
{
    struct Case {
        std::vector<int> children;
        int expected;
    };
    const Case cases[] = {
        {{INSTALLSTATE_SOURCE, INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT}, INSTALLSTATE_LOCAL},
        {{INSTALLSTATE_ADVERTISED, INSTALLSTATE_ABSENT}, INSTALLSTATE_ADVERTISED},
        {{INSTALLSTATE_ABSENT, INSTALLSTATE_SOURCE}, INSTALLSTATE_SOURCE},
        {{INSTALLSTATE_UNKNOWN}, INSTALLSTATE_ABSENT},  // only states outside the four: its own
        {{}, INSTALLSTATE_ABSENT},
    };
    for (const Case& c : cases) {
        Features f;
        CFeature* fake = f.Make(L"Fake", 1, CFeature::kNoPart, INSTALLSTATE_ABSENT);
        int n = 0;
        for (int state : c.children) {
            ++n;
            fake->AddChildSorted(f.Make((L"c" + std::to_wstring(n)).c_str(), n, CFeature::kOrdinary, state));
        }
        EXPECT_EQ(c.expected, fake->GetCurrentState()) << c.children.size() << " children";
    }
}

TEST(Feature, DisplayValuesAndVisibility)
{
    struct Case {
        int display;
        bool expanded;
    };
    for (const Case& c : {Case{1, true}, Case{3, true}, Case{2, false}, Case{0, false}, Case{-1, false}}) {
        Features f;
        EXPECT_EQ(c.expanded, f.Make(L"F", c.display)->IsDisplayExpanded()) << c.display;
    }
    Features f;
    CFeature* top = f.Make(L"Top", 2);
    CFeature* hiddenChild = f.Make(L"Hidden", 0);
    top->AddChildSorted(hiddenChild);
    CFeature* grandChild = f.Make(L"Grand", 1);
    hiddenChild->AddChildSorted(grandChild);
    EXPECT_TRUE(grandChild->IsHidden(true));
    EXPECT_EQ(top, grandChild->FindVisibleSelfOrAncestor());
    EXPECT_FALSE(top->HasVisibleChild());
    top->m_level = 0;
    EXPECT_FALSE(top->IsHidden(true));
    EXPECT_TRUE(top->IsHidden(false));
    EXPECT_EQ(nullptr, grandChild->FindVisibleSelfOrAncestor());
}

TEST(Feature, CountsDependentsWithTheirFilters)
{
    Features f;
    CFeature* target = f.Make(L"Target");
    CFeature* child = f.Make(L"Child");
    target->AddChildSorted(child);
    CFeature* installing = f.Make(L"Installing");
    installing->m_actionState = INSTALLSTATE_LOCAL;
    CFeature* placeholder = f.Make(L"InstalledProd1", 0, CFeature::kPlaceholder);
    target->AddDependent({installing, 0, 0});
    target->AddDependent({placeholder, 2, 0});
    target->AddDependent({child, 0, 0});
    target->AddDependent({target, 0, 0});
    child->AddDependent({installing, 0, 0});

    struct Case {
        DWORD flags;
        int expected;
    };
    const Case cases[] = {
        {0, 4},
        {CFeature::kCountOnlyInstalling, 1},
        {CFeature::kCountSkipAlternativeStates, 3},
        {CFeature::kCountSkipSelf, 3},
        {CFeature::kCountSkipInsideSubtree, 3},
        {CFeature::kCountOnlyPlaceholders, 1},
        {CFeature::kCountChildren, 5},
        {CFeature::kCountChildren | CFeature::kCountOnlyInstalling, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, target->CountDependents(c.flags)) << "flags " << c.flags;

    EXPECT_FALSE(target->HasNoPlaceholderDependents());
    EXPECT_TRUE(child->HasNoPlaceholderDependents());
    std::set<CFeature*> visible;
    // The target, the installing feature and the child; the hidden placeholder has no visible self.
    EXPECT_EQ(3u, target->CountDependentsInto(visible));
}

// The event is shared: destroying one feature must leave it to the others.
TEST(Feature, CostingAbortEventLivesUntilTheLastFeature)
{
    ASSERT_EQ(nullptr, CFeature::GetCostingAbortEvent());
    std::unique_ptr<CFeature> first(new CFeature);
    std::unique_ptr<CFeature> second(new CFeature);
    HANDLE event = CFeature::GetCostingAbortEvent();
    ASSERT_NE(nullptr, event);

    first.reset();
    ASSERT_EQ(event, CFeature::GetCostingAbortEvent());
    CFeature::SignalAbort();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event, 0));

    second.reset();
    EXPECT_EQ(nullptr, CFeature::GetCostingAbortEvent());
    CFeature third;
    EXPECT_NE(nullptr, CFeature::GetCostingAbortEvent());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(CFeature::GetCostingAbortEvent(), 0));
}
