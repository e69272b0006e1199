// The private window messages of setup: between workers, pages, the frame, and master and
// child installers (which are separate processes, so the values are fixed). One number can mean
// different things to different receivers; the comment names the receiver.
#pragma once

#include <windows.h>

// Progress page: a part failed (wParam its result, lParam its name); the answer is 4 retry,
// 6 or 1 continue, anything else stop. From a child's frame with no page to show (wParam 0,
// lParam the child's frame window).
const UINT WM_PART_ERROR = WM_USER + 3;
// Frame: set the frame's event.
const UINT WM_SET_FRAME_EVENT = WM_USER + 4;
// Feature page: the selected feature's cost is known (wParam its signed size), or being computed.
const UINT WM_FEATURE_INFO_DONE = WM_USER + 5;
const UINT WM_FEATURE_INFO_STARTED = WM_USER + 6;
// Progress page and frame: the overall result (wParam) and its reason (lParam: 1031 normal,
// 1027 a part failed, 1032 the user cancelled).
const UINT WM_INSTALL_RESULT = WM_USER + 7;
// Feature page to itself: refresh the selected feature's description and cost.
const UINT WM_REFRESH_FEATURE_INFO = WM_USER + 7;
// Progress page: a part ended with a user exit; the answer is non-zero to stop the remaining work.
const UINT WM_QUERY_CANCEL_ALL = WM_USER + 8;
// A child installer's frame exists (lParam: its window), sent to the master before loading.
const UINT WM_CHILD_WINDOW_READY = WM_USER + 10;
// Load progress: range (wParam low end, lParam high end), one step, the step size (wParam),
// loading done (lParam: the sending installer's frame window).
const UINT WM_LOAD_PROGRESS_RANGE = WM_USER + 11;
const UINT WM_LOAD_PROGRESS_STEP = WM_USER + 13;
const UINT WM_LOAD_PROGRESS_SETSTEP = WM_USER + 14;
const UINT WM_LOAD_DONE = WM_USER + 15;
// Thread message of a master to a loading child's main thread: cancel the load.
const UINT WM_CANCEL_LOAD = WM_USER + 16;
// Progress page: a linked distribution starts (wParam its index, lParam its title) or ends.
const UINT WM_LINKED_INSTALL_START = WM_USER + 20;
const UINT WM_LINKED_INSTALL_END = WM_USER + 21;
// Progress page: the ids of the last announced respawn (wParam and lParam: addresses of two
// 32-bit variables); the answer is the lParam value.
const UINT WM_GET_RESPAWNED_IDS = WM_USER + 22;
// Master's progress page: a child's wizard ends (lParam: the child's frame window).
const UINT WM_CHILD_WIZARD_CLOSING = WM_USER + 23;
// Progress page: show the media prompt of wParam; the answer is 1 when the medium is present,
// else the prompt's result (IDCANCEL when the user cancelled).
const UINT WM_RUN_MEDIA_PROMPT = WM_USER + 24;
// End-execute page: the execute named by lParam is running.
const UINT WM_EXECUTE_STATUS = WM_USER + 24;
// End-execute page: the pass of end executes is over.
const UINT WM_EXECUTES_DONE = WM_USER + 25;

// Registered messages: the shell asks whether AutoPlay of an inserted medium is to be
// cancelled; a respawned installer announces itself.
const wchar_t kQueryCancelAutoPlayMessage[] = L"QueryCancelAutoPlay";
const wchar_t kInstallerSpawnMessage[] = L"ZKInstallerSpawn";

// Notifications of the feature tree control to its parent (WM_NOTIFY with a FeatureTreeNotify):
// the selection changed; the selection is about to change (a nonzero answer vetoes); a menu
// command changed feature states.
const UINT FTN_SELCHANGED = 1025;
const UINT FTN_SELCHANGING = 1026;
const UINT FTN_STATECHANGED = 1027;
