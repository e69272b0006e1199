// Broken dependencies of an installed product that no part of the distribution fixes, given to
// features made by hand.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "BrokenDependencies.h"
#include "Distribution.h"
#include "Feature.h"
#include "ModelTestSupport.h"

class UnfixableBrokenDependencies {
public:
    UnfixableBrokenDependencies() : m_systemInfo(modeltest::CreateFakeSystemInfo(m_data))
    {
        m_data.partInfos
            = {{L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A99}", {}, L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A98}", {}}};
    }
    ~UnfixableBrokenDependencies() { m_systemInfo->Release(); }
    UnfixableBrokenDependencies(const UnfixableBrokenDependencies&) = delete;
    UnfixableBrokenDependencies& operator=(const UnfixableBrokenDependencies&) = delete;

    // `feature` breaks the installed product's dependency (the distribution has no part that
    // would replace the product).
    void Break(CFeature* feature)
    {
        IZKPartInfoList* list = nullptr;
        ASSERT_EQ(S_OK, m_systemInfo->GetPartInfoList(&list));
        IZKPartInfo* part = nullptr;
        ASSERT_EQ(S_OK, list->GetItem(1, &part));
        m_dependencies.emplace_back(new CBrokenDependency(feature->GetPart()));
        m_dependencies.back()->Populate(part, m_distribution);
        feature->AddBrokenDependency(m_dependencies.back().get());
        part->Release();
        list->Release();
    }

private:
    modeltest::FakeSystemInfoData m_data;
    IZKSystemInfo* m_systemInfo;
    CDistribution m_distribution;
    std::vector<std::unique_ptr<CBrokenDependency>> m_dependencies;
};
