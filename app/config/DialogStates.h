// The wizard's pages by state, in wizard order, and the user-interface modes in which each may
// appear. The configuration keeps one page record per state; the wizard registers one page per
// state with its mode mask.
#pragma once

// A page state: 1 to 13 in wizard order; 0 means "none".
typedef int eDialogState;

namespace DialogState {
const eDialogState None = 0;
const eDialogState Welcome = 1;
const eDialogState UserInfo = 2;
const eDialogState FeatureInfo1 = 3;
const eDialogState SingleDirectory = 4;
const eDialogState InstallationType = 5;
const eDialogState FeatureTree = 6;
const eDialogState FeatureInfo = 7;
const eDialogState License = 8;
const eDialogState License2 = 9;
const eDialogState ConfirmStart = 10;
const eDialogState Progress = 11;
const eDialogState EndExecute = 12;
const eDialogState End = 13;
// The number of states, and so of page-record slots.
const int Count = 13;
}  // namespace DialogState

// The bits of a page's mode mask: the user-interface modes in which the page may appear.
namespace DialogMode {
const unsigned int Basic = 0x1;           // /qs
const unsigned int BasicNoCancel = 0x2;   // /qs-
const unsigned int Full = 0x4;            // the full wizard
const unsigned int Linked = 0x8;          // /linked
const unsigned int LinkedCustom = 0x10;   // /linkedcustom
// Every mode.
const unsigned int Any = Basic | BasicNoCancel | Full | Linked | LinkedCustom;

// The masks the pages are registered with.
const unsigned int WelcomePage = Basic | BasicNoCancel | Full;                   // 7
const unsigned int FullWizardPage = Full;                                        // 4
const unsigned int FullOrLinkedCustomPage = Full | LinkedCustom;                 // 0x14
const unsigned int ProgressPage = Any;                                           // 0x1F
const unsigned int EndPage = Basic | Full;                                       // 5
}  // namespace DialogMode
