#include "Wnd.h"

#include <exception>
#include <map>

#include "AfxThreadState.h"
#include "DC.h"
#include "GdiObject.h"
#include "HandleMap.h"
#include "Menu.h"
#include "WinApp.h"
#include "WinThread.h"

namespace {

// Made on first use: objects may attach during static initialisation.
AfxHandleMap<HWND, CWnd>& Handles()
{
    static auto* map = new AfxHandleMap<HWND, CWnd>;  // never destroyed: windows may outlive static destruction
    return *map;
}

WNDPROC CurrentProcedure(HWND hWnd)
{
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
}

// Hands an exception that reached the generic procedure to the application's hook.
void PassToHook() noexcept
{
    if (AfxExceptionHook hook = AfxGetExceptionHook()) {
        try {
            hook(std::current_exception());
        } catch (...) {
        }
    }
}

AFX_MSGMAP_ENTRY g_wndEntries[] = {{0, 0, 0, 0, nullptr, nullptr}};

}  // namespace

LRESULT CALLBACK AfxCbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    AfxThreadState& state = AfxGetThreadState();
    if (code == HCBT_CREATEWND && state.pWndInit) {
        CWnd* wnd = state.pWndInit;
        state.pWndInit = nullptr;
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        try {
            wnd->Attach(hWnd);
            WNDPROC old = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
            if (old != &AfxWndProc)
                wnd->m_pfnSuper = old;
        } catch (...) {
            PassToHook();
        }
    }
    return ::CallNextHookEx(state.hCbtHook, code, wParam, lParam);
}

void AfxHookWindowCreate(CWnd* wnd)
{
    AfxThreadState& state = AfxGetThreadState();
    if (!state.hCbtHook)
        state.hCbtHook = ::SetWindowsHookExW(WH_CBT, &AfxCbtHook, nullptr, ::GetCurrentThreadId());
    state.pWndInit = wnd;
}

BOOL AfxUnhookWindowCreate()
{
    AfxThreadState& state = AfxGetThreadState();
    BOOL attached = state.pWndInit == nullptr;
    state.pWndInit = nullptr;
    return attached;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    AfxThreadState& state = AfxGetThreadState();
    MSG saved = state.lastSent;
    state.lastSent.hwnd = hWnd;
    state.lastSent.message = message;
    state.lastSent.wParam = wParam;
    state.lastSent.lParam = lParam;
    LRESULT result = 0;
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        PassToHook();
        result = 0;
    }
    if (message == WM_NCDESTROY)
        wnd->OnFinalMessage(hWnd);
    state.lastSent = saved;
    return result;
}

void AfxDeleteTempMaps()
{
    AfxThreadState& state = AfxGetThreadState();
    // Moved out first: a destructor may ask for new temporaries.
    std::map<HWND, CWnd*> wnds;
    wnds.swap(state.tempWnds);
    for (auto& entry : wnds) {
        entry.second->m_hWnd = nullptr;
        delete entry.second;
    }
    std::map<HDC, CDC*> dcs;
    dcs.swap(state.tempDCs);
    for (auto& entry : dcs) {
        entry.second->Detach();
        delete entry.second;
    }
    std::map<HMENU, CMenu*> menus;
    menus.swap(state.tempMenus);
    for (auto& entry : menus) {
        entry.second->m_hMenu = nullptr;
        delete entry.second;
    }
    std::map<std::pair<HGDIOBJ, const void*>, CGdiObject*> objects;
    objects.swap(state.tempGdi);
    for (auto& entry : objects) {
        entry.second->Detach();
        delete entry.second;
    }
}

BOOL AfxPreTranslateMessage(MSG* msg)
{
    return CWnd::WalkPreTranslateTree(CWnd::HandleOf(AfxGetMainWnd()), msg);
}

CWnd::CWnd() noexcept : m_hWnd(nullptr), m_pfnSuper(nullptr), m_bCreated(false) { }

CWnd::~CWnd()
{
    if (!m_hWnd)
        return;
    if (m_bCreated) {
        DestroyWindow();
    } else if (FromHandlePermanent(m_hWnd) == this) {
        // Attached only: the window lives on without this object.
        if (m_pfnSuper && CurrentProcedure(m_hWnd) == &AfxWndProc)
            UnsubclassWindow();
        else
            Detach();
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? Handles().Find(hWnd) : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    if (CWnd* wnd = FromHandlePermanent(hWnd))
        return wnd;
    AfxThreadState& state = AfxGetThreadState();
    CWnd*& temp = state.tempWnds[hWnd];
    if (!temp) {
        temp = new CWnd;
        temp->m_hWnd = hWnd;
    }
    return temp;
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd)
        return FALSE;
    Handles().Add(hWnd, this);
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd)
        Handles().Remove(hWnd, this);
    m_hWnd = nullptr;
    m_bCreated = false;
    return hWnd;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect,
    CWnd* parent, UINT id, LPVOID param)
{
    if (m_hWnd)
        return FALSE;
    AfxHookWindowCreate(this);
    HWND window = ::CreateWindowExW(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, HandleOf(parent), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
        ::GetModuleHandleW(nullptr), param);
    return EndHookedCreate(window);
}

BOOL CWnd::EndHookedCreate(HWND window)
{
    AfxUnhookWindowCreate();
    if (!window) {
        // Refused after the hook attached it (WM_NCCREATE or WM_CREATE said no).
        if (m_hWnd)
            Detach();
        return FALSE;
    }
    m_bCreated = true;
    return TRUE;
}

BOOL CWnd::Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
    UINT id)
{
    return CreateEx(0, className, windowName, style, rect, parent, id);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    HWND hWnd = m_hWnd;
    BOOL destroyed = ::DestroyWindow(hWnd);
    // WM_NCDESTROY detached an attached window; a window of another thread or a refused
    // destruction leaves the object without it all the same.
    if (m_hWnd == hWnd)
        Detach();
    return destroyed;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    WNDPROC old
        = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (!old) {
        Detach();
        return FALSE;
    }
    if (old != &AfxWndProc)
        m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    HWND control = ::GetDlgItem(HandleOf(parent), static_cast<int>(id));
    return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_hWnd && m_pfnSuper)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

void CWnd::OnFinalMessage(HWND hWnd)
{
    if (m_hWnd != hWnd)
        return;
    if (m_pfnSuper && CurrentProcedure(hWnd) == &AfxWndProc)
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    try {
        PostNcDestroy();
    } catch (...) {
        PassToHook();
    }
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& msg = AfxGetThreadState().lastSent;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *result = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        LRESULT notifyResult = 0;
        if (!OnNotify(wParam, lParam, &notifyResult))
            return FALSE;
        *result = notifyResult;
        return TRUE;
    }
    if (DispatchToMaps(message, 0, 0, wParam, lParam, result))
        return TRUE;
    return AfxRouteOwnerDrawnMenu(message, lParam, result);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    LRESULT result = 0;
    if (control) {
        CWnd* child = FromHandlePermanent(control);
        if (child && child != this && child->OnChildNotify(WM_COMMAND, wParam, lParam, &result))
            return TRUE;
    } else {
        code = 0;  // menus (0) and accelerators (1) reach the ON_COMMAND entries alike
    }
    return DispatchToMaps(WM_COMMAND, code, id, wParam, lParam, &result);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header)
        return FALSE;
    CWnd* child = FromHandlePermanent(header->hwndFrom);
    if (child && child != this && child->OnChildNotify(WM_NOTIFY, wParam, lParam, result))
        return TRUE;
    return DispatchToMaps(WM_NOTIFY, header->code, static_cast<UINT>(header->idFrom), wParam, lParam, result);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message != WM_NOTIFY)
        return FALSE;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    return DispatchToMaps(kAfxReflectBase + WM_NOTIFY, header->code, 0, wParam, lParam, result);
}

BOOL CWnd::DispatchToMaps(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const bool byCodeAndId = message == WM_COMMAND || message == WM_NOTIFY;
    const bool byCode = message == kAfxReflectBase + WM_NOTIFY;
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nMessage != 0 || entry->pfnThunk; ++entry) {
            if (!entry->pfnThunk)
                continue;  // a placeholder not filled in
            if (entry->nMessage == kAfxRegisteredMessage) {
                if (!entry->pRegisteredId || *entry->pRegisteredId == 0 || *entry->pRegisteredId != message)
                    continue;
            } else if (entry->nMessage != message) {
                continue;
            }
            if (byCodeAndId && (entry->nCode != code || id < entry->nID || id > entry->nLastID))
                continue;
            if (byCode && entry->nCode != code)
                continue;
            return entry->pfnThunk(this, wParam, lParam, result);
        }
    }
    return FALSE;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP map = {nullptr, g_wndEntries};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg)
{
    const DWORD thread = ::GetCurrentThreadId();
    for (HWND hWnd = msg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        if (::GetWindowThreadProcessId(hWnd, nullptr) != thread)
            break;
        if (CWnd* wnd = FromHandlePermanent(hWnd)) {
            if (wnd->PreTranslateMessage(msg))
                return TRUE;
        }
        if (hWnd == stop)
            break;
    }
    return FALSE;
}

void CWnd::GetWindowText(CString& text) const
{
    int length = ::GetWindowTextLengthW(m_hWnd);
    if (length <= 0) {
        text.Empty();
        return;
    }
    int copied = ::GetWindowTextW(m_hWnd, text.GetBuffer(length + 1), length + 1);
    text.ReleaseBuffer(copied);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags)
{
    DWORD style = GetStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed == style)
        return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
    if (flags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return TRUE;
}

HWND CWnd::AfterHandle(const CWnd* after)
{
    return HandleOf(after);
}

void CWnd::SetFont(CFont* font, BOOL redraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), redraw);
}

CFont* CWnd::GetFont() const
{
    return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
}

void CWnd::CenterWindow(CWnd* alternate)
{
    HWND center = HandleOf(alternate);
    if (!center) {
        center = (GetStyle() & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
    }
    CRect window;
    GetWindowRect(&window);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(center ? center : m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    CRect area = monitor.rcWork;
    CRect over = area;
    if (center && ::IsWindowVisible(center) && !::IsIconic(center))
        ::GetWindowRect(center, &over);
    int left = (over.left + over.right) / 2 - window.Width() / 2;
    int top = (over.top + over.bottom) / 2 - window.Height() / 2;
    if (left + window.Width() > area.right)
        left = area.right - window.Width();
    if (left < area.left)
        left = area.left;
    if (top + window.Height() > area.bottom)
        top = area.bottom - window.Height();
    if (top < area.top)
        top = area.top;
    if (GetStyle() & WS_CHILD) {
        POINT origin = {left, top};
        ::ScreenToClient(::GetParent(m_hWnd), &origin);
        left = origin.x;
        top = origin.y;
    }
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CDC* CWnd::GetDC()
{
    return CDC::FromHandle(::GetDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* dc)
{
    return dc ? ::ReleaseDC(m_hWnd, dc->m_hDC) : 0;
}
