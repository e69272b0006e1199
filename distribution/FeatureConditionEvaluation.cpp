// Conditions that test features: references to the model's features are replaced by the states
// the model gives them before the merged package's session evaluates the text.
#include "Distribution.h"

#include <cwctype>

#include "Feature.h"
#include "InstallerErrors.h"
#include "MsiSession.h"

namespace {

bool IsFeatureNameCharacter(wchar_t ch)
{
    return std::iswalnum(ch) || ch == L'.' || ch == L'_';
}

// Replaces every `op` followed by the name of a feature of the tree by the state `state` gives
// it; names the tree does not know stay for the engine.
template <typename State>
void ReplaceFeatureReferences(CString& text, wchar_t op, const CFeatureTree& tree, State state)
{
    int position = 0;
    for (;;) {
        const int found = text.Find(op, position);
        if (found < 0)
            return;
        int end = found + 1;
        while (end < text.GetLength() && IsFeatureNameCharacter(text[end]))
            ++end;
        const CString name = text.Mid(found + 1, end - found - 1);
        try {
            const CFeature& feature = tree.FindFeature(name);
            CString number;
            number.Format(L"%d", state(feature));
            text = text.Left(found) + number + text.Mid(end);
            position = found + number.GetLength();
        } catch (const ObjectNotFound&) {
            position = found + 1;
        }
    }
}

}  // namespace

CString CDistribution::ReplaceFeatureStates(const wchar_t* condition) const
{
    CString text = condition;
    ReplaceFeatureReferences(text, L'&', m_featureTree, [](const CFeature& f) { return f.GetActionState(); });
    ReplaceFeatureReferences(text, L'!', m_featureTree, [](const CFeature& f) { return f.GetCurrentState(); });
    return text;
}

MSICONDITION CDistribution::EvaluateFeatureCondition(const wchar_t* condition) const
{
    return GetSession()->EvaluateCondition(ReplaceFeatureStates(condition));
}
