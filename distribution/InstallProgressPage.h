// What the install run asks of the wizard's progress page while it runs on the page's install
// thread. The page implements it.
#pragma once

#include "CString.h"

class IInstallProgressPage {
public:
    virtual ~IInstallProgressPage() { }
    // Shows the status text, clears the action text and redraws the page at once.
    virtual void ShowInstallStatus(const CString& status) = 0;
};
