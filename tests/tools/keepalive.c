/* Idle GUI process of the test fixture: holds the desktop open until the fixture's clean-up ends
   the wineserver. Ends by itself after two hours so that nothing outlives a forgotten run. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmdLine, int show)
{
    (void)instance;
    (void)prev;
    (void)cmdLine;
    (void)show;
    HWND wnd = CreateWindowExA(0, "STATIC", "keepalive", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    SetTimer(wnd, 1, 2u * 60u * 60u * 1000u, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (msg.message == WM_TIMER)
            break;
        DispatchMessageA(&msg);
    }
    return 0;
}
