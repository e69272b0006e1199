// The edit control in which the user types a destination folder, with the wizard's one check of
// a folder: the path's form and platform check, then the distribution's directory restrictions,
// and on refusal an optional question whether to go back to the previous folder.
#pragma once

#include "Edit.h"

class CDistribution;

class CPathEdit : public CEdit {
public:
    // Shows the text in the control.
    void SetPath(const wchar_t* path) { SetWindowText(path); }

    // The full check of the control's text as the folder of the Directory-table property
    // `directory` of `distribution`. A folder that does not exist yet is no error by itself.
    // With `setTargetPath` an accepted folder also becomes the directory's target path. A
    // refused folder with `askToReset` asks (titled `caption`) whether to go back to
    // `previousPath`: Yes shows it again and counts as accepted; No selects the whole text and
    // puts the focus on the control. The multibyte code page is the same after the check.
    bool Validate(CDistribution& distribution, const wchar_t* directory, const wchar_t* previousPath,
        const wchar_t* caption, bool askToReset, bool setTargetPath);
    // Validate without setting the target path.
    bool ValidateAndAccept(
        CDistribution& distribution, const wchar_t* directory, const wchar_t* previousPath, const wchar_t* caption,
        bool askToReset)
    {
        return Validate(distribution, directory, previousPath, caption, askToReset, false);
    }
};
