// The disk space a plan needs on one volume and what the volume offers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>

#include "CString.h"

struct VolumeCost {
    CString volume;          // the root without a trailing backslash: "C:", "\\server\share"
    int64_t required = 0;    // may go negative when packages are removed
    int64_t available = -1;  // -1: the volume could not be asked

    // True when the volume could not be asked, else when it offers at least what is required.
    bool HasEnoughSpace() const { return available == -1 || available >= required; }
};

// Volume names compared ignoring case.
struct VolumeNameLess {
    bool operator()(const CString& a, const CString& b) const { return a.CompareNoCase(b) < 0; }
};

// One record per volume, ordered by its name.
typedef std::map<CString, VolumeCost, VolumeNameLess> VolumeCostSet;
