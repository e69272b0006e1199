#include "FeatureTree.h"

#include <msi.h>

#include <map>
#include <set>
#include <typeinfo>

#include "ApplicationServices.h"
#include "DependencyRow.h"
#include "Distribution.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiInstaller.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "SystemInfoClient.h"

namespace {

// A table's rows by feature key, read on first use with a query whose first field is the key:
// for each feature its first row, the one a query by key would fetch first.
class FeatureRowIndex {
public:
    FeatureRowIndex(MsiDatabase& database, const wchar_t* sql) : m_database(database), m_sql(sql) { }

    // The first row with the feature's key; null when there is none.
    MsiRecord* Find(const CString& feature)
    {
        if (!m_read) {
            MsiSmartPtr<MsiView> view = m_database.OpenView(L"%s", m_sql);
            view->Execute();
            while (MsiSmartPtr<MsiRecord> row = view->Fetch()) {
                const CString key = row->GetMfcString(1);
                m_rows.emplace(key, row);
            }
            m_read = true;
        }
        const auto found = m_rows.find(feature);
        return found == m_rows.end() ? nullptr : found->second.Get();
    }

private:
    MsiDatabase& m_database;
    const wchar_t* m_sql;
    bool m_read = false;
    std::map<CString, MsiSmartPtr<MsiRecord>> m_rows;
};

}  // namespace

// What loading asks the merged package about every feature: the tables it has, the features that
// have children, and the rows of the tables by feature, each table read once.
struct CFeatureTree::LoadContext {
    explicit LoadContext(MsiSession& session)
        : session(session), database(session.GetActiveDatabase()),
          hasFeatureProduct(database->TableExists(L"ZKFeatureProduct")),
          hasFakeFeature(database->TableExists(L"ZKFakeFeature")),
          hasTransitive(database->TableExists(L"ZKFeatureTransitive")),
          hasTransitiveAttributes(database->TableExists(L"ZKFeatureTransitiveAttributes")),
          featureTables(std::make_shared<const FeatureTables>(*database)),
          featureProduct(*database, L"SELECT `Feature_`, `ProductCode` FROM ZKFeatureProduct"),
          fakeFeature(*database, L"SELECT `Feature_` FROM ZKFakeFeature WHERE `Type`=1"),
          featureComponent(*database, L"SELECT `Feature_` FROM FeatureComponents"),
          transitive(*database, L"SELECT Feature_ FROM ZKFeatureTransitive"),
          transitiveAttributes(*database, L"SELECT Feature_, Attributes FROM ZKFeatureTransitiveAttributes")
    {
        // The children of a feature are asked for only when some row names it as its parent.
        MsiSmartPtr<MsiView> parents = database->OpenView(L"SELECT Feature_Parent FROM Feature");
        parents->Execute();
        while (MsiSmartPtr<MsiRecord> row = parents->Fetch())
            parentNames.insert(row->GetMfcString(1));
    }

    MsiSession& session;
    MsiSmartPtr<MsiDatabase> database;
    const bool hasFeatureProduct;
    const bool hasFakeFeature;
    const bool hasTransitive;
    const bool hasTransitiveAttributes;
    // What every feature asks of the optional tables, asked once.
    const std::shared_ptr<const FeatureTables> featureTables;
    FeatureRowIndex featureProduct;
    FeatureRowIndex fakeFeature;
    FeatureRowIndex featureComponent;
    FeatureRowIndex transitive;
    FeatureRowIndex transitiveAttributes;
    std::set<CString> parentNames;
};

CFeatureTree::CFeatureTree(CDistribution& distribution) : m_distribution(distribution), m_root(nullptr) { }

CFeatureTree::~CFeatureTree()
{
    for (CFeature* feature : m_features)
        delete feature;
}

CFeature* CFeatureTree::CreateFeature()
{
    m_features.push_back(nullptr);
    m_features.back() = new CFeature;
    return m_features.back();
}

void CFeatureTree::Load(MsiSession& session)
{
    LoadContext context(session);
    LoadChildren(context, nullptr);
    AddInstalledProductPlaceholders(session, *context.database, context.featureTables);
}

void CFeatureTree::LoadChildren(LoadContext& context, CFeature* parent)
{
    MsiSmartPtr<MsiView> view = context.database->OpenView(
        L"SELECT Feature, Feature_Parent, Title, Description, Display, Level, Directory_, Attributes FROM Feature "
        L"WHERE Feature_Parent=? ORDER BY Feature.Display");
    view->ExecuteWith(parent ? static_cast<const wchar_t*>(parent->GetName()) : L"");

    CFeature* previous = nullptr;
    while (MsiSmartPtr<MsiRecord> row = view->Fetch()) {
        CFeature* feature = CreateFeature();
        const CString name = row->GetMfcString(1);
        const CString title = row->GetMfcString(3);
        const CString description = row->GetMfcString(4);
        const int display = row->GetIntegerOrDefault(5, 0);
        const int level = row->GetInteger(6);
        DWORD attributes = static_cast<DWORD>(row->GetInteger(8));
        const CString directory = row->GetMfcString(7);

        CString partFeatureName;
        CPart* part = nullptr;
        CString productCode;
        if (MsiRecord* product = context.hasFeatureProduct ? context.featureProduct.Find(name) : nullptr) {
            productCode = product->GetMfcString(2);
            part = &m_distribution.GetPartByProductCode(productCode);
            partFeatureName = name;
        }

        if (part && context.hasFakeFeature && context.fakeFeature.Find(name)) {
            if (context.featureComponent.Find(name))
                throw InvalidFakeFeature(".\\FeatureTree.cpp", __LINE__, name);
            part = nullptr;
            partFeatureName.Empty();
        }

        bool transitive = false;
        DWORD transitiveAttributes = 0;
        if (context.hasTransitive && context.transitive.Find(name)) {
            transitive = true;
            MsiRecord* found = context.hasTransitiveAttributes ? context.transitiveAttributes.Find(name) : nullptr;
            if (found)
                transitiveAttributes = static_cast<DWORD>(found->GetInteger(2));
        }

        int request = -1;
        bool disallowAbsent = false;
        AppServices().GetFeatureRequest(name, request, disallowAbsent);
        if (disallowAbsent)
            attributes |= CFeature::kAttrDisallowAbsent;

        feature->UseTables(context.featureTables);
        feature->Initialize(name, partFeatureName, title, description, display, level, directory, attributes,
            transitive, transitiveAttributes, part, &context.session, request, false);

        if (previous)
            previous->InsertSiblingAfter(feature);
        else if (parent)
            parent->AddChildSorted(feature);
        else
            m_root = feature;
        previous = feature;
        if (context.parentNames.count(name))
            LoadChildren(context, feature);
    }
}

void CFeatureTree::AddInstalledProductPlaceholders(
    MsiSession& session, MsiDatabase& database, const std::shared_ptr<const FeatureTables>& tables)
{
    CFeature* last = m_root;
    while (last && last->GetNextSibling())
        last = last->GetNextSibling();

    SysInfoPtr<IZKSystemInfo> systemInfo = GetSystemInfoObject();
    SysInfoPtr<IZKInstalledProductCollection> products;
    CheckSysInfo(systemInfo->GetInstalledProducts(products.Out()));
    long count = 0;
    CheckSysInfo(products->GetCount(&count));
    for (long i = 1; i <= count; ++i) {
        SysInfoPtr<IZKInstalledProduct> product;
        CheckSysInfo(products->GetItem(i, product.Out()));
        SysInfoText codeText;
        CheckSysInfo(product->GetProductCode(codeText.Out()));
        const CString productCode = codeText.ToString();

        bool needed = false;
        CString productName;
        try {
            productName = MsiInstaller::GetInstance()->GetMfcProductInfo(productCode, L"ProductName");
            try {
                const CPart& part = m_distribution.GetPartByProductCode(productCode);
                needed = !part.GetUpgradeTable()->AllowsInstall();
            } catch (const ObjectNotFound&) {
                needed = true;
            }
        } catch (const MsiInstallerError& error) {
            if (error.GetCode() != ERROR_UNKNOWN_PRODUCT)
                throw;
            AppServices().GetLogStream(kLogInfo, 0)
                << L"INFO: Detected msi product in possible 1605 state detected: " << std::endl
                << L"Product: " << static_cast<const wchar_t*>(productCode) << std::endl;
        }
        if (!needed)
            continue;

        CString label;
        label.Format(L"InstalledProd%d", static_cast<int>(i));
        SysInfoPtr<IZKDependencyRecordCollection> dependencies;
        CheckSysInfo(product->GetDependencies(dependencies.Out()));
        long dependencyCount = 0;
        CheckSysInfo(dependencies->GetCount(&dependencyCount));
        int rowsAdded = 0;
        for (long k = 1; k <= dependencyCount; ++k) {
            SysInfoPtr<IZKDependencyRecord> record;
            CheckSysInfo(dependencies->GetItem(k, record.Out()));
            SysInfoText upgradeCode, subset, versionMin, versionMax, languages, feature, condition;
            long attributes = 0;
            CheckSysInfo(record->GetUpgradeCode(upgradeCode.Out()));
            CheckSysInfo(record->GetFeature(feature.Out()));

            bool inDistribution = false;
            bool featureInstalled = false;
            for (DWORD index = 0;; ++index) {
                wchar_t related[39] = {};
                if (MsiApi().MsiEnumRelatedProductsW(upgradeCode.ToString(), 0, index, related) != ERROR_SUCCESS)
                    break;
                try {
                    m_distribution.GetPartByProductCode(related);
                } catch (const ObjectNotFound&) {
                    continue;
                }
                inDistribution = true;
                if (MsiApi().MsiQueryFeatureStateW(productCode, feature.ToString()) >= INSTALLSTATE_LOCAL)
                    featureInstalled = true;
            }
            if (!inDistribution || !featureInstalled)
                continue;

            CheckSysInfo(record->GetSubsetName(subset.Out()));
            CheckSysInfo(record->GetVersionMin(versionMin.Out()));
            CheckSysInfo(record->GetVersionMax(versionMax.Out()));
            CheckSysInfo(record->GetLanguages(languages.Out()));
            CheckSysInfo(record->GetAttributes(&attributes));
            CheckSysInfo(record->GetCondition(condition.Out()));
            m_distribution.m_dependencyRows.push_back(CZkDependencyRow(upgradeCode.ToString(), subset.ToString(),
                versionMin.ToString(), versionMax.ToString(), languages.ToString(), static_cast<DWORD>(attributes),
                label, nullptr, condition.ToString(), &database));
            ++rowsAdded;
        }
        if (rowsAdded == 0)
            continue;

        CFeature* placeholder = CreateFeature();
        CString description;
        description.Format(
            L"Placeholder for dependencies from installed product %s", static_cast<const wchar_t*>(productCode));
        placeholder->UseTables(tables);
        placeholder->Initialize(label, label, productName, description, 0, 1, L"",
            CFeature::kAttrDisallowAdvertise | CFeature::kAttrDisallowAbsent, false, 0, nullptr, &session,
            INSTALLSTATE_LOCAL, true);
        if (last)
            last->InsertSiblingAfter(placeholder);
        else
            m_root = placeholder;
        last = placeholder;
    }
}

CFeature& CFeatureTree::FindFeature(const wchar_t* name) const
{
    for (CFeature* feature = m_root; feature; feature = feature->GetNextInTree()) {
        if (feature->GetName() == name)
            return *feature;
    }
    throw ObjectNotFound(
        ".\\FeatureTree.cpp", __LINE__, typeid(CFeature), L"Key", name, L"In call to CFeatureTree::FindFeature");
}

CFeature* CFeatureTree::FindFeatureInPart(const wchar_t* partFeatureName, const wchar_t* productCode) const
{
    for (CFeature* feature = m_root; feature; feature = feature->GetNextInTree()) {
        if (feature->GetPartFeatureName() == partFeatureName && feature->GetPart()
            && feature->GetPart()->GetProductCode() == productCode)
            return feature;
    }
    return nullptr;
}

CFeature* CFeatureTree::GetNext(const CFeature* feature) const
{
    return feature ? feature->GetNextInTree() : m_root;
}

CFeature* CFeatureTree::GetNextSibling(const CFeature* feature)
{
    return feature ? feature->GetNextSibling() : nullptr;
}

CFeature* CFeatureTree::GetPrevSibling(const CFeature* feature)
{
    return feature ? feature->GetPrevSibling() : nullptr;
}

CFeature* CFeatureTree::GetParent(const CFeature* feature)
{
    return feature ? feature->GetParent() : nullptr;
}

CFeature* CFeatureTree::GetFirstChild(const CFeature* feature)
{
    return feature ? feature->GetFirstChild() : nullptr;
}

bool CFeatureTree::AnyFeatureMarked() const
{
    for (CFeature* feature = m_root; feature; feature = feature->GetNextInTree()) {
        if (feature->IsChanged())
            return true;
    }
    return false;
}

void CFeatureTree::GetComponentAction(MsiDatabase& database, const wchar_t* component, const wchar_t* condition,
    int attributes, int& installed, int& action, CFeature** decider) const
{
    if (decider)
        *decider = nullptr;
    if (!m_root) {
        installed = INSTALLSTATE_ABSENT;
        action = INSTALLSTATE_UNKNOWN;
        return;
    }
    m_root->ComputeComponentAction(database, component, condition, attributes, installed, action, decider, false);
}

void CFeatureTree::GetComponentStates(
    MsiDatabase& database, const wchar_t* component, int& installed, int& action, CFeature** decider) const
{
    if (decider)
        *decider = nullptr;
    if (!m_root) {
        installed = INSTALLSTATE_ABSENT;
        action = INSTALLSTATE_UNKNOWN;
        return;
    }
    m_root->ComputeComponentStates(database, component, installed, action, decider, false);
}
