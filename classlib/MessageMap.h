// Message maps: a class's table of the messages it handles, searched in table order, the
// class's own table first, then its bases'.
//
// Tables are writable arrays with constant initialisers (function pointers only), so that a
// static initialiser may still change an entry before the program's main routine runs. Each
// entry holds a small thunk instantiated for the handler: the thunk knows the handler's
// signature and calls it on the object.
//
//   class CMyDialog : public CDialog {
//       ...
//       void OnBrowse();
//       LRESULT OnPrivate(WPARAM, LPARAM);
//       DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(CMyDialog, CDialog)
//       ON_BN_CLICKED(1005, OnBrowse)
//       ON_MESSAGE(WM_USER + 7, OnPrivate)
//   END_MESSAGE_MAP()
#pragma once

#include <windows.h>

class CWnd;
class CDC;

// Calls the handler of one entry on `target`; FALSE when the handler declined the message
// (only the BOOL-returning reflected notifications do). `result` receives the message result.
typedef BOOL (*AFX_MSG_THUNK)(CWnd* target, WPARAM wParam, LPARAM lParam, LRESULT* result);

// Messages matched by entries, besides real window messages.
const UINT kAfxRegisteredMessage = 0xFFFFFFF0;  // the id is read through pRegisteredId
const UINT kAfxReflectBase = 0xBC00;            // WM_NOTIFY + this: a notification reflected to the control
const UINT kAfxPlaceholder = 0xFFFFFFF1;        // an entry a static initialiser fills in later

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // the message (WM_COMMAND and WM_NOTIFY entries also match nCode and the id range)
    UINT nCode;     // notification code (WM_COMMAND: the high word; WM_NOTIFY: NMHDR::code)
    UINT nID;       // first control or command id
    UINT nLastID;   // last id of the range
    const UINT* pRegisteredId;  // ON_REGISTERED_MESSAGE: the variable that holds the id (0: matches nothing)
    AFX_MSG_THUNK pfnThunk;     // null with nMessage 0 ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    AFX_MSGMAP_ENTRY* lpEntries;
};

namespace afx_thunks {

// The thunks, one per handler signature; `Pfn` is the handler as a template argument.
template <class T, void (T::*Pfn)()> BOOL Void(CWnd* w, WPARAM, LPARAM, LRESULT* r)
{
    (static_cast<T*>(w)->*Pfn)();
    *r = 0;
    return TRUE;
}
template <class T, void (T::*Pfn)(UINT)> BOOL CommandRange(CWnd* w, WPARAM wp, LPARAM, LRESULT* r)
{
    (static_cast<T*>(w)->*Pfn)(LOWORD(wp));
    *r = 0;
    return TRUE;
}
template <class T, LRESULT (T::*Pfn)(WPARAM, LPARAM)> BOOL Message(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r)
{
    *r = (static_cast<T*>(w)->*Pfn)(wp, lp);
    return TRUE;
}
template <class T, void (T::*Pfn)(NMHDR*, LRESULT*)> BOOL Notify(CWnd* w, WPARAM, LPARAM lp, LRESULT* r)
{
    (static_cast<T*>(w)->*Pfn)(reinterpret_cast<NMHDR*>(lp), r);
    return TRUE;
}
template <class T, BOOL (T::*Pfn)(NMHDR*, LRESULT*)> BOOL NotifyEx(CWnd* w, WPARAM, LPARAM lp, LRESULT* r)
{
    return (static_cast<T*>(w)->*Pfn)(reinterpret_cast<NMHDR*>(lp), r);
}
template <class T, int (T::*Pfn)(LPCREATESTRUCTW)> BOOL Create(CWnd* w, WPARAM, LPARAM lp, LRESULT* r)
{
    *r = (static_cast<T*>(w)->*Pfn)(reinterpret_cast<LPCREATESTRUCTW>(lp));
    return TRUE;
}
template <class T, void (T::*Pfn)(UINT, int, int)> BOOL Size(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r)
{
    (static_cast<T*>(w)->*Pfn)(static_cast<UINT>(wp), static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
    *r = 0;
    return TRUE;
}
template <class T, void (T::*Pfn)(BOOL, UINT)> BOOL ShowWindow(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r)
{
    (static_cast<T*>(w)->*Pfn)(static_cast<BOOL>(wp), static_cast<UINT>(lp));
    *r = 0;
    return TRUE;
}
template <class T, void (T::*Pfn)(UINT, CWnd*, BOOL)> BOOL Activate(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r);
template <class T, BOOL (T::*Pfn)(CWnd*, UINT, UINT)> BOOL SetCursor(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r);
template <class T, HCURSOR (T::*Pfn)()> BOOL QueryDragIcon(CWnd* w, WPARAM, LPARAM, LRESULT* r)
{
    *r = reinterpret_cast<LRESULT>((static_cast<T*>(w)->*Pfn)());
    return TRUE;
}
template <class T, BOOL (T::*Pfn)()> BOOL QueryNewPalette(CWnd* w, WPARAM, LPARAM, LRESULT* r)
{
    *r = (static_cast<T*>(w)->*Pfn)();
    return TRUE;
}
template <class T, void (T::*Pfn)(UINT, POINT)> BOOL Mouse(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r)
{
    POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    (static_cast<T*>(w)->*Pfn)(static_cast<UINT>(wp), pt);
    *r = 0;
    return TRUE;
}
template <class T, void (T::*Pfn)(UINT, UINT, UINT)> BOOL Key(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r)
{
    (static_cast<T*>(w)->*Pfn)(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
    *r = 0;
    return TRUE;
}
template <class T, void (T::*Pfn)(UINT_PTR)> BOOL Timer(CWnd* w, WPARAM wp, LPARAM, LRESULT* r)
{
    (static_cast<T*>(w)->*Pfn)(static_cast<UINT_PTR>(wp));
    *r = 0;
    return TRUE;
}
template <class T, BOOL (T::*Pfn)(CDC*)> BOOL EraseBkgnd(CWnd* w, WPARAM wp, LPARAM, LRESULT* r);
template <class T, HBRUSH (T::*Pfn)(CDC*, CWnd*, UINT)> BOOL CtlColor(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r);
template <class T, BOOL (T::*Pfn)(UINT, DWORD_PTR)> BOOL DeviceChange(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r)
{
    *r = (static_cast<T*>(w)->*Pfn)(static_cast<UINT>(wp), static_cast<DWORD_PTR>(lp));
    return TRUE;
}

}  // namespace afx_thunks

// Declares the class's table and its access (public, so a static initialiser can reach the
// writable entries).
#define DECLARE_MESSAGE_MAP()                         \
public:                                               \
    static const AFX_MSGMAP* GetThisMessageMap();     \
    const AFX_MSGMAP* GetMessageMap() const override; \
                                                      \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                              \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }        \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                         \
    {                                                                                        \
        typedef theClass ThisClass;                                                          \
        typedef baseClass TheBaseClass;                                                      \
        static AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                          \
    {0, 0, 0, 0, nullptr, nullptr}                                                 \
    }                                                                              \
    ;                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, _messageEntries}; \
    return &messageMap;                                                            \
    }

// A slot that matches nothing until a static initialiser writes an entry into it.
#define ON_PLACEHOLDER() {kAfxPlaceholder, 0, 0, 0, nullptr, nullptr},

#define AFX_ENTRY(message, code, first, last, thunk) {message, code, first, last, nullptr, thunk},

#define ON_MESSAGE(message, memberFxn) \
    AFX_ENTRY(message, 0, 0, 0, (&afx_thunks::Message<ThisClass, &ThisClass::memberFxn>))
#define ON_REGISTERED_MESSAGE(idVariable, memberFxn)                 \
    {kAfxRegisteredMessage, 0, 0, 0, &idVariable, &afx_thunks::Message<ThisClass, &ThisClass::memberFxn>},
#define ON_COMMAND(id, memberFxn) \
    AFX_ENTRY(WM_COMMAND, 0, id, id, (&afx_thunks::Void<ThisClass, &ThisClass::memberFxn>))
#define ON_COMMAND_RANGE(first, last, memberFxn) \
    AFX_ENTRY(WM_COMMAND, 0, first, last, (&afx_thunks::CommandRange<ThisClass, &ThisClass::memberFxn>))
#define ON_CONTROL(code, id, memberFxn) \
    AFX_ENTRY(WM_COMMAND, code, id, id, (&afx_thunks::Void<ThisClass, &ThisClass::memberFxn>))
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_NOTIFY(code, id, memberFxn) \
    AFX_ENTRY(WM_NOTIFY, static_cast<UINT>(code), id, id, (&afx_thunks::Notify<ThisClass, &ThisClass::memberFxn>))
#define ON_NOTIFY_REFLECT(code, memberFxn)                                                                  \
    AFX_ENTRY(kAfxReflectBase + WM_NOTIFY, static_cast<UINT>(code), 0, 0,                                   \
        (&afx_thunks::Notify<ThisClass, &ThisClass::memberFxn>))
#define ON_NOTIFY_REFLECT_EX(code, memberFxn)                                                               \
    AFX_ENTRY(kAfxReflectBase + WM_NOTIFY, static_cast<UINT>(code), 0, 0,                                   \
        (&afx_thunks::NotifyEx<ThisClass, &ThisClass::memberFxn>))

#define ON_WM_CREATE() AFX_ENTRY(WM_CREATE, 0, 0, 0, (&afx_thunks::Create<ThisClass, &ThisClass::OnCreate>))
#define ON_WM_DESTROY() AFX_ENTRY(WM_DESTROY, 0, 0, 0, (&afx_thunks::Void<ThisClass, &ThisClass::OnDestroy>))
#define ON_WM_PAINT() AFX_ENTRY(WM_PAINT, 0, 0, 0, (&afx_thunks::Void<ThisClass, &ThisClass::OnPaint>))
#define ON_WM_SIZE() AFX_ENTRY(WM_SIZE, 0, 0, 0, (&afx_thunks::Size<ThisClass, &ThisClass::OnSize>))
#define ON_WM_SHOWWINDOW() \
    AFX_ENTRY(WM_SHOWWINDOW, 0, 0, 0, (&afx_thunks::ShowWindow<ThisClass, &ThisClass::OnShowWindow>))
#define ON_WM_ACTIVATE() AFX_ENTRY(WM_ACTIVATE, 0, 0, 0, (&afx_thunks::Activate<ThisClass, &ThisClass::OnActivate>))
#define ON_WM_SETCURSOR() \
    AFX_ENTRY(WM_SETCURSOR, 0, 0, 0, (&afx_thunks::SetCursor<ThisClass, &ThisClass::OnSetCursor>))
#define ON_WM_QUERYDRAGICON() \
    AFX_ENTRY(WM_QUERYDRAGICON, 0, 0, 0, (&afx_thunks::QueryDragIcon<ThisClass, &ThisClass::OnQueryDragIcon>))
#define ON_WM_QUERYNEWPALETTE() \
    AFX_ENTRY(WM_QUERYNEWPALETTE, 0, 0, 0, (&afx_thunks::QueryNewPalette<ThisClass, &ThisClass::OnQueryNewPalette>))
#define ON_WM_MOUSEMOVE() AFX_ENTRY(WM_MOUSEMOVE, 0, 0, 0, (&afx_thunks::Mouse<ThisClass, &ThisClass::OnMouseMove>))
#define ON_WM_LBUTTONDOWN() \
    AFX_ENTRY(WM_LBUTTONDOWN, 0, 0, 0, (&afx_thunks::Mouse<ThisClass, &ThisClass::OnLButtonDown>))
#define ON_WM_LBUTTONUP() AFX_ENTRY(WM_LBUTTONUP, 0, 0, 0, (&afx_thunks::Mouse<ThisClass, &ThisClass::OnLButtonUp>))
#define ON_WM_KEYDOWN() AFX_ENTRY(WM_KEYDOWN, 0, 0, 0, (&afx_thunks::Key<ThisClass, &ThisClass::OnKeyDown>))
#define ON_WM_SYSKEYDOWN() AFX_ENTRY(WM_SYSKEYDOWN, 0, 0, 0, (&afx_thunks::Key<ThisClass, &ThisClass::OnSysKeyDown>))
#define ON_WM_TIMER() AFX_ENTRY(WM_TIMER, 0, 0, 0, (&afx_thunks::Timer<ThisClass, &ThisClass::OnTimer>))
#define ON_WM_ERASEBKGND() \
    AFX_ENTRY(WM_ERASEBKGND, 0, 0, 0, (&afx_thunks::EraseBkgnd<ThisClass, &ThisClass::OnEraseBkgnd>))
// One entry for every WM_CTLCOLOR* message (the handler receives the control type).
#define ON_WM_CTLCOLOR()                                                                                   \
    AFX_ENTRY(WM_CTLCOLORMSGBOX, 0, 0, 0, (&afx_thunks::CtlColor<ThisClass, &ThisClass::OnCtlColor>))      \
    AFX_ENTRY(WM_CTLCOLOREDIT, 0, 0, 0, (&afx_thunks::CtlColor<ThisClass, &ThisClass::OnCtlColor>))        \
    AFX_ENTRY(WM_CTLCOLORLISTBOX, 0, 0, 0, (&afx_thunks::CtlColor<ThisClass, &ThisClass::OnCtlColor>))     \
    AFX_ENTRY(WM_CTLCOLORBTN, 0, 0, 0, (&afx_thunks::CtlColor<ThisClass, &ThisClass::OnCtlColor>))         \
    AFX_ENTRY(WM_CTLCOLORDLG, 0, 0, 0, (&afx_thunks::CtlColor<ThisClass, &ThisClass::OnCtlColor>))         \
    AFX_ENTRY(WM_CTLCOLORSCROLLBAR, 0, 0, 0, (&afx_thunks::CtlColor<ThisClass, &ThisClass::OnCtlColor>))   \
    AFX_ENTRY(WM_CTLCOLORSTATIC, 0, 0, 0, (&afx_thunks::CtlColor<ThisClass, &ThisClass::OnCtlColor>))
#define ON_WM_DEVICECHANGE() \
    AFX_ENTRY(WM_DEVICECHANGE, 0, 0, 0, (&afx_thunks::DeviceChange<ThisClass, &ThisClass::OnDeviceChange>))
