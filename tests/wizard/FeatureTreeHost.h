// A dialog around the feature tree that runs a script from a timer, one step per tick (also
// while a menu is tracked), with the steps the window tests of the tree and its dialogs share:
// keys pressed as the keyboard does, open menus found and walked, screenshots, checks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Dialog.h"
#include "FeatureTreeCtrl.h"
#include "SetupWindows.h"

namespace treehost {

const UINT kHostDialog = 420;
const int kTreeId = 1001;

// One step of a script: true when done, false to run again at the next tick.
using Step = std::function<bool()>;

// Runs `steps`, one per tick, and records what the tree tells it; ends with IDOK.
class CTreeHost : public CDialog {
public:
    explicit CTreeHost(CFeature* first);

    CFeatureTreeCtrl tree;
    std::vector<Step> steps;  // the script
    std::vector<UINT> notifications;
    std::vector<FeatureTreeNotify> records;
    std::vector<CFeature*> stateChanged;  // the oldFeature of each FTN_STATECHANGED
    std::vector<UINT> commands;           // the dialog commands the tree's items posted
    bool vetoSelection = false;
    std::string failure;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR);
    void OnTreeNotify(NMHDR* header, LRESULT* result);
    void OnShowDependents();
    void OnShowBroken();
    DECLARE_MESSAGE_MAP()

private:
    CFeature* m_first;
    size_t m_next = 0;
    int m_ticks = 0;
    bool m_running = false;
};

// Presses `key` with the modifiers held, as the keyboard does.
using testsupport::Press;
// The open popup menu's window and menu; null when no menu is open.
HWND OpenMenu();
HMENU OpenMenuHandle();
// The command of the open menu's highlighted entry; 0 when none is.
UINT HighlightedCommand();
// The open menu's commands in order (0 for separators).
std::vector<UINT> MenuCommands();
std::wstring SelectedTitle(CTreeHost& host);

Step PressKey(WORD key, const std::vector<WORD>& modifiers = {});
// Moves the tree's selection with the arrow keys until `title` is selected.
Step SelectByKeys(CTreeHost& host, const std::wstring& title, WORD key = VK_DOWN);
Step WaitForMenu(bool open);
// Moves the open menu's highlight with the arrow keys to `id`.
Step MoveHighlightTo(UINT id);
// The same, then chooses the entry with Enter.
Step ChooseByKeys(UINT id);
// A screenshot of the host's window (`window` instead when given).
Step Screenshot(CTreeHost& host, const wchar_t* name, HWND window = nullptr);
Step Check(std::function<void()> check);
// A click on the item's image (or text) as the mouse sends it.
void Click(CTreeHost& host, const std::wstring& title, bool onImage);

}  // namespace treehost
