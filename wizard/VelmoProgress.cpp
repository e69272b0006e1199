#include "VelmoProgress.h"

#include "DC.h"

BEGIN_MESSAGE_MAP(CVelmoProgress, CProgressCtrl)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CVelmoProgress::CVelmoProgress() : m_crBackground(::GetSysColor(COLOR_BTNFACE)) { }

BOOL CVelmoProgress::OnEraseBkgnd(CDC* dc)
{
    CRect client;
    GetClientRect(client);
    CBrush brush(m_crBackground);
    dc->FillRect(client, &brush);
    return TRUE;
}
