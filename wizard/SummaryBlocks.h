// The confirmation page's summary: titled blocks of what the run is going to do, each built from
// the current state of the distribution model and written as formatted plain text.
//
//   RichEditSummaryWriter writer(richEdit);
//   if (WriteInstallSummary(distribution, backCaption, writer) == 0)
//       ...  // nothing to install or remove
#pragma once

#include <memory>
#include <vector>

#include "CString.h"
#include "RichTextModifiers.h"

class CDistribution;
class CFeature;
class CRichEditCtrl;

// Where the summary's pieces go: one piece of plain text in the list's formats.
class ISummaryWriter {
public:
    virtual ~ISummaryWriter() { }
    virtual void Append(const wchar_t* text, const FormatModifierList& modifiers) = 0;
};

// Appends each piece at the end of a rich edit control.
class RichEditSummaryWriter : public ISummaryWriter {
public:
    explicit RichEditSummaryWriter(CRichEditCtrl& control) : m_control(control) { }
    void Append(const wchar_t* text, const FormatModifierList& modifiers) override;

private:
    CRichEditCtrl& m_control;
};

class ISummaryBlock {
public:
    virtual ~ISummaryBlock() { }
    virtual bool HasContent() const = 0;
    // The block's title string; always true.
    virtual bool GetTitle(CString& title) const;
    virtual void Render(ISummaryWriter& writer) const = 0;

protected:
    explicit ISummaryBlock(UINT titleId) : m_titleId(titleId) { }

private:
    UINT m_titleId;
};

// Features that the run adds or changes, removes, upgrades or cannot install, in tree order,
// with headings for the features whose subfeatures are listed.
class FeatureListBlock : public ISummaryBlock {
public:
    enum Kind { kAddingOrChanging = 0, kRemoving = 1, kUpgrading = 2, kCannotInstall = 3 };

    FeatureListBlock(UINT titleId, Kind kind, CDistribution& distribution);

    bool HasContent() const override { return !m_lines.empty() || m_bPartMatch; }
    void Render(ISummaryWriter& writer) const override;

    struct Line {
        CFeature* feature;
        CString text;    // empty: the feature's title
        CString prefix;  // empty: none; else written bold red before the text
        bool warning;
    };
    const std::vector<Line>& GetLines() const { return m_lines; }
    // Writes the lines: bulleted at the top level, 360 twips further in for each visible
    // ancestor, one warning per visible feature; with no line but a part that matches, the
    // system-components line.
    static void RenderLines(const std::vector<Line>& lines, bool partMatch, ISummaryWriter& writer);

private:
    void Collect(CFeature* first);
    bool Changes(CFeature& feature) const;
    bool HasChangingDescendant(CFeature& feature) const;
    bool AddLine(CFeature& feature);

    Kind m_kind;
    CDistribution& m_distribution;
    std::vector<Line> m_lines;
    bool m_bPartMatch;
};

// The linked distributions whose source the run will ask for.
class LinkedDistBlock : public ISummaryBlock {
public:
    LinkedDistBlock(UINT titleId, CDistribution& distribution);
    bool HasContent() const override { return !m_titles.empty(); }
    void Render(ISummaryWriter& writer) const override;

private:
    std::vector<CString> m_titles;
};

// Installed products whose dependencies the run would break, by name.
class BrokenProductsBlock : public ISummaryBlock {
public:
    // `backCaption`: the caption of the frame's Back button, named in the advice.
    BrokenProductsBlock(UINT titleId, CDistribution& distribution, const CString& backCaption);
    bool HasContent() const override { return !m_products.empty(); }
    void Render(ISummaryWriter& writer) const override;

private:
    std::vector<CString> m_products;
    CString m_backCaption;
};

// "No software will be installed or removed." when no other block has anything to say.
class NothingToDoBlock : public ISummaryBlock {
public:
    NothingToDoBlock(UINT titleId, bool shown) : ISummaryBlock(titleId), m_bShown(shown) { }
    bool HasContent() const override { return m_bShown; }
    void Render(ISummaryWriter& writer) const override;

private:
    bool m_bShown;
};

// Builds the blocks from the model's current state and writes each block that has content under
// its bold underlined title, blocks separated by an empty line. Returns the number of blocks
// with content other than the nothing-to-do block (0: the run would change nothing).
int WriteInstallSummary(CDistribution& distribution, const CString& backCaption, ISummaryWriter& writer);
