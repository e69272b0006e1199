// The welcome page's loading bar: a progress bar whose background has a colour of its own.
#pragma once

#include <windows.h>

#include "ProgressCtrl.h"

class CVelmoProgress : public CProgressCtrl {
public:
    CVelmoProgress();

    COLORREF GetBackgroundColor() const { return m_crBackground; }
    void SetBackgroundColor(COLORREF color) { m_crBackground = color; }

protected:
    // Fills the client area with the background colour; the background counts as erased.
    BOOL OnEraseBkgnd(CDC* dc);
    DECLARE_MESSAGE_MAP()

private:
    COLORREF m_crBackground;  // initially the system's button-face colour
};
