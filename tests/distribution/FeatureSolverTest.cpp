// The feature selection solver on trees built by hand: whole selections after one request, the
// mapping of requests, the initial selection's mode, the per-change callback and blocked features.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Feature.h"
#include "FeatureStateChange.h"
#include "FeatureSubsets.h"
#include "HandBuiltFeatures.h"
#include "ModelTestSupport.h"
#include "Part.h"
#include "TestSupport.h"

namespace {

const int kAdvertised = INSTALLSTATE_ADVERTISED;
const int kAbsent = INSTALLSTATE_ABSENT;
const int kLocal = INSTALLSTATE_LOCAL;
const int kSource = INSTALLSTATE_SOURCE;
const int kDefault = INSTALLSTATE_DEFAULT;
// Every state from advertised to default is valid.
const DWORD kAllValidStates = 62;

using featuretest::Subset;
using featuretest::Tree;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// A chain of top-level features, each with a part of its own and each depending on the next
// (with `flags`), ending in a feature that nothing supplies and that has nothing below it.
class Chain {
public:
    Chain(size_t links, DWORD flags)
    {
        for (size_t i = 0; i <= links; ++i) {
            m_features.emplace_back(new CFeature);
            CFeature* feature = m_features.back().get();
            feature->m_name = (L"F" + std::to_wstring(i)).c_str();
            feature->m_level = 1;
            feature->m_fakeKind = i < links ? CFeature::kOrdinary : CFeature::kNoPart;
            if (i < links) {
                m_parts.emplace_back(new CPart);
                feature->m_part = m_parts.back().get();
            }
            if (i > 0)
                m_features[i - 1]->InsertSiblingAfter(feature);
        }
        for (size_t i = 0; i < links; ++i)
            m_features[i]->AddDependency(Subset({m_features[i + 1].get()}), flags);
    }
    CFeature* First() const { return m_features.front().get(); }
    CFeature* Last() const { return m_features.back().get(); }

private:
    std::vector<std::unique_ptr<CFeature>> m_features;
    std::vector<std::unique_ptr<CPart>> m_parts;
};

DWORD WINAPI RunWork(void* work)
{
    try {
        (*static_cast<const std::function<void()>*>(work))();
    } catch (...) {
        return 1;
    }
    return 0;
}

// Runs `work` on a thread with a stack of 256 KB, far less than one call per link of a long
// chain needs; false when it did not end normally.
bool RunOnSmallStack(const std::function<void()>& work)
{
    HANDLE thread = CreateThread(nullptr, 256 * 1024, &RunWork, const_cast<std::function<void()>*>(&work),
        STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread)
        return false;
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code == 0;
}

}  // namespace

TEST(FeatureSolver, OneRequestGivesTheWholeSelection)
{
    struct Case {
        const char* name;
        std::function<void(Tree&)> build;
        const wchar_t* feature;
        int state;
        bool withSubfeatures;
        bool solved;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"a disabled feature stays absent", [](Tree& t) { t.Add(L"A")->m_level = 0; }, L"A", kLocal, false, true,
            L"A=2 "},
        {"a child brings its parent",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                t.Add(L"C1", p);
                t.Add(L"C2", p);
            },
            L"C1", kLocal, false, true, L"P=3 C1=3 C2=2 "},
        {"a parent alone leaves its children, except those that may not be absent",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                t.Add(L"C1", p);
                t.Add(L"C2", p)->DisallowAbsent();
            },
            L"P", kLocal, false, true, L"P=3 C1=2 C2=3 "},
        {"a parent with its subfeatures",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                t.Add(L"G", t.Add(L"C1", p));
                t.Add(L"C2", p);
            },
            L"P", kSource, true, true, L"P=4 C1=4 G=4 C2=4 "},
        {"a dependency is installed",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                a->AddDependency(Subset({t.Add(L"B"), t.Add(L"C")}), 0);
            },
            L"A", kLocal, false, true, L"A=3 B=3 C=3 "},
        {"removing a dependency removes its dependent",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* b = t.Add(L"B");
                a->AddDependency(Subset({b}), 0);
                t.SetInstalled(a, kLocal);
                t.SetInstalled(b, kLocal);
            },
            L"B", kAbsent, false, true, L"A=2 B=2 "},
        {"a dependent satisfied outside the distribution stays",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* b = t.Add(L"B");
                a->AddDependency(Subset({b}), kSubsetSatisfiedOutside);
                t.SetInstalled(a, kLocal);
                t.SetInstalled(b, kLocal);
            },
            L"B", kAbsent, false, true, L"A=3 B=2 "},
        {"a dependency nothing else needs goes with its dependent",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* b = t.Add(L"B");
                a->AddDependency(Subset({b}), 0);
                t.SetInstalled(a, kLocal);
                t.SetInstalled(b, kLocal);
                a->m_lastUserRequest = kLocal;
            },
            L"A", kAbsent, false, true, L"A=2 B=2 "},
        {"a dependency nothing else needs goes with the feature above it",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* g = t.Add(L"G");
                CFeature* x = t.Add(L"X", g);
                a->AddDependency(Subset({x}), 0);
                for (CFeature* f : {a, g, x})
                    t.SetInstalled(f, kLocal);
            },
            L"A", kAbsent, false, true, L"A=2 G=2 X=2 "},
        {"a dependency the user chose stays",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* b = t.Add(L"B");
                a->AddDependency(Subset({b}), 0);
                t.SetInstalled(a, kLocal);
                t.SetInstalled(b, kLocal);
                b->m_lastUserRequest = kLocal;
            },
            L"A", kAbsent, false, true, L"A=2 B=3 "},
        {"a dependency asking for its subtree by level",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* b = t.Add(L"B");
                t.Add(L"Low", b)->m_level = 5;
                CFeature* high = t.Add(L"High", b);
                high->m_level = 20;
                t.SetInstalled(high, kLocal);
                a->AddDependency(FeatureSubsetMap{{b, 1}}, 0);
            },
            L"A", kLocal, false, true, L"A=3 B=3 Low=3 High=2 "},
        {"a dependency asking for its subtree by level, keeping what is installed",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* b = t.Add(L"B");
                CFeature* high = t.Add(L"High", b);
                high->m_level = 20;
                t.SetInstalled(high, kLocal);
                a->AddDependency(FeatureSubsetMap{{b, 3}}, 0);
            },
            L"A", kLocal, false, true, L"A=3 B=3 High=3 "},
        {"a parent no part supplies goes with its last child",
            [](Tree& t) {
                CFeature* p = t.Add(L"P", nullptr, CFeature::kNoPart);
                CFeature* c1 = t.Add(L"C1", p);
                t.Add(L"C2", p);
                p->m_actionState = kLocal;
                t.SetInstalled(c1, kLocal);
            },
            L"C1", kAbsent, false, true, L"P=2 C1=2 C2=2 "},
        {"the second alternative when the first conflicts, nothing left of the first",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* disabled = t.Add(L"Disabled");
                disabled->m_level = 0;
                CFeature* x = t.Add(L"X", disabled);
                CFeature* y = t.Add(L"Y");
                CFeatureSubsetOr group(CFeatureSubsetDependency(Subset({x}), 0));
                group.Add(CFeatureSubsetDependency(Subset({y}), 0));
                a->AddDependencyGroup(group);
            },
            L"A", kLocal, false, true, L"A=3 Disabled=2 X=2 Y=3 "},
        {"every alternative conflicts: nothing changes",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* disabled = t.Add(L"Disabled");
                disabled->m_level = 0;
                a->AddDependency(Subset({t.Add(L"X", disabled)}), 0);
                t.SetInstalled(t.Add(L"Kept"), kSource);
            },
            L"A", kLocal, false, false, L"A=2 Disabled=2 X=2 Kept=4 "},
        {"a conflict deeper down leaves nothing of the level that found it",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* disabled = t.Add(L"Disabled");
                disabled->m_level = 0;
                t.SetInstalled(t.Add(L"K", disabled), kLocal);  // removed by the level that then conflicts
                CFeature* x = t.Add(L"X", disabled);
                CFeatureSubsetOr group(CFeatureSubsetDependency(Subset({x}), 0));
                group.Add(CFeatureSubsetDependency(Subset({t.Add(L"Y")}), 0));
                a->AddDependencyGroup(group);
            },
            L"A", kLocal, false, true, L"A=3 Disabled=2 K=3 X=2 Y=3 "},
        {"a parent asked for two states at the user's priority is a conflict",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* p = t.Add(L"P");
                CFeature* c1 = t.Add(L"C1", p);
                c1->m_attributes = CFeature::kAttrFavorSource;
                a->AddDependency(Subset({c1, t.Add(L"C2", p)}), 0);
            },
            L"A", kLocal, false, false, L"A=2 P=2 C1=2 C2=2 "},
        {"a parent alone brings back the children the user had chosen",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                t.Add(L"C1", p)->m_lastUserRequest = kLocal;
                t.Add(L"C2", p);
            },
            L"P", kLocal, false, true, L"P=3 C1=3 C2=2 "},
        {"a parent with its subfeatures overrides the children's last choices",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                t.Add(L"C1", p)->m_lastUserRequest = kLocal;
                t.Add(L"C2", p);
            },
            L"P", kSource, true, true, L"P=4 C1=4 C2=4 "},
        {"a hidden child returns to its last choice even with subfeatures",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                CFeature* hidden = t.Add(L"C1", p);
                hidden->m_display = 0;
                hidden->m_lastUserRequest = kLocal;
                t.Add(L"C2", p);
            },
            L"P", kSource, true, true, L"P=4 C1=3 C2=4 "},
        {"with subfeatures, a child already requested local still passes the request down",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                CFeature* c = t.Add(L"C", p);
                t.Add(L"G", c);
                p->AddDependency(Subset({c}), 0);
            },
            L"P", kLocal, true, true, L"P=3 C=3 G=3 "},
        {"advertising a feature leaves its absent children absent",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                t.SetInstalled(p, kLocal);
                t.SetInstalled(t.Add(L"C1", p), kLocal);
                t.Add(L"C2", p);
            },
            L"P", kAdvertised, false, true, L"P=1 C1=1 C2=2 "},
        {"removing a feature removes its advertised children",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                t.SetInstalled(p, kLocal);
                t.SetInstalled(t.Add(L"C1", p), kAdvertised);
            },
            L"P", kAbsent, false, true, L"P=2 C1=2 "},
        {"a sibling keeps its own choice when the parent goes with the removed feature",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                CFeature* s = t.Add(L"S", p);
                CFeature* sibling = t.Add(L"T", p);
                p->AddDependency(Subset({s}), 0);
                t.SetInstalled(p, kLocal);
                t.SetInstalled(s, kLocal);
                t.SetInstalled(sibling, kAdvertised);
                sibling->m_lastUserRequest = kAdvertised;
            },
            L"S", kAbsent, false, true, L"P=2 S=2 T=1 "},
        {"the parent of the removed feature is not an unneeded dependency",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                CFeature* s = t.Add(L"S", p);
                CFeature* x = t.Add(L"X", p);
                s->AddDependency(Subset({x}), 0);
                for (CFeature* f : {p, s, x})
                    t.SetInstalled(f, kLocal);
            },
            L"S", kAbsent, false, true, L"P=3 S=2 X=2 "},
    };
    modeltest::TestAppServices app;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tree tree;
        c.build(tree);
        CFeature* feature = tree[c.feature];
        EXPECT_EQ(c.solved, feature->TryRequestState(c.state, c.withSubfeatures, nullptr, nullptr));
        EXPECT_EQ(Narrow(c.expected), Narrow(tree.ActionStates()));
    }
}

TEST(FeatureSolver, ConflictingAlternativeIsUndoneAndTheOtherSelected)
{
    modeltest::TestAppServices app;
    Tree t;
    CFeature* a = t.Add(L"A");
    CFeature* disabled = t.Add(L"Disabled");
    disabled->m_level = 0;
    CFeature* x = t.Add(L"X", disabled);
    CFeature* y = t.Add(L"Y");
    CFeatureSubsetOr group(CFeatureSubsetDependency(Subset({x}), 0));
    group.Add(CFeatureSubsetDependency(Subset({y}), 0));
    a->AddDependencyGroup(group);
    ASSERT_TRUE(a->TryRequestState(kLocal, false, nullptr, nullptr));
    ASSERT_EQ(1, std::distance(a->SelectedDependenciesBegin(), a->SelectedDependenciesEnd()));
    EXPECT_EQ(y, a->SelectedDependenciesBegin()->feature);
    // The first alternative's requests were taken back.
    EXPECT_EQ(0, x->m_requestPriority);
    EXPECT_EQ(INSTALLSTATE_UNKNOWN, x->m_requestedState);
    // Both alternatives know their dependent.
    EXPECT_EQ(a, x->DependentsBegin()->feature);
    EXPECT_EQ(a, y->DependentsBegin()->feature);
}

// The features of a chosen alternative are taken by name, wherever they lie in memory: here the
// first one taken decides whether their common parent runs from source or is installed locally.
TEST(FeatureSolver, SelectionDoesNotDependOnWhereFeaturesLie)
{
    modeltest::TestAppServices app;
    for (bool sourceFirstInMemory : {true, false}) {
        SCOPED_TRACE(sourceFirstInMemory ? "source child first in memory" : "local child first in memory");
        // Two children of one parent in one block, so that their addresses are ordered.
        std::unique_ptr<CFeature[]> children(new CFeature[2]);
        CFeature* source = &children[sourceFirstInMemory ? 0 : 1];
        CFeature* local = &children[sourceFirstInMemory ? 1 : 0];
        Tree t;
        CFeature* top = t.Add(L"Top");
        CFeature* dependent = t.Add(L"Dependent", top);
        CFeature* parent = t.Add(L"Parent");
        t.Link(source, L"C1", parent)->m_attributes = CFeature::kAttrFavorSource;
        t.Link(local, L"C2", parent);
        dependent->AddDependency(Subset({source, local}), 0);
        // The dependent becomes a consequence of its parent, and its dependencies with it: the
        // second child's different request for the parent is refused, not a conflict.
        ASSERT_TRUE(top->TryRequestState(kLocal, true, nullptr, nullptr));
        EXPECT_EQ("Top=3 Dependent=3 Parent=4 C1=4 C2=3 ", Narrow(t.ActionStates()));
        std::wstring selected;
        for (auto link = dependent->SelectedDependenciesBegin(); link != dependent->SelectedDependenciesEnd(); ++link)
            selected += std::wstring(link->feature->GetName()) + L" ";
        EXPECT_EQ("C1 C2 ", Narrow(selected));
    }
}

// A search through too many combinations of alternatives is given up: the log says so and the
// request is refused as a whole, the requested feature's own request taken back too. A search
// that tries every combination (here 2^16 of them) fails as a conflict, without that line.
TEST(FeatureSolver, SearchGivenUpRefusesTheWholeRequest)
{
    for (int groups : {16, 17}) {
        SCOPED_TRACE(groups);
        modeltest::TestAppServices app;
        testsupport::TempDir dir;
        const std::wstring logPath = dir.File(L"solver.log");
        app.Log().Open(logPath.c_str(), false);
        Tree t;
        CFeature* a = t.Add(L"A");
        CFeature* disabled = t.Add(L"Disabled");
        disabled->m_level = 0;
        a->AddDependency(Subset({t.Add(L"X", disabled)}), 0);  // conflicts whatever else is chosen
        for (int i = 0; i < groups; ++i) {
            CFeatureSubsetOr group(CFeatureSubsetDependency(Subset({t.Add((L"Y" + std::to_wstring(i)).c_str())}), 0));
            group.Add(CFeatureSubsetDependency(Subset({t.Add((L"Z" + std::to_wstring(i)).c_str())}), 0));
            a->AddDependencyGroup(group);
        }
        t.SetInstalled(a, kSource);
        a->m_lastUserRequest = kSource;

        EXPECT_FALSE(a->TryRequestState(kLocal, false, nullptr, nullptr));
        app.Log().Close();
        const std::wstring log = testsupport::ReadLogFile(logPath).text;
        const bool givenUp = log.find(L"was given up after 100000 combinations") != std::wstring::npos;
        EXPECT_EQ(groups == 17, givenUp) << Narrow(log);
        EXPECT_EQ(kSource, a->GetActionState());
        if (groups == 17) {
            EXPECT_NE(std::wstring::npos, log.find(L"The feature selection for 'A'")) << Narrow(log);
            EXPECT_EQ(0, a->m_requestPriority);
            EXPECT_EQ(kSource, a->GetEffectiveRequest());
            EXPECT_EQ(kSource, a->m_lastUserRequest);
        }
        for (const wchar_t* name : {L"X", L"Y0", L"Z0", L"Disabled"})
            EXPECT_EQ(0, t[name]->m_requestPriority) << Narrow(name);
    }
}

TEST(FeatureSolver, MapsRequestsToWhatTheFeatureCanTake)
{
    struct Case {
        const char* name;
        std::function<CFeature*(Tree&)> build;
        int state;
        int mapped;
    };
    const Case cases[] = {
        {"disabled",
            [](Tree& t) {
                CFeature* f = t.Add(L"F");
                f->m_level = 0;
                return f;
            },
            kLocal, kAbsent},
        {"advertising not allowed",
            [](Tree& t) {
                CFeature* f = t.Add(L"F");
                f->m_validStates = 1u << kLocal;
                return f;
            },
            kAdvertised, kAbsent},
        {"advertising allowed", [](Tree& t) { return t.Add(L"F"); }, kAdvertised, kAdvertised},
        {"unknown state", [](Tree& t) { return t.Add(L"F"); }, -7, kAbsent},
        {"source for a childless feature without components",
            [](Tree& t) {
                CFeature* f = t.Add(L"F");
                f->m_componentCount = 0;
                return f;
            },
            kSource, kLocal},
        {"source through a child",
            [](Tree& t) {
                CFeature* f = t.Add(L"F");
                f->m_componentCount = 0;
                t.Add(L"C", f);
                return f;
            },
            kSource, kSource},
        {"default favouring source",
            [](Tree& t) {
                CFeature* f = t.Add(L"F");
                f->m_attributes = CFeature::kAttrFavorSource;
                return f;
            },
            kDefault, kSource},
        {"default following a parent that does not follow its own",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                p->m_actionState = kSource;
                CFeature* f = t.Add(L"F", p);
                f->m_attributes = CFeature::kAttrFollowParent;
                return f;
            },
            kDefault, kLocal},
        {"default following a chain of followers",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                p->m_attributes = CFeature::kAttrFollowParent;
                p->m_actionState = kSource;
                CFeature* f = t.Add(L"F", p);
                f->m_attributes = CFeature::kAttrFollowParent;
                return f;
            },
            kDefault, kSource},
    };
    for (const Case& c : cases) {
        Tree tree;
        EXPECT_EQ(c.mapped, c.build(tree)->MapRequestedState(c.state)) << c.name;
    }
}

TEST(FeatureSolver, MergesByPriority)
{
    struct Case {
        int held, heldPriority, state, priority, result, request;
    };
    const Case cases[] = {
        {kAbsent, 0, kLocal, 0, CFeature::kMergeRefused, kAbsent},
        {kAbsent, 1, kLocal, 3, CFeature::kMergeChanged, kLocal},
        {kLocal, 1, kLocal, 3, CFeature::kMergeUnchanged, kLocal},
        {kAbsent, 4, kLocal, 1, CFeature::kMergeChanged, kLocal},  // absence gives way at priority 1
        {kAdvertised, 1, kSource, 1, CFeature::kMergeChanged, kSource},
        {kLocal, 1, kAbsent, 1, CFeature::kMergeUnchanged, kLocal},
        {kAbsent, 2, kLocal, 2, CFeature::kMergeUnchanged, kAbsent},
        {kLocal, 4, kAbsent, 4, CFeature::kMergeRefused, kLocal},
        {kLocal, 4, kAbsent, 3, CFeature::kMergeRefused, kLocal},
    };
    for (const Case& c : cases) {
        CFeature feature;
        feature.m_requestedState = c.held;
        feature.m_requestPriority = c.heldPriority;
        EXPECT_EQ(c.result, feature.MergeRequest(c.state, c.priority, true)) << c.held << " " << c.state;
        EXPECT_EQ(c.request, feature.m_requestedState);
        EXPECT_EQ(c.result == CFeature::kMergeRefused ? kAbsent : c.request, feature.m_lastUserRequest);
    }
}

TEST(FeatureSolver, InstallLevelModeStartsChildrenByLevel)
{
    modeltest::TestAppServices app;
    Tree t;
    CFeature* top = t.Add(L"Top");
    t.Add(L"Low", top)->m_level = 5;
    t.Add(L"High", top)->m_level = 20;
    CFeature* needed = t.Add(L"Needed");
    needed->m_level = 50;
    CFeature* low = t[L"Low"];
    low->AddDependency(Subset({needed}), 0);

    const int level = 10;
    top->MergeRequest(top->MapRequestedState(top->ComputeInheritedState(level)), 1, false);
    FeatureChangeQueue queue;
    FeatureChangeLevel first;
    first.Add(top, 1, false);
    queue.Append(std::move(first));
    ASSERT_TRUE(top->Solve(queue, level));
    top->ApplyRequestedStates(nullptr, nullptr);
    // The dependency is a requirement whatever its own level.
    EXPECT_EQ("Top=3 Low=3 High=2 Needed=3 ", Narrow(t.ActionStates()));
}

// The initial selection for install level 10 over trees made by hand (no part installed: a
// feature counts as installed only in maintenance mode).
TEST(FeatureSolver, InitialSelectionForAnInstallLevel)
{
    struct Case {
        const char* name;
        std::function<void(Tree&)> build;
        bool maintenance;
        const wchar_t* expected;
        std::function<void(Tree&)> check;
        bool solved = true;
    };
    const Case cases[] = {
        {"a new install starts from the level",
            [](Tree& t) {
                CFeature* f = t.Add(L"F");
                f->m_level = 20;
                t.SetInstalled(f, kLocal);
            },
            false, L"F=2 ", nullptr},
        {"maintenance starts from what is installed",
            [](Tree& t) {
                CFeature* f = t.Add(L"F");
                f->m_level = 20;
                t.SetInstalled(f, kLocal);
            },
            true, L"F=3 ", nullptr},
        {"the spec file's Absent for an ancestor holds for its installed subtree",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                p->m_specRequest = kAbsent;
                CFeature* c = t.Add(L"C", p);
                for (CFeature* f : {p, c, t.Add(L"G", c)})
                    t.SetInstalled(f, kLocal);
            },
            true, L"P=2 C=2 G=2 ", nullptr},
        {"an installed transitive feature dropped by the level follows the level",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                CFeature* f = t.Add(L"T", p);
                f->m_transitive = true;
                f->m_level = 20;
                t.SetInstalled(p, kLocal);
                t.SetInstalled(f, kLocal);
            },
            true, L"P=3 T=2 ", [](Tree& t) { EXPECT_TRUE(t[L"T"]->GetTransitiveFlag()); }},
        {"... unless an ancestor asks to keep it installed, and then it is no longer transitive",
            [](Tree& t) {
                CFeature* p = t.Add(L"P");
                p->m_transitiveAttributes = 1;
                CFeature* f = t.Add(L"T", p);
                f->m_transitive = true;
                f->m_level = 20;
                t.SetInstalled(p, kLocal);
                t.SetInstalled(f, kLocal);
            },
            true, L"P=3 T=3 ", [](Tree& t) { EXPECT_FALSE(t[L"T"]->GetTransitiveFlag()); }},
        {"an installed transitive feature below a feature that is not installed keeps its state",
            [](Tree& t) {
                CFeature* g = t.Add(L"G");
                CFeature* p = t.Add(L"P", g);
                p->m_specRequest = kLocal;
                CFeature* f = t.Add(L"T", p);
                f->m_transitive = true;
                f->m_level = 20;
                t.SetInstalled(g, kLocal);
                t.SetInstalled(f, kLocal);
            },
            true, L"G=3 P=3 T=3 ", nullptr},
        {"the installed ancestor of a transitive feature may lie above transitive features",
            [](Tree& t) {
                CFeature* g = t.Add(L"G");
                CFeature* p = t.Add(L"P", g);
                p->m_transitive = true;
                CFeature* f = t.Add(L"T", p);
                f->m_transitive = true;
                f->m_level = 20;
                t.SetInstalled(g, kLocal);
                t.SetInstalled(f, kLocal);
            },
            true, L"G=3 P=3 T=2 ", nullptr},
        {"an installed installer of another vendor starts as installed whatever its level",
            [](Tree& t) {
                t.Add(L"A");
                CFeature* vendor = t.Add(L"Vendor", nullptr, CFeature::kThirdParty);
                vendor->m_level = 20;
                vendor->m_installedState = kLocal;
            },
            false, L"A=3 Vendor=3 ", nullptr},
        {"an installer of another vendor that is not installed starts by its level",
            [](Tree& t) {
                t.Add(L"A");
                t.Add(L"Vendor", nullptr, CFeature::kThirdParty)->m_level = 20;
            },
            false, L"A=3 Vendor=2 ", nullptr},
        {"a visible feature required above its level keeps its children to their own levels",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* p = t.Add(L"P");
                p->m_level = 20;
                t.Add(L"C", p);
                a->AddDependency(Subset({p}), 0);
            },
            false, L"A=3 P=3 C=2 ", nullptr},
        {"a hidden feature required above its level brings its children",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* p = t.Add(L"P");
                p->m_level = 20;
                p->m_display = 0;
                t.Add(L"C", p);
                a->AddDependency(Subset({p}), 0);
            },
            false, L"A=3 P=3 C=3 ", nullptr},
        {"dependents of a disabled feature are disabled, except through links that ignore its state",
            [](Tree& t) {
                CFeature* z = t.Add(L"Z");
                z->m_level = 0;
                CFeature* b = t.Add(L"B");
                b->AddDependency(Subset({z}), 0);
                t.Add(L"C")->AddDependency(Subset({b}), 0);
                t.Add(L"D")->AddDependency(Subset({z}), kSubsetIgnoreState);
            },
            false, L"Z=2 B=2 C=2 D=3 ",
            [](Tree& t) {
                EXPECT_EQ(0, t[L"C"]->GetLevel());
                EXPECT_EQ(1, t[L"D"]->GetLevel());
            }},
        {"a feature nothing can supply is left absent",
            [](Tree& t) {
                t.Add(L"A");
                t.Add(L"Empty", nullptr, CFeature::kNoPart);
            },
            false, L"A=3 Empty=2 ", nullptr},
        {"dependencies are held at the user's priority: a parent's other state for one picks the other alternative",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* b = t.Add(L"B");
                CFeature* x = t.Add(L"X");
                CFeature* y = t.Add(L"Y", x);
                y->m_attributes = CFeature::kAttrFavorSource;
                CFeature* z = t.Add(L"Z");
                z->m_level = 20;
                a->AddDependency(Subset({y}), 0);
                CFeatureSubsetOr group(CFeatureSubsetDependency(Subset({x}), 0));
                group.Add(CFeatureSubsetDependency(Subset({z}), 0));
                b->AddDependencyGroup(group);
            },
            false, L"A=3 B=3 X=4 Y=4 Z=3 ", nullptr},
        {"a feature the spec file asks for stays when a feature that needed it goes by level",
            [](Tree& t) {
                CFeature* q = t.Add(L"Q");
                CFeature* x = t.Add(L"X", q);
                x->m_level = 20;
                x->m_specRequest = kLocal;
                CFeature* w = t.Add(L"W");
                w->m_level = 20;
                w->AddDependency(Subset({x}), 0);
            },
            false, L"Q=3 X=3 W=2 ", nullptr},
        {"a selection that conflicts is not applied",
            [](Tree& t) {
                CFeature* a = t.Add(L"A");
                CFeature* p = t.Add(L"P");
                CFeature* c1 = t.Add(L"C1", p);
                c1->m_attributes = CFeature::kAttrFavorSource;
                a->AddDependency(Subset({c1, t.Add(L"C2", p)}), 0);
            },
            false, L"A=2 P=2 C1=2 C2=2 ", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modeltest::TestAppServices app;
        app.SetTreeStart(c.maintenance);
        Tree tree;
        c.build(tree);
        CFeature* first = tree.First();
        first->ApplyInstallLevel(10);
        EXPECT_EQ(Narrow(c.expected), Narrow(tree.ActionStates()));
        // What was applied is what each feature now asks for (a failed solve leaves its requests).
        if (c.solved) {
            EXPECT_EQ(Narrow(c.expected), Narrow(tree.EffectiveRequests()));
        }
        if (c.check)
            c.check(tree);
    }
}

TEST(FeatureSolver, ResettingRequestsLeavesLinkedDistributionsAlone)
{
    Tree t;
    CFeature* ordinary = t.Add(L"A");
    CFeature* linked = t.Add(L"Linked", nullptr, CFeature::kLinkedDist);
    for (CFeature* f : {ordinary, linked}) {
        f->m_requestedState = kLocal;
        f->m_requestPriority = 1;
    }
    ordinary->ResetTreeRequests();
    EXPECT_EQ(0, ordinary->m_requestPriority);
    EXPECT_EQ(INSTALLSTATE_UNKNOWN, ordinary->m_requestedState);
    EXPECT_EQ(1, linked->m_requestPriority);
    EXPECT_EQ(kLocal, linked->m_requestedState);
}

TEST(FeatureSolver, CallbackSeesEachChangeBeforeItIsMade)
{
    modeltest::TestAppServices app;
    Tree t;
    CFeature* p = t.Add(L"P");
    t.Add(L"C1", p);
    t.Add(L"C2", p);
    t.Add(L"Other");
    std::wstring calls;
    auto record = [](CFeature* feature, void* data) {
        *static_cast<std::wstring*>(data)
            += std::wstring(feature->GetName()) + L":" + std::to_wstring(feature->GetActionState()) + L" ";
    };
    EXPECT_EQ(kLocal, p->RequestState(kLocal, true, record, &calls));
    EXPECT_EQ("P:2 C1:2 C2:2 ", Narrow(calls));
    EXPECT_TRUE(p->IsChanged());
    EXPECT_FALSE(t[L"Other"]->IsChanged());
}

// What a user's change planned is the last user request of the feature and of each feature
// above it; the rest of the tree keeps its own.
TEST(FeatureSolver, AUserChangeIsTheLastRequestOfTheFeatureAndItsAncestors)
{
    modeltest::TestAppServices app;
    Tree t;
    CFeature* top = t.Add(L"Top");
    CFeature* middle = t.Add(L"Middle", top);
    CFeature* leaf = t.Add(L"Leaf", middle);
    CFeature* other = t.Add(L"Other");
    ASSERT_TRUE(leaf->TryRequestState(kLocal, false, nullptr, nullptr));
    for (CFeature* f : {leaf, middle, top}) {
        EXPECT_EQ(kLocal, f->GetActionState()) << Narrow(std::wstring(f->GetName()));
        EXPECT_EQ(kLocal, f->m_lastUserRequest) << Narrow(std::wstring(f->GetName()));
    }
    EXPECT_EQ(kAbsent, other->m_lastUserRequest);

    // Removing the middle one records the removal on it and on the top, which stays.
    ASSERT_TRUE(middle->TryRequestState(kAbsent, false, nullptr, nullptr));
    EXPECT_EQ(kAbsent, middle->m_lastUserRequest);
    EXPECT_EQ(top->GetActionState(), top->m_lastUserRequest);
}

TEST(FeatureSolver, BlockedFeaturesAndTheirReasons)
{
    modeltest::TestAppServices app;
    Tree t;
    CFeature* empty = t.Add(L"Empty", nullptr, CFeature::kNoPart);
    CFeature* dependent = t.Add(L"Dependent");
    dependent->AddDependency(Subset({empty}), 0);
    CFeature* child = t.Add(L"Child", dependent);
    CFeature* outside = t.Add(L"Outside");
    outside->AddDependency(Subset({empty}), kSubsetSatisfiedOutside);
    CFeature* placeholder = t.Add(L"InstalledProd1", nullptr, CFeature::kPlaceholder);
    CFeature* fakeWithChild = t.Add(L"Fake", nullptr, CFeature::kNoPart);
    t.Add(L"Inside", fakeWithChild);

    struct Case {
        CFeature* feature;
        int reason;
    };
    const Case cases[] = {
        {empty, CFeature::kBlockedByUpgrade},
        {dependent, CFeature::kBlockedByDependency},
        {child, CFeature::kBlockedByDependency},
        {outside, CFeature::kNotBlocked},
        {placeholder, CFeature::kNotBlocked},
        {fakeWithChild, CFeature::kNotBlocked},
    };
    for (const Case& c : cases) {
        int reason = -1;
        EXPECT_EQ(c.reason != CFeature::kNotBlocked, c.feature->IsBlocked(&reason))
            << Narrow(std::wstring(c.feature->GetName()));
        EXPECT_EQ(c.reason, reason) << Narrow(std::wstring(c.feature->GetName()));
    }
    std::set<CFeature*> visited;
    EXPECT_FALSE(empty->IsNeededByBlockedDependent(visited));

    // A blocked feature stays absent and is still reported to the callback.
    int calls = 0;
    auto count = [](CFeature*, void* data) { ++*static_cast<int*>(data); };
    EXPECT_TRUE(dependent->TryRequestState(kLocal, false, count, &calls));
    EXPECT_EQ(kAbsent, dependent->GetActionState());
    EXPECT_GT(calls, 0);

    // ... even when it is planned as it is requested: its plan is what changes.
    dependent->m_actionState = kLocal;
    dependent->m_requestPriority = 0;
    dependent->m_changed = false;
    calls = 0;
    dependent->ApplyRequestedStates(count, &calls);
    EXPECT_EQ(kAbsent, dependent->GetActionState());
    EXPECT_TRUE(dependent->IsChanged());
    EXPECT_GT(calls, 0);

    // The answer is kept, and worked out again once a dependency is added.
    EXPECT_FALSE(outside->IsBlocked());
    outside->AddDependency(Subset({dependent}), 0);
    int reason = -1;
    EXPECT_TRUE(outside->IsBlocked(&reason));
    EXPECT_EQ(CFeature::kBlockedByDependency, reason);

    // ... and once a feature is linked into the tree, as a child or as a sibling: a feature
    // without a part is no longer blocked once something that can be installed lies below it.
    EXPECT_TRUE(empty->IsBlocked());
    CFeature* stub = t.Add(L"Stub", empty, CFeature::kNoPart);
    EXPECT_TRUE(empty->IsBlocked());
    t.Add(L"First", stub);
    EXPECT_FALSE(empty->IsBlocked());
    EXPECT_FALSE(dependent->IsBlocked());
    CFeature* group = t.Add(L"Group", nullptr, CFeature::kNoPart);
    CFeature* lastStub = t.Add(L"LastStub", group, CFeature::kNoPart);
    EXPECT_TRUE(group->IsBlocked());
    CPart laterPart;
    CFeature later;
    later.m_name = L"Later";
    later.m_part = &laterPart;
    lastStub->InsertSiblingAfter(&later);
    EXPECT_FALSE(group->IsBlocked());
}

// Dependency chains as long as a merged package makes them are walked without a call per link:
// the blocked test, the disabling of dependents and the search for a blocked dependent.
TEST(FeatureSolver, LongDependencyChains)
{
    modeltest::TestAppServices app;
    const size_t kLinks = 20000;
    Chain chain(kLinks, 0);
    int reason = -1;
    bool blocked = false;
    ASSERT_TRUE(RunOnSmallStack([&] { blocked = chain.First()->IsBlocked(&reason); }));
    EXPECT_TRUE(blocked);
    EXPECT_EQ(CFeature::kBlockedByDependency, reason);

    std::set<CFeature*> visited;
    ASSERT_TRUE(RunOnSmallStack([&] { chain.Last()->ResetDependentsToAbsent(visited); }));
    EXPECT_EQ(kLinks + 1, visited.size());
    EXPECT_EQ(0, chain.First()->m_level);
    EXPECT_EQ(kAbsent, chain.First()->m_lastUserRequest);

    // Links satisfied outside the distribution block nothing; the last feature is needed by the
    // first, which nothing supplies either, through every dependent of the chain.
    Chain outside(kLinks, kSubsetSatisfiedOutside);
    outside.First()->m_part = nullptr;
    outside.First()->m_fakeKind = CFeature::kNoPart;
    bool needed = false;
    visited.clear();
    ASSERT_TRUE(RunOnSmallStack([&] { needed = outside.Last()->IsNeededByBlockedDependent(visited); }));
    EXPECT_TRUE(needed);
    EXPECT_EQ(kLinks, visited.size());
}

TEST(FeatureSolver, SpecRequestsOfASubtree)
{
    struct Case {
        const char* name;
        int own;
        std::vector<int> children;
        int expected;
    };
    const Case cases[] = {
        {"nothing asked: the level state", -1, {-1, -1}, kDefault},
        {"a child's source", -1, {kSource, -1}, kSource},
        {"local beats source", -1, {kSource, kLocal}, kLocal},
        {"advertise gives way to default", kAdvertised, {kDefault}, kDefault},
        {"an absent request takes nothing", kAbsent, {kLocal}, kAbsent},
        {"an unrecognised request takes nothing", -2, {kLocal}, -2},
        {"keep as installed, installed child", -1, {-7}, kLocal},
    };
    for (const Case& c : cases) {
        Tree t;
        CFeature* top = t.Add(L"Top");
        top->m_specRequest = c.own;
        int n = 0;
        for (int request : c.children) {
            CFeature* child = t.Add((L"C" + std::to_wstring(++n)).c_str(), top);
            child->m_specRequest = request;
            child->m_installedState = kLocal;
        }
        EXPECT_EQ(c.expected, top->GetSpecRequestOrDefault(10)) << c.name;
    }
}

// The initial selection takes a request from deep in a subtree for every feature above it, and
// a later selection sees the requests as they are then.
TEST(FeatureSolver, InitialSelectionTakesSpecRequestsFromBelow)
{
    modeltest::TestAppServices app;
    Tree t;
    CFeature* top = t.Add(L"Top");
    CFeature* mid = t.Add(L"Mid", top);
    mid->m_level = 50;
    CFeature* leaf = t.Add(L"Leaf", mid);
    leaf->m_level = 50;
    leaf->m_specRequest = kLocal;
    t.Add(L"Other", top)->m_level = 50;

    top->ApplyInstallLevel(10);
    EXPECT_EQ("Top=3 Mid=3 Leaf=3 Other=2 ", Narrow(t.ActionStates()));

    leaf->m_specRequest = -1;
    top->ApplyInstallLevel(10);
    EXPECT_EQ("Top=3 Mid=2 Leaf=2 Other=2 ", Narrow(t.ActionStates()));
}
