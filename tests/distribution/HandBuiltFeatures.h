// Features made by hand for tests of the solver and of the feature tree's windows: a tree whose
// ordinary features each have a part of their own (not installed, nothing refusing it), one
// component and every state valid.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Feature.h"
#include "FeatureSubsets.h"
#include "Part.h"

namespace featuretest {

// Every state from advertised to default.
const DWORD kAllValidStates = 62;

// A tree of features made by hand; every feature is visible and ordered as added.
class Tree {
public:
    CFeature* Add(const wchar_t* name, CFeature* parent = nullptr, int kind = CFeature::kOrdinary)
    {
        m_features.emplace_back(new CFeature);
        return Link(m_features.back().get(), name, parent, kind);
    }
    // The same for a feature the caller owns (and keeps alive longer than the tree).
    CFeature* Link(CFeature* feature, const wchar_t* name, CFeature* parent = nullptr, int kind = CFeature::kOrdinary)
    {
        if (!m_first)
            m_first = feature;
        feature->m_name = name;
        feature->m_title = name;
        feature->m_display = ++m_count;
        feature->m_level = 1;
        feature->m_fakeKind = kind;
        feature->m_validStates = kAllValidStates;
        feature->m_componentCount = 1;
        if (kind == CFeature::kOrdinary || kind == CFeature::kThirdParty) {
            m_parts.emplace_back(new CPart);
            feature->m_part = m_parts.back().get();
        }
        if (parent)
            parent->AddChildSorted(feature);
        else if (feature != m_first)
            LastTopLevel()->InsertSiblingAfter(feature);
        return feature;
    }
    CFeature* First() const { return m_first; }
    CFeature* operator[](const wchar_t* name) const { return &m_first->FindFeature(name); }
    // Installed and planned as the same state.
    void SetInstalled(CFeature* feature, int state)
    {
        feature->m_installedState = state;
        feature->m_actionState = state;
    }
    // "name=state" for every feature in tree order.
    std::wstring ActionStates() const
    {
        std::wstring text;
        for (const CFeature* f = m_first->GetRoot()->GetFirstSibling(); f; f = f->GetNextInTree())
            text += std::wstring(f->GetName()) + L"=" + std::to_wstring(f->GetActionState()) + L" ";
        return text;
    }

    // The same with each feature's effective request.
    std::wstring EffectiveRequests() const
    {
        std::wstring text;
        for (const CFeature* f = m_first->GetRoot()->GetFirstSibling(); f; f = f->GetNextInTree())
            text += std::wstring(f->GetName()) + L"=" + std::to_wstring(f->GetEffectiveRequest()) + L" ";
        return text;
    }

private:
    CFeature* LastTopLevel() const
    {
        CFeature* last = m_first->GetRoot();
        while (last->GetNextSibling())
            last = last->GetNextSibling();
        return last;
    }

    CFeature* m_first = nullptr;
    int m_count = 0;
    std::vector<std::unique_ptr<CFeature>> m_features;
    std::vector<std::unique_ptr<CPart>> m_parts;
};

inline FeatureSubsetMap Subset(std::initializer_list<CFeature*> features)
{
    FeatureSubsetMap subset;
    for (CFeature* feature : features)
        subset.emplace(feature, 0);
    return subset;
}

}  // namespace featuretest
