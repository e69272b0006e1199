// The private window messages of setup: between workers, pages, the frame, and master and
// child installers (which are separate processes, so the values are fixed).
#pragma once

#include <windows.h>

// A child installer's frame has no page to start on (lParam: the child's frame window).
const UINT WM_PART_ERROR = WM_USER + 3;
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
