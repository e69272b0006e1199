// A part's action from its features' states, its feature subsets and the satisfaction of
// dependency alternatives, on features and parts built by hand.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <memory>
#include <vector>

#include "Feature.h"
#include "FeatureSubsets.h"
#include "InstallerErrors.h"
#include "ModelTestSupport.h"
#include "Part.h"

namespace {

struct FeatureState {
    int installed;
    int action;
    int level;
    int kind;
};

// A part whose features have the given states.
class PartWithFeatures {
public:
    explicit PartWithFeatures(const std::vector<FeatureState>& states)
    {
        for (const FeatureState& state : states) {
            m_features.emplace_back(new CFeature);
            CFeature* feature = m_features.back().get();
            feature->m_name = L"F";
            feature->m_level = state.level;
            feature->m_fakeKind = state.kind;
            feature->m_installedState = state.installed;
            feature->m_actionState = state.action;
            part.AddFeature(feature);
        }
    }

    CPart part;

private:
    std::vector<std::unique_ptr<CFeature>> m_features;
};

const int kAbsent = INSTALLSTATE_ABSENT;
const int kLocal = INSTALLSTATE_LOCAL;
const int kSource = INSTALLSTATE_SOURCE;
const int kUnknown = INSTALLSTATE_UNKNOWN;
const int kOrdinary = CFeature::kOrdinary;

}  // namespace

TEST(PartAction, FollowsTheFeatureStates)
{
    struct Case {
        const char* name;
        std::vector<FeatureState> features;
        bool reinstall;
        int action;
    };
    const Case cases[] = {
        {"nothing changes", {{kLocal, kLocal, 1, kOrdinary}, {kAbsent, kUnknown, 1, kOrdinary}}, false,
            CPart::kActionNone},
        {"one removal only", {{kLocal, kAbsent, 1, kOrdinary}, {kLocal, kLocal, 1, kOrdinary}}, false,
            CPart::kActionRemoveOnly},
        {"a removal and an addition", {{kLocal, kAbsent, 1, kOrdinary}, {kAbsent, kSource, 1, kOrdinary}}, false,
            CPart::kActionInstall},
        {"everything stays, reinstall asked", {{kLocal, kLocal, 1, kOrdinary}}, true, CPart::kActionInstall},
        {"removing another vendor's fake feature", {{kLocal, kAbsent, 1, CFeature::kThirdParty}}, false,
            CPart::kActionNone},
        {"level 0 never counts", {{kAbsent, kLocal, 0, kOrdinary}, {kLocal, kAbsent, 0, kOrdinary}}, false,
            CPart::kActionNone},
        {"no features", {}, true, CPart::kActionNone},
    };
    modeltest::TestAppServices app;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.SetReinstall(c.reinstall);
        PartWithFeatures part(c.features);
        EXPECT_EQ(c.action != CPart::kActionNone, part.part.HasAction());
        EXPECT_EQ(c.action, part.part.GetAction());
        EXPECT_EQ(c.action == CPart::kActionRemoveOnly, part.part.IsRemoving());
        EXPECT_EQ(c.action == CPart::kActionInstall, part.part.IsInstallingOrReinstalling());
    }
    PartWithFeatures forced({{kLocal, kAbsent, 1, kOrdinary}});
    forced.part.ForceInstall();
    EXPECT_TRUE(forced.part.IsInstallingOrReinstalling());
    EXPECT_EQ(CPart::kActionForced, forced.part.GetAction());
}

TEST(PartAction, AlternativesOfADependency)
{
    CFeature a, b;
    const FeatureSubsetMap both{{&a, 0}, {&b, 0}};
    struct Case {
        int requestA, requestB;
        DWORD flags;
        bool satisfied;
    };
    const Case cases[] = {
        {kLocal, kSource, 0, true},
        {kLocal, kAbsent, 0, false},
        {kUnknown, kUnknown, kSubsetUnrequested, true},
        {kAbsent, kUnknown, kSubsetUnrequested, false},
        {kUnknown, kLocal, kSubsetUnrequested, false},
        {kAbsent, kAbsent, kSubsetSatisfiedOutside, true},
        {kAbsent, kAbsent, kSubsetIgnoreState, true},
        {kAbsent, kAbsent, kSubsetAlternativeState, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.requestA << " " << c.requestB << " flags " << c.flags);
        a.m_actionState = c.requestA;
        b.m_actionState = c.requestB;
        const CFeatureSubsetDependency alternative(both, c.flags);
        EXPECT_EQ(c.satisfied, alternative.IsSatisfied());
        // One group of it, and a group with a second alternative that always holds.
        CFeatureSubsetOr group(alternative);
        EXPECT_EQ(c.satisfied, group.IsSatisfied());
        group.Add(CFeatureSubsetDependency(both, kSubsetIgnoreState));
        EXPECT_TRUE(group.IsSatisfied());
    }
    EXPECT_FALSE(CFeatureSubsetOr().IsSatisfied());
    EXPECT_TRUE(AreAllSatisfied({}));
}
