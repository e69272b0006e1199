#include "FeatureStatePanel.h"

#include "ByteSizeFormatter.h"
#include "Feature.h"
#include "resource.h"

namespace FeatureStatePanel {

namespace {

const int kCentreX = 37;      // a single bitmap
const int kIconX = 46;        // a linked distribution's 32-pixel icon
const int kArrowX = 50;       // the arrow between the current and the planned state
const int kPlannedX = 75;     // the planned state
const int64_t kUnitBytes = 512;

// Windows Installer states as the feature reports them.
const int kUnknown = -1;
const int kAdvertised = 1;
const int kAbsent = 2;
const int kLocal = 3;
const int kSource = 4;

UINT SourceBitmap(bool network)
{
    return network ? IDB_STATE_SOURCE_NETWORK : IDB_STATE_SOURCE_CD;
}

UINT CurrentBitmap(int current, bool network, bool unchanged)
{
    switch (current) {
    case kAbsent:
    case kUnknown:
        return unchanged ? IDB_STATE_NOT_INSTALLED : IDB_STATE_WAS_ABSENT;
    case kAdvertised:
        return IDB_STATE_ADVERTISED;
    case kSource:
        return SourceBitmap(network);
    default:
        return IDB_STATE_LOCAL;
    }
}

UINT PlannedBitmap(int action, bool network)
{
    switch (action) {
    case kAdvertised:
        return IDB_STATE_ADVERTISED;
    case kAbsent:
        return IDB_STATE_REMOVED;
    case kSource:
        return SourceBitmap(network);
    default:
        return IDB_STATE_LOCAL;
    }
}

}  // namespace

UINT ActionTextId(int current, int action, bool network)
{
    if (action < kAdvertised || action > kSource)
        return 0;
    // Rows by current state, columns by action state 1 to 4; a source column holds the CD
    // sentence and, in the rows where it differs, the network one after it.
    static const UINT kAbsentRow[] = {201, 226, 203, 202};
    static const UINT kLocalRow[] = {215, 214, 217, 216};
    static const UINT kSourceCdRow[] = {211, 210, 213, 212};
    static const UINT kSourceNetworkRow[] = {220, 219, 221, 222};
    static const UINT kOtherRow[] = {206, 205, 208, 207};
    const int column = action - kAdvertised;
    switch (current) {
    case kAbsent:
        return action == kSource && network ? 204 : kAbsentRow[column];
    case kLocal:
        return action == kSource && network ? 218 : kLocalRow[column];
    case kSource:
        return network ? kSourceNetworkRow[column] : kSourceCdRow[column];
    default:
        return action == kSource && network ? 209 : kOtherRow[column];
    }
}

int LinkedChoiceType(CFeature& feature)
{
    const CFeature::LinkedDistFakeFeature& menu = feature.GetLinkedDistFakeFeature();
    const int selected = menu.GetSelectedItem();
    if (selected < 0 || selected >= menu.GetMenuItemCount())
        return -1;
    return menu.GetMenuItemType(selected);
}

UINT LinkedActionTextId(int choiceType)
{
    switch (choiceType) {
    case 0:
        return IDS_LINKED_NOT_PROMPTED;
    case 1:
        return IDS_LINKED_COMPLETE;
    case 2:
        return IDS_LINKED_TYPICAL;
    case 3:
        return IDS_LINKED_CUSTOM;
    default:
        return 0;
    }
}

UINT ActionTextId(CFeature& feature)
{
    if (feature.IsFakeFeature(CFeature::kLinkedDist))
        return LinkedActionTextId(LinkedChoiceType(feature));
    if (feature.IsBlocked())
        return IDS_FEATURE_NOT_INSTALLED;
    return ActionTextId(feature.GetCurrentState(), feature.GetActionState(), feature.IsNetworkSource());
}

std::vector<PictureLayer> PictureLayers(int current, int action, bool network)
{
    if (current == action)
        return {{CurrentBitmap(current, network, true), false, kCentreX}};
    return {{CurrentBitmap(current, network, false), false, 0}, {IDB_STATE_ARROW, false, kArrowX},
        {PlannedBitmap(action, network), false, kPlannedX}};
}

std::vector<PictureLayer> LinkedPictureLayers(int choiceType)
{
    switch (choiceType) {
    case 0:
        return {{IDB_STATE_NOT_INSTALLED, false, kCentreX}};
    case 1:
        return {{IDI_INSTALL_COMPLETE, true, kIconX}};
    case 2:
        return {{IDI_INSTALL_TYPICAL, true, kIconX}};
    case 3:
        return {{IDI_INSTALL_CUSTOM, true, kIconX}};
    default:
        return {};
    }
}

std::vector<PictureLayer> PictureLayers(CFeature& feature)
{
    if (feature.IsFakeFeature(CFeature::kLinkedDist))
        return LinkedPictureLayers(LinkedChoiceType(feature));
    int reason = 0;
    if (feature.IsBlocked(&reason)) {
        const UINT id = reason == 1 ? IDB_STATE_BLOCKED_NEWER : IDB_STATE_NOT_INSTALLED;
        return {{id, false, kCentreX}};
    }
    return PictureLayers(feature.GetCurrentState(), feature.GetActionState(), feature.IsNetworkSource());
}

CString CostText(int64_t units)
{
    // 64 bits throughout: a count near 2^31 units is a terabyte.
    const int64_t bytes = (units < 0 ? -units : units) * kUnitBytes;
    const CString amount = g_sizeUnits.Format(bytes);
    CString text;
    text.Format(LoadResourceString(units < 0 ? IDS_FEATURE_COST_FREE : IDS_FEATURE_COST_REQUIRE).GetString(),
        amount.GetString());
    return text;
}

}  // namespace FeatureStatePanel
