// The feature page's right-hand panel per state: the sentence of the planned change, the layers
// of the state picture and the cost sentence, including a blocked feature and a linked
// distribution's choices.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <string>
#include <vector>

#include "ByteSizeFormatter.h"
#include "FeatureStatePanel.h"
#include "HandBuiltFeatures.h"
#include "ModelTestSupport.h"
#include "resource.h"

using FeatureStatePanel::PictureLayer;
using featuretest::Subset;
using featuretest::Tree;

namespace {

const int kUnknown = INSTALLSTATE_UNKNOWN;
const int kAdvertised = INSTALLSTATE_ADVERTISED;
const int kAbsent = INSTALLSTATE_ABSENT;
const int kLocal = INSTALLSTATE_LOCAL;
const int kSource = INSTALLSTATE_SOURCE;
const int kDefault = INSTALLSTATE_DEFAULT;

std::string Layers(const std::vector<PictureLayer>& layers)
{
    std::string text;
    for (const PictureLayer& layer : layers)
        text += (text.empty() ? "" : " ") + std::string(layer.icon ? "icon " : "") + std::to_string(layer.id) + "@"
            + std::to_string(layer.x);
    return text;
}

}  // namespace

TEST(FeatureStatePanelTest, SentenceAndPicturePerStatePair)
{
    const struct {
        int current;
        int action;
        bool network;
        UINT sentence;
        const char* picture;
    } cases[] = {
        // Unchanged: one picture in the middle.
        {kLocal, kLocal, false, 217, "227@37"},
        {kAbsent, kAbsent, false, 226, "230@37"},
        {kUnknown, kUnknown, false, 0, "230@37"},  // no action: no sentence
        {kAdvertised, kAdvertised, false, 206, "229@37"},
        {kSource, kSource, false, 212, "225@37"},
        {kSource, kSource, true, 222, "226@37"},
        {kDefault, kDefault, false, 0, "227@37"},  // an action outside 1 to 4: no sentence
        // Changed: the current state, the arrow, the planned state.
        {kAbsent, kLocal, false, 203, "232@0 231@50 227@75"},
        {kAbsent, kAdvertised, false, 201, "232@0 231@50 229@75"},
        {kAbsent, kSource, false, 202, "232@0 231@50 225@75"},
        {kAbsent, kSource, true, 204, "232@0 231@50 226@75"},
        {kUnknown, kLocal, false, 208, "232@0 231@50 227@75"},
        {kLocal, kAbsent, false, 214, "227@0 231@50 228@75"},
        {kLocal, kAdvertised, false, 215, "227@0 231@50 229@75"},
        {kLocal, kSource, false, 216, "227@0 231@50 225@75"},
        {kLocal, kSource, true, 218, "227@0 231@50 226@75"},
        {kSource, kAbsent, false, 210, "225@0 231@50 228@75"},
        {kSource, kAdvertised, false, 211, "225@0 231@50 229@75"},
        {kSource, kLocal, false, 213, "225@0 231@50 227@75"},
        {kSource, kAbsent, true, 219, "226@0 231@50 228@75"},
        {kSource, kAdvertised, true, 220, "226@0 231@50 229@75"},
        {kSource, kLocal, true, 221, "226@0 231@50 227@75"},
        {kAdvertised, kAbsent, false, 205, "229@0 231@50 228@75"},
        {kAdvertised, kLocal, false, 208, "229@0 231@50 227@75"},
        {kAdvertised, kSource, false, 207, "229@0 231@50 225@75"},
        {kAdvertised, kSource, true, 209, "229@0 231@50 226@75"},
        {kLocal, kDefault, false, 0, "227@0 231@50 227@75"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.current) + " -> " + std::to_string(c.action) + (c.network ? " network" : ""));
        EXPECT_EQ(c.sentence, FeatureStatePanel::ActionTextId(c.current, c.action, c.network));
        EXPECT_EQ(c.picture, Layers(FeatureStatePanel::PictureLayers(c.current, c.action, c.network)));
    }
}

TEST(FeatureStatePanelTest, LinkedDistributionChoices)
{
    const struct {
        int type;
        UINT sentence;
        const char* picture;
    } cases[] = {
        {0, IDS_LINKED_NOT_PROMPTED, "230@37"},
        {1, IDS_LINKED_COMPLETE, "icon 236@46"},
        {2, IDS_LINKED_TYPICAL, "icon 237@46"},
        {3, IDS_LINKED_CUSTOM, "icon 503@46"},
        {4, 0, ""},
        {-1, 0, ""},  // no item chosen
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.sentence, FeatureStatePanel::LinkedActionTextId(c.type)) << c.type;
        EXPECT_EQ(c.picture, Layers(FeatureStatePanel::LinkedPictureLayers(c.type))) << c.type;
    }
}

// A blocked feature is "not installed" whatever its states; its picture tells a newer installed
// product (check mark) from an incompatibility.
TEST(FeatureStatePanelTest, BlockedFeatures)
{
    modeltest::TestAppServices app;
    Tree t;
    CFeature* empty = t.Add(L"Empty", nullptr, CFeature::kNoPart);
    CFeature* needsEmpty = t.Add(L"Needs empty");
    needsEmpty->AddDependency(Subset({empty}), 0);
    needsEmpty->m_actionState = kLocal;
    CFeature* plain = t.Add(L"Plain");
    plain->m_actionState = kLocal;

    EXPECT_EQ(UINT(IDS_FEATURE_NOT_INSTALLED), FeatureStatePanel::ActionTextId(*empty));
    EXPECT_EQ("257@37", Layers(FeatureStatePanel::PictureLayers(*empty)));
    EXPECT_EQ(UINT(IDS_FEATURE_NOT_INSTALLED), FeatureStatePanel::ActionTextId(*needsEmpty));
    EXPECT_EQ("230@37", Layers(FeatureStatePanel::PictureLayers(*needsEmpty)));
    // Not blocked: by its states.
    EXPECT_EQ(203u, FeatureStatePanel::ActionTextId(*plain));
    EXPECT_EQ("232@0 231@50 227@75", Layers(FeatureStatePanel::PictureLayers(*plain)));
}

// Units of 512 bytes, in 64 bits: a count of 2^31 units is a terabyte, not an overflow.
TEST(FeatureStatePanelTest, CostSentence)
{
    const struct {
        int64_t units;
        const wchar_t* text;
    } cases[] = {
        {0, L"This feature and its selected subcomponents will require 0.00 bytes of disk space."},
        {3, L"This feature and its selected subcomponents will require 1.50 KB of disk space."},
        {-3, L"This feature and its selected subcomponents will free 1.50 KB of disk space."},
        {2048, L"This feature and its selected subcomponents will require 1.00 MB of disk space."},
        {2147483648LL, L"This feature and its selected subcomponents will require 1024 GB of disk space."},
        {-2147483648LL, L"This feature and its selected subcomponents will free 1024 GB of disk space."},
        {8589934592LL, L"This feature and its selected subcomponents will require 4096 GB of disk space."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.text), FeatureStatePanel::CostText(c.units).GetString()) << c.units;
}

// The sentence speaks the program's units: the unit names and digits that the start-up sets
// into the shared formatter (those of a translated module reach it too).
TEST(FeatureStatePanelTest, CostSentenceUsesTheProgramsUnits)
{
    const wchar_t* const names[] = {L"octets", L"Ko", L"Mo", L"Go"};
    CString saved[4];
    for (int unit = 0; unit < 4; ++unit) {
        saved[unit] = g_sizeUnits.GetAt(unit);
        g_sizeUnits.SetAt(unit, names[unit]);
    }
    const int savedDigits = g_sizeUnits.GetSignificantDigits();
    g_sizeUnits.SetSignificantDigits(4);
    const struct {
        int64_t units;
        const wchar_t* text;
    } cases[] = {
        {1, L"This feature and its selected subcomponents will require 512.0 octets of disk space."},
        {-3, L"This feature and its selected subcomponents will free 1.500 Ko of disk space."},
        {2048, L"This feature and its selected subcomponents will require 1.000 Mo of disk space."},
        {2097152, L"This feature and its selected subcomponents will require 1.000 Go of disk space."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.text), FeatureStatePanel::CostText(c.units).GetString()) << c.units;
    for (int unit = 0; unit < 4; ++unit)
        g_sizeUnits.SetAt(unit, saved[unit]);
    g_sizeUnits.SetSignificantDigits(savedDigits);
}
