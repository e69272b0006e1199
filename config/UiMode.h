// The user-interface modes of a run, chosen on the command line. Each mode is also the bit that
// stands for it in a page's mode mask (the quiet mode has no window and no bit).
#pragma once

enum UiMode {
    UiQuiet = 0,          // /q, /qn
    UiBasic = 1,          // /qs
    UiBasicNoCancel = 2,  // /qs-
    UiFull = 4,           // the full wizard
    UiLinked = 8,         // /linked
    UiLinkedCustom = 16,  // /linkedcustom
};

// The mode mask that admits every mode with a window.
const unsigned int kEveryUiMode = UiBasic | UiBasicNoCancel | UiFull | UiLinked | UiLinkedCustom;
