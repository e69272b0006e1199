// Wizard pages and the page registry.
//
// A page is a child dialog of the wizard frame (CTopDialog): it draws the configured bitmaps and
// texts of its page, drives the frame's Back, Next and Cancel buttons and answers the frame's
// page protocol, a row of virtual operations whose defaults make a plain page.
//
// Every page registers itself, from a global factory constructed before the program's main
// function, in the registry `M_DialogInfoMap`: page state -> (page factory, configuration
// section name, configuration-record factory, user-interface mode mask). The frame creates a
// page through the registry the first time it shows it; the configuration asks it for every
// page's configuration record.
//
// A page of its own:
//
//   class CMyPage : public CNestedInstallerDialog {
//   public:
//       CMyPage(eDialogState state, CTopDialog* frame) : CNestedInstallerDialog(IDD_MY_PAGE, state, frame) { }
//       UINT GetTitleId() override { return IDS_MY_TITLE; }
//       UINT GetSubtitleId() override { return 0; }
//       BOOL OnNext() override;            // validate and store; FALSE keeps the page
//       void SetupButtons() override;      // after the defaults, whenever the page is shown
//   };
//   CNestedInstallerDialogFactory<kMyState, CMyPage> g_myPageFactory(UiFull, L"MyPage", new ...);
#pragma once

#include <windows.h>

#include <map>

#include "BaseDialog.h"
#include "ConfigInfo.h"
#include "DialogState.h"
#include "UiMode.h"

// The pages' CreateDialog members, not the API macro (which stands for CreateDialogParamW).
#undef CreateDialog

class CTopDialog;
class CNestedInstallerDialog;
class CRichEditCtrl;

// Creates the page of one state.
class INestedInstallerDialogFactory {
public:
    virtual ~INestedInstallerDialogFactory() { }
    virtual CNestedInstallerDialog* CreateDialog(CTopDialog* frame) = 0;
};

class CNestedInstallerDialog : public CBaseDialog {
public:
    // One registry row.
    struct DialogInfo {
        INestedInstallerDialogFactory* pFactory;            // not owned
        const wchar_t* pszName;                             // the configuration section
        CConfigInfo::IDialogConfigFactory* pConfigFactory;  // owned by the page factory
        unsigned int nModeMask;                             // user-interface modes of the page
    };
    typedef std::map<eDialogState, DialogInfo> DialogInfoMap;

    // The page of `state` from template `nIDTemplate` (0: a page that never becomes a window),
    // hosted by `frame`; its record is the configuration's record of the state (null when the
    // configuration has none).
    CNestedInstallerDialog(UINT nIDTemplate, eDialogState state, CTopDialog* frame);
    ~CNestedInstallerDialog() override;

    eDialogState GetState() const { return m_state; }
    CTopDialog* GetFrame() const { return m_pFrame; }
    UINT GetTemplateId() const { return m_nTemplateId; }
    CConfigInfo::DialogInfo* GetDialogInfo() const { return m_pDialogInfo; }

    // The page protocol: the frame asks, the page answers. Defaults make a plain page.
    // Whether the page has anything to show now (the frame skips it otherwise).
    virtual bool IsPageNeeded();
    // A page of the history may decide whether a later page `state` is shown: TRUE with `show`
    // set gives an opinion, FALSE none.
    virtual BOOL QueryPageVisibility(eDialogState state, bool& show);
    // After the page became current and visible; before it is hidden or the wizard ends.
    virtual void OnPageShown();
    virtual void OnPageHidden();
    // Cancel on the frame: asks string 124 (Yes, No); true ends the wizard.
    virtual bool ConfirmCancel();
    // Next and Back: true lets the frame move on.
    virtual BOOL OnNext();
    virtual BOOL OnBack();
    // An extra button of the frame (CTopDialog::AddButton) was clicked.
    virtual void OnExtraButton(UINT commandId);
    // The answer to the shell's "QueryCancelAutoPlay" while the page is current.
    virtual LRESULT CancelAutoPlay();
    // String ids of the banner's title and subtitle (0: none).
    virtual UINT GetTitleId() = 0;
    virtual UINT GetSubtitleId() = 0;
    // Drawing of the page's own after the bitmaps and texts.
    virtual void OnPaintExtra(CDC* dc);
    // The frame's buttons when the page is shown: the defaults (Next enabled and focused, Back,
    // Cancel, their standard captions) are applied first, then the page's override.
    virtual void SetupButtons();
    // The page's bitmaps and texts: the configuration record's unless overridden.
    virtual int GetGraphicCount();
    virtual bool GetGraphic(int index, HBITMAP* bitmap, RECT* target, RECT* bitmapRect);
    virtual int GetTextCount();
    // Text `index` with its rectangle in dialog units, its font merged over `font`, its drawing
    // flags and colour; false past the end.
    virtual bool GetText(int index, CString& text, RECT& rect, LOGFONTW& font, UINT& drawFlags, COLORREF& color);
    // Next (focused when enabling), Back and Cancel together.
    virtual void EnableButtons(bool enable);

    // The frame's buttons, forwarded to the frame.
    void EnableNext(bool enable, bool focus = true);
    void EnableBack(bool enable);
    void EnableCancel(bool enable);
    void ShowNextBack(bool show);
    void SetNextText(UINT stringId);
    void SetBackText(UINT stringId);
    void SetCancelText(UINT stringId);
    void BeginBusy();
    void EndBusy();

    // Fits the page to the frame's client area above its separator.
    void FitToFrame();

    // "&Save File...": the rich edit control's contents into a file the user names, as rich
    // text or plain text; a failure is shown in a message box.
    void SaveRichTextToFile(CRichEditCtrl& richEdit);

    // Registry operations.
    // Creates the map on first use; a state already present keeps its first row.
    static void Register(eDialogState state, INestedInstallerDialogFactory* factory, unsigned int modeMask,
        const wchar_t* name, CConfigInfo::IDialogConfigFactory* configFactory);
    // Removes the row and hands back its record factory (null when the state is not
    // registered); deletes the map when it becomes empty.
    static void Unregister(eDialogState state, CConfigInfo::IDialogConfigFactory*& configFactory);
    static CNestedInstallerDialog* CreateDialog(eDialogState state, CTopDialog* frame);
    static eDialogState GetNextDialogState(eDialogState state);
    static CConfigInfo::DialogInfo* CreateDialogConfig(eDialogState state, CConfigInfo& config);
    static bool IsDialogInMode(eDialogState state, unsigned int modeMask);
    // The section name the state is registered with; null when it is not registered.
    static const wchar_t* GetDialogName(eDialogState state);

    // The registry; null before the first registration and after the last unregistration.
    static DialogInfoMap* M_DialogInfoMap;

    // Seam: the cancel question's message box.
    static int(WINAPI* s_pfnMessageBoxW)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

    // Input while the frame is busy is dropped; the page's accelerators; Escape goes to the page
    // (which ignores it), every other key on to the frame.
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    // A page never ends itself: Enter and Escape inside it do nothing.
    void OnOK() override { }
    void OnCancel() override { }

    void OnShowWindow(BOOL show, UINT status);
    void OnPaint();
    void OnSize(UINT type, int cx, int cy);
    BOOL OnQueryNewPalette();
    void OnMouseMove(UINT flags, POINT point);
    DECLARE_MESSAGE_MAP()

protected:
    eDialogState m_state;
    HPALETTE m_hPalette;  // from the colour table of the last banner bitmap drawn
    CConfigInfo::DialogInfo* m_pDialogInfo;
    CTopDialog* m_pFrame;
    HACCEL m_hAccelerators;

private:
    void PaintBitmaps(CDC& dc, const RECT& area);
    void PaintLayoutDebug(CDC& dc, CDC& memory, HBITMAP bitmap, const RECT& target, const RECT& area);
    void PaintTexts(CDC& dc);
    void RealizeBitmapPalette(CDC& dc, CDC& memory, HBITMAP bitmap);

    POINT m_lastMouse;  // the last mouse position, for the layout-debug box
};

// The global page factory of one state: registers the page at construction and unregisters
// it (freeing the record factory) at exit.
template <eDialogState State, class Page> class CNestedInstallerDialogFactory : public INestedInstallerDialogFactory {
public:
    CNestedInstallerDialogFactory(
        unsigned int modeMask, const wchar_t* name, CConfigInfo::IDialogConfigFactory* configFactory)
    {
        CNestedInstallerDialog::Register(State, this, modeMask, name, configFactory);
    }
    ~CNestedInstallerDialogFactory() override
    {
        CConfigInfo::IDialogConfigFactory* configFactory = nullptr;
        CNestedInstallerDialog::Unregister(State, configFactory);
        delete configFactory;
    }
    CNestedInstallerDialogFactory(const CNestedInstallerDialogFactory&) = delete;
    CNestedInstallerDialogFactory& operator=(const CNestedInstallerDialogFactory&) = delete;

    CNestedInstallerDialog* CreateDialog(CTopDialog* frame) override { return new Page(State, frame); }
};
