// A page's busy state for the lifetime of an object: the frame shows the wait cursor and drops
// input until the object goes, also when an error leaves the scope.
#pragma once

#include "NestedInstallerDialog.h"

class CPageBusyScope {
public:
    explicit CPageBusyScope(CNestedInstallerDialog& page) : m_page(page) { m_page.BeginBusy(); }
    ~CPageBusyScope() { m_page.EndBusy(); }
    CPageBusyScope(const CPageBusyScope&) = delete;
    CPageBusyScope& operator=(const CPageBusyScope&) = delete;

private:
    CNestedInstallerDialog& m_page;
};
