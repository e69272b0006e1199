#include "SummaryBlocks.h"

#include <windows.h>

#include <msi.h>

#include <map>
#include <new>
#include <string>

#include "ApplicationServices.h"
#include "BrokenDependencies.h"
#include "Distribution.h"
#include "Feature.h"
#include "FeatureTree.h"
#include "InstallerErrors.h"
#include "LinkedDistribution.h"
#include "Part.h"
#include "RichText.h"
#include "SystemInfoClient.h"
#include "resource.h"

static const char kSource[] = "ConfirmStartDialog";

namespace {

// The line that the component's failures while the broken products are listed are reported at.
const int kBrokenProductsFailureLine = 861;

// Each level of visible ancestors indents a line by this much.
const LONG kNestingIndentTwips = 360;
// Windows' reason for a feature blocked by a higher installed version.
const int kBlockedByHigherVersion = 1;
// IsOSExcluded's kind asked under 64-bit Windows.
const int kExcludedOn64Bit = 2;

const ParaBulletModifier s_bulletModifier(TRUE);
const ParaLeftIndentModifier s_nestingModifier(kNestingIndentTwips, TRUE);
const FontEffectModifier<CFE_BOLD> s_titleBoldModifier(TRUE);
const FontEffectModifier<CFE_UNDERLINE> s_titleUnderlineModifier(TRUE);
const IFormatModifier* const s_titleModifiers[]
    = {&g_leftIndentModifier, &g_rightIndentModifier, &s_titleBoldModifier, &s_titleUnderlineModifier, nullptr};

FormatModifierList BodyList()
{
    return FormatModifierList(g_bodyIndentModifiers);
}

// A bulleted line, one level in, of the body's list; then the bullet taken off for what follows.
void WriteBulletedLine(ISummaryWriter& writer, const CString& text)
{
    FormatModifierList bulleted = BodyList();
    bulleted.Add(&s_bulletModifier);
    bulleted.Add(&s_nestingModifier);
    writer.Append(text + L"\r\n", bulleted);
}

CString FormatWithTitle(UINT formatId, const CString& title)
{
    CString text;
    text.FormatMessage(formatId, static_cast<const wchar_t*>(title));
    return text;
}

bool IsReinstalling(const CFeature& feature)
{
    if (AppServices().IsReinstallRequested())
        return true;
    const CPart* part = feature.GetPart();
    const CPart::UpgradeTable* upgrades = part ? part->GetUpgradeTable() : nullptr;
    return upgrades && upgrades->GetUpgradeMode() == CPart::UpgradeTable::kMinorUpgrade;
}

}  // namespace

void RichEditSummaryWriter::Append(const wchar_t* text, const FormatModifierList& modifiers)
{
    AppendRichText(m_control, text, modifiers, false);
}

bool ISummaryBlock::GetTitle(CString& title) const
{
    title = LoadResourceString(m_titleId);
    return true;
}

// ---- FeatureListBlock

FeatureListBlock::FeatureListBlock(UINT titleId, Kind kind, CDistribution& distribution)
    : ISummaryBlock(titleId), m_kind(kind), m_distribution(distribution), m_bPartMatch(false)
{
    Collect(distribution.GetFeatureTree().GetRoot());
    if (m_kind == kCannotInstall)
        return;
    for (size_t i = 0; i < distribution.GetPartCount() && !m_bPartMatch; ++i) {
        CPart* part = distribution.GetPart(i);
        m_bPartMatch = m_kind == kUpgrading ? part->IsUpgrading()
            : m_kind == kAddingOrChanging   ? part->IsInstallingOrReinstalling()
                                            : part->IsRemoving();
    }
}

bool FeatureListBlock::Changes(CFeature& feature) const
{
    if (feature.IsBlocked())
        return false;
    const int current = feature.GetCurrentState();
    return feature.GetActionState() != current || (current >= INSTALLSTATE_LOCAL && IsReinstalling(feature));
}

bool FeatureListBlock::HasChangingDescendant(CFeature& feature) const
{
    for (CFeature* child = feature.GetFirstChild(); child; child = child->GetNextSibling()) {
        if (Changes(*child) || HasChangingDescendant(*child))
            return true;
    }
    return false;
}

// Adds the feature's own line when the block's kind lists it; true when it did.
bool FeatureListBlock::AddLine(CFeature& feature)
{
    CPart* part = feature.GetPart();
    const bool hidden = feature.IsHidden(false);
    const bool absent = feature.GetActionState() == INSTALLSTATE_ABSENT;
    Line line = {&feature, CString(), CString(), false};
    switch (m_kind) {
    case kAddingOrChanging: {
        const bool upgrading = part && part->IsUpgrading();
        if (hidden || absent || upgrading)
            return false;
        // A collapsed feature stands for its changed subfeatures.
        if (!Changes(feature) && (feature.IsDisplayExpanded() || !HasChangingDescendant(feature)))
            return false;
        break;
    }
    case kRemoving:
        if (hidden || !absent || !Changes(feature))
            return false;
        break;
    case kUpgrading: {
        if (!part || !part->IsUpgrading())
            return false;
        if (Changes(feature)) {
            if (absent || !feature.IsShownExpanded())
                return false;
            break;
        }
        if (!feature.IsDisabledByCondition())
            return false;
        const int related = feature.IsInstalledInRelatedProduct();
        if (related != 1 && related != -1)
            return false;
        CString name;
        if (!feature.IsHidden(true)) {
            name = feature.GetTitle();
        } else if (const CFeature* visible = feature.FindVisibleSelfOrAncestor()) {
            name = FormatWithTitle(IDS_SUMMARY_COMPONENTS_OF, visible->GetTitle());
        } else {
            name = LoadResourceString(IDS_SUMMARY_VENDOR_COMPONENTS);
        }
        if (related == 1) {
            line.text = FormatWithTitle(IDS_SUMMARY_NO_LONGER_AVAILABLE, name);
            line.prefix = LoadResourceString(IDS_SUMMARY_WARNING);
        } else {
            line.text = FormatWithTitle(IDS_SUMMARY_NOT_AVAILABLE, name);
        }
        line.warning = true;
        break;
    }
    case kCannotInstall: {
        if (Changes(feature))
            return false;
        int reason = 0;
        UINT why = 0;
        if (!hidden && feature.IsBlocked(&reason)) {
            why = reason == kBlockedByHigherVersion ? IDS_SUMMARY_HIGHER_VERSION : IDS_SUMMARY_INCOMPATIBLE;
        } else if (!feature.IsHidden(true) && part && part->IsOSExcluded(kExcludedOn64Bit)) {
            why = IDS_SUMMARY_64BIT_INCOMPATIBLE;
        } else {
            return false;
        }
        line.text = feature.GetTitle() + L" " + LoadResourceString(why);
        break;
    }
    }
    m_lines.push_back(line);
    return true;
}

void FeatureListBlock::Collect(CFeature* first)
{
    for (CFeature* feature = first; feature; feature = CFeatureTree::GetNextSibling(feature)) {
        if (feature->IsFakeFeature(CFeature::kLinkedDist))
            continue;
        const bool listed = AddLine(*feature);
        const size_t descendantsStart = m_lines.size();
        if (feature->IsDisplayExpanded() || m_kind == kUpgrading)
            Collect(feature->GetFirstChild());
        if (m_lines.size() == descendantsStart)
            continue;
        if (m_kind == kRemoving && listed) {
            m_lines[descendantsStart - 1].text = FormatWithTitle(IDS_SUMMARY_ALL_OF, feature->GetTitle());
        } else if (!listed && (m_kind != kUpgrading || !feature->IsHidden(false))) {
            Line heading = {feature, CString(), CString(), false};
            if (m_kind == kRemoving)
                heading.text = FormatWithTitle(IDS_SUMMARY_ONLY_FOLLOWING, feature->GetTitle());
            m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(descendantsStart), heading);
        }
    }
}

void FeatureListBlock::Render(ISummaryWriter& writer) const
{
    RenderLines(m_lines, m_bPartMatch, writer);
}

void FeatureListBlock::RenderLines(const std::vector<Line>& lines, bool partMatch, ISummaryWriter& writer)
{
    const FormatModifierList warningList(g_warningModifiers);
    const Line* previous = nullptr;
    for (const Line& line : lines) {
        // One warning per visible feature.
        if (previous && line.warning && previous->warning
            && line.feature->FindVisibleSelfOrAncestor() == previous->feature->FindVisibleSelfOrAncestor())
            continue;
        previous = &line;

        FormatModifierList unbulleted = BodyList();
        bool nested = false;
        for (const CFeature* ancestor = line.feature->GetParent(); ancestor; ancestor = ancestor->GetParent()) {
            if (!ancestor->IsHidden(true)) {
                unbulleted.Add(&s_nestingModifier);
                nested = true;
            }
        }
        FormatModifierList list = unbulleted;
        if (!nested)
            list.Add(&s_bulletModifier);

        if (!line.prefix.IsEmpty()) {
            writer.Append(line.prefix, warningList);
            writer.Append(L" ", list);
        }
        const CString text = line.text.IsEmpty() ? line.feature->GetTitle() : line.text;
        writer.Append(text + L"\r\n", list);
        if (!nested)
            writer.Append(L"", unbulleted);
    }
    if (lines.empty() && partMatch) {
        FormatModifierList bulleted = BodyList();
        bulleted.Add(&s_bulletModifier);
        writer.Append(LoadResourceString(IDS_SUMMARY_SYSTEM_COMPONENTS) + L"\r\n", bulleted);
        writer.Append(L"", BodyList());
    }
}

// ---- LinkedDistBlock

LinkedDistBlock::LinkedDistBlock(UINT titleId, CDistribution& distribution) : ISummaryBlock(titleId)
{
    const CFeatureTree& tree = distribution.GetFeatureTree();
    for (CFeature* feature = tree.GetRoot(); feature; feature = tree.GetNext(feature)) {
        if (!feature->IsFakeFeature(CFeature::kLinkedDist))
            continue;
        const CFeature::LinkedDistFakeFeature& menu = feature->GetLinkedDistFakeFeature();
        if (menu.GetMenuItemCount() == 0
            || menu.GetMenuItemType(menu.GetSelectedItem()) == CFeature::LinkedDistFakeFeature::kTypeLeaveOut)
            continue;
        if (const CLinkedDistribution* linked = menu.GetLinkedDistribution())
            m_titles.push_back(linked->m_strTitle);
    }
}

void LinkedDistBlock::Render(ISummaryWriter& writer) const
{
    writer.Append(LoadResourceString(IDS_SUMMARY_PROMPTS_INTRO) + L"\r\n", BodyList());
    for (const CString& title : m_titles)
        WriteBulletedLine(writer, title);
    writer.Append(L"", BodyList());
}

// ---- BrokenProductsBlock

BrokenProductsBlock::BrokenProductsBlock(UINT titleId, CDistribution& distribution, const CString& backCaption)
    : ISummaryBlock(titleId), m_backCaption(backCaption)
{
    std::map<std::wstring, CString> products;
    try {
        for (size_t i = 0; i < distribution.GetBrokenDependencyCount(); ++i) {
            CBrokenDependency& broken = distribution.GetBrokenDependency(i);
            if (!broken.GetPart()->IsInstallingOrReinstalling() || broken.IsFixedBySelection())
                continue;
            for (size_t n = 0; n < broken.GetItemCount(); ++n) {
                SysInfoPtr<IZKPartInfo> dependent = broken.GetDependency(n);
                SysInfoPtr<IZKProductCollection> collection;
                CheckSysInfo(dependent->GetProducts(collection.Out()));
                long count = 0;
                CheckSysInfo(collection->GetCount(&count));
                for (long item = 1; item <= count; ++item) {
                    SysInfoPtr<IZKProductInfo> product;
                    CheckSysInfo(collection->GetItem(item, product.Out()));
                    SysInfoText name;
                    SysInfoText detail;
                    CheckSysInfo(product->GetName(name.Out()));
                    CheckSysInfo(product->GetNameDetail(detail.Out()));
                    CString line = name.ToString();
                    const CString detailText = detail.ToString();
                    if (!detailText.IsEmpty())
                        line += L" (" + detailText + L")";
                    products.emplace(static_cast<const wchar_t*>(name.ToString()), line);
                }
            }
        }
    } catch (const SysInfoComError& error) {
        if (error.GetResult() == E_OUTOFMEMORY)
            throw std::bad_alloc();
        CString debug;
        debug.Format(L"Unexpected error while handling broken dependencies. Result=%08x",
            static_cast<unsigned int>(error.GetResult()));
        throw ZKSystemInfoFailure(kSource, kBrokenProductsFailureLine, debug);
    }
    for (const auto& product : products)
        m_products.push_back(product.second);
}

void BrokenProductsBlock::Render(ISummaryWriter& writer) const
{
    writer.Append(LoadResourceString(IDS_SUMMARY_BROKEN_INTRO) + L"\r\n", BodyList());
    for (const CString& product : m_products)
        WriteBulletedLine(writer, product);
    CString back = m_backCaption;
    back.Remove(L'<');
    back.Remove(L'&');
    back.Trim();
    writer.Append(FormatWithTitle(IDS_SUMMARY_BROKEN_ADVICE, back) + L"\r\n", BodyList());
}

// ---- NothingToDoBlock

void NothingToDoBlock::Render(ISummaryWriter& writer) const
{
    writer.Append(LoadResourceString(IDS_SUMMARY_NOTHING_TEXT) + L"\r\n", BodyList());
}

// ---- The summary

int WriteInstallSummary(CDistribution& distribution, const CString& backCaption, ISummaryWriter& writer)
{
    std::vector<std::unique_ptr<ISummaryBlock>> blocks;
    blocks.emplace_back(new FeatureListBlock(IDS_SUMMARY_CANNOT_INSTALL, FeatureListBlock::kCannotInstall, distribution));
    blocks.emplace_back(new FeatureListBlock(IDS_SUMMARY_UPGRADING, FeatureListBlock::kUpgrading, distribution));
    blocks.emplace_back(new FeatureListBlock(IDS_SUMMARY_ADDING, FeatureListBlock::kAddingOrChanging, distribution));
    blocks.emplace_back(new FeatureListBlock(IDS_SUMMARY_REMOVING, FeatureListBlock::kRemoving, distribution));
    blocks.emplace_back(new LinkedDistBlock(IDS_SUMMARY_PROMPTS, distribution));
    blocks.emplace_back(new BrokenProductsBlock(IDS_SUMMARY_BROKEN_PRODUCTS, distribution, backCaption));
    int withContent = 0;
    for (const auto& block : blocks) {
        if (block->HasContent())
            ++withContent;
    }
    blocks.emplace_back(new NothingToDoBlock(IDS_SUMMARY_NOTHING_TITLE, withContent == 0));

    const FormatModifierList titleList(s_titleModifiers);
    bool written = false;
    for (const auto& block : blocks) {
        if (!block->HasContent())
            continue;
        if (written)
            writer.Append(L"\r\n", titleList);
        CString title;
        block->GetTitle(title);
        writer.Append(title + L"\r\n", titleList);
        block->Render(writer);
        written = true;
    }
    return withContent;
}
