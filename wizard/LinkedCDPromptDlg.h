// The prompt for the medium of a linked distribution: the medium is the one whose volume ID
// file (with its setup program named) carries the linked distribution's GUID.
#pragma once

#include "LinkedDistribution.h"
#include "MediaPromptDlg.h"

class CLinkedCDPromptDlg : public CMediaPromptDlg {
public:
    CLinkedCDPromptDlg();

    // Binds the prompt to `linked` (which must outlive it): its CD prompt, the caption
    // "Insert Source", and as the proposed folder `rootPath` itself when it lies on a CD-ROM
    // or removable drive, else the linked distribution's volume folder taken relative to
    // `rootPath`.
    void SetLinkedDistribution(const CLinkedDistribution& linked, const CString& rootPath);

    // True when the folder holds the linked distribution's volume ID file, with its ExePath,
    // and it names the linked distribution's GUID (any case). No bound distribution, an empty
    // folder or any mismatch sets the error text.
    bool ValidatePath(const CString& folder) override;

private:
    const CLinkedDistribution* m_linked;  // not owned
};
