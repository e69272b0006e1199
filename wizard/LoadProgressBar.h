// A loader's progress on a bar: the welcome page's loading bar and the progress page's action
// bar (a child installer's load) answer the loader's range and step messages alike.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ProgressCtrl.h"

// The file version of the system's comctl32.dll (0 when it cannot be read).
uint64_t ReadComctlVersion();

// WM_LOAD_PROGRESS_RANGE: a full bar keeps its range; otherwise the range becomes low to high
// (in the 16-bit form below comctl32 4.71). The answer is the old range (upper bound in the high
// word, lower in the low word).
LRESULT SetLoadProgressRange(CProgressCtrl& bar, uint64_t comctlVersion, WPARAM low, LPARAM high);
// WM_LOAD_PROGRESS_STEP: one step, never past the upper bound.
void StepLoadProgress(CProgressCtrl& bar);
