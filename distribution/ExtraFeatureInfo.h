// The information, warnings and fatal errors the distribution attaches to features, as collected
// for the feature-information pages and the quiet run's check.
#pragma once

#include <map>
#include <memory>

#include "CString.h"

class CFeature;
class CFeatureTree;

// One collected entry: a ZKExtraFeatureInfo row, or an unsatisfied dependency on another
// vendor's product. Condition and header are kept exactly as read, since the page finds a shown
// row again by feature, condition and header.
struct ExtraFeatureInfo {
    // Attributes bits.
    static const int kAttrFatal = 0x1;
    static const int kAttrFirstPage = 0x2;
    static const int kAttrRichText = 0x4;

    int m_attributes = 0;
    CString m_condition;
    CString m_header;
    CString m_info;
};

// Orders features by their pre-order position in the tree the order was made from; features
// not in that tree come after every feature of it.
class FeatureTreeOrder {
public:
    explicit FeatureTreeOrder(const CFeatureTree& tree);
    bool operator()(const CFeature* a, const CFeature* b) const;

private:
    size_t Position(const CFeature* feature) const;

    std::shared_ptr<const std::map<const CFeature*, size_t>> m_positions;
};

// The collected entries by feature, in tree order; the entries of one feature stay in the order
// they were added.
typedef std::multimap<CFeature*, ExtraFeatureInfo, FeatureTreeOrder> ExtraFeatureInfoMap;
