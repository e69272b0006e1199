// What the feature page's right-hand panel says about one feature: the sentence of its planned
// change, the layers of its 125 by 32 pixel state picture and the sentence of its disk cost.
// Worked out from the feature alone; the page draws and shows them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "CString.h"

class CFeature;

namespace FeatureStatePanel {

// The picture's size in pixels.
const int kPictureWidth = 125;
const int kPictureHeight = 32;

// The action sentence's string id for a feature whose states are `current` and `action`
// (network: its source is the network, else a CD); 0 for the empty text.
UINT ActionTextId(int current, int action, bool network);
// The sentence of a linked distribution whose chosen menu item has type `choiceType`.
UINT LinkedActionTextId(int choiceType);
// The same for `feature`: a linked distribution by its chosen menu item's type, a blocked
// feature "will not be installed", any other feature by its states.
UINT ActionTextId(CFeature& feature);

// One layer of the picture: a bitmap (or a 32 by 32 icon) of the resource module at x, y 0.
struct PictureLayer {
    UINT id;
    bool icon;
    int x;
    bool operator==(const PictureLayer& other) const
    {
        return id == other.id && icon == other.icon && x == other.x;
    }
};
std::vector<PictureLayer> PictureLayers(int current, int action, bool network);
std::vector<PictureLayer> LinkedPictureLayers(int choiceType);
std::vector<PictureLayer> PictureLayers(CFeature& feature);

// The cost sentence for a signed count of 512-byte units: what the feature's subtree frees
// (negative) or requires, in the program's units (g_sizeUnits).
CString CostText(int64_t units);

// The type of the menu item a linked distribution's fake feature has chosen; -1 when it has
// no chosen item.
int LinkedChoiceType(CFeature& feature);

}  // namespace FeatureStatePanel
