// The class library's per-thread state: the window being created, the creation hook, the
// message being handled, the tracked menu and the temporary objects, freed when the thread's
// loop goes idle.
#pragma once

#include <windows.h>

#include <map>
#include <utility>

class CWnd;
class CDC;
class CGdiObject;
class CMenu;

struct AfxThreadState {
    CWnd* pWndInit = nullptr;  // attached to the next window the thread creates
    HHOOK hCbtHook = nullptr;
    MSG lastSent = {};  // the message WindowProc is handling (for Default)
    CMenu* pTrackedMenu = nullptr;  // the menu TrackPopupMenu shows (its entries are measured)
    std::map<HWND, CWnd*> tempWnds;
    std::map<HDC, CDC*> tempDCs;
    std::map<HMENU, CMenu*> tempMenus;
    std::map<std::pair<HGDIOBJ, const void*>, CGdiObject*> tempGdi;  // by handle and class
};

// The calling thread's state, made on first use.
AfxThreadState& AfxGetThreadState();
// Frees the calling thread's state (at the end of a thread of the library).
void AfxTermThreadState() noexcept;
