// The installation-type page (state 5): the configured installation types as a column of
// options, each a radio button with its label, a 48 by 48 icon and a word-wrapped description,
// separated by etched lines. Next sets the chosen type's install level, shows the feature page
// only for a custom type and, for any other type, checks the disk space before moving on.
#pragma once

#include <memory>
#include <vector>

#include "Button.h"
#include "Geometry.h"
#include "NestedInstallerDialog.h"
#include "Static.h"

struct InstallationType;
class CInstallationTypeDialog;

// One option of the column: its windows, its icon and where they lie on the page.
struct InstallTypeOption {
    InstallTypeOption(CInstallationTypeDialog& page, const InstallationType& type) : page(page), type(type) { }
    ~InstallTypeOption();
    InstallTypeOption(const InstallTypeOption&) = delete;
    InstallTypeOption& operator=(const InstallTypeOption&) = delete;

    // Places the option with its top left corner at (x, y), its right edge at `right`, and sets
    // its bottom.
    void Layout(int x, int y, int right);
    int Height() const { return bottom - top; }

    CInstallationTypeDialog& page;
    const InstallationType& type;
    HICON icon = nullptr;
    CRect iconRect;
    CButton radio;
    CStatic description;
    POINT lineStart = {};
    POINT lineEnd = {};
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class CInstallationTypeDialog : public CNestedInstallerDialog {
public:
    // The column's margins and the gap between an icon and its description, in pixels.
    static constexpr int kLeftMargin = 50;
    static constexpr int kTopMargin = 5;
    static constexpr int kRightMargin = 50;
    static constexpr int kBottomMargin = 5;
    static constexpr int kGap = 2;
    static constexpr int kIconSize = 48;

    CInstallationTypeDialog(eDialogState state, CTopDialog* frame);
    ~CInstallationTypeDialog() override;

    UINT GetTitleId() override;
    UINT GetSubtitleId() override;
    // Answers for the feature page only: shown for a custom type (or when there is no type).
    BOOL QueryPageVisibility(eDialogState state, bool& show) override;
    BOOL OnNext() override;
    // The options' icons and etched lines.
    void OnPaintExtra(CDC* dc) override;

    // Every linked distribution passes its level on to its child installer exactly when the
    // chosen type is custom.
    void ApplyCustomFlagToLinkedDistributions();

    size_t GetOptionCount() const { return m_options.size(); }
    const InstallTypeOption& GetOption(size_t index) const { return *m_options[index]; }
    int GetChosenIndex() const { return m_nChosen; }
    // The font the options are drawn and measured in (the frame's Cancel button's).
    HFONT GetOptionFont() const { return m_hFont; }

    // The size of a check-box glyph, measured once per process.
    static SIZE GetCheckGlyphSize();

protected:
    BOOL OnInitDialog() override;
    void OnLButtonUp(UINT flags, POINT point);
    void OnShowWindow(BOOL show, UINT status);
    DECLARE_MESSAGE_MAP()

protected:
    // The distribution's work, replaceable for tests: the install level applied with its
    // selection, the disk cost of the selection (ERROR_DISK_FULL when a volume is short) and the
    // disk-cost dialog in its insufficient-space mode (its result).
    virtual void SetInstallLevel(int level);
    virtual UINT ComputeDiskCost();
    virtual INT_PTR RunDiskCostDialog();

private:
    // The chosen type; null without options.
    const InstallationType* GetChosenType() const;
    // Unchecks every radio button but the option's.
    void Choose(size_t index);
    void CreateOptions();
    void LayoutOptions();

    std::vector<std::unique_ptr<InstallTypeOption>> m_options;
    int m_nChosen;
    HFONT m_hFont;

    static SIZE s_checkGlyph;
};
