/* Stands in for a linked distribution's setup program. It appends its arguments, one per line
   as the C run time split them and then a line "--", to args.txt beside it, and behaves as
   child.ini beside it says ([Child]):
   Exit=<code>       the exit code (default 0);
   Respawn=1         starts itself again with the single argument "respawned", announces the new
                     process to the window after /masterHwnd with the registered message
                     "ZKInstallerSpawn" (wParam its main thread, lParam its id) and exits 263211;
                     the new process lives a second and exits with RespawnedExit;
   WaitForCancel=1   waits (at most 20 s) for the thread message WM_USER+16 and exits 1602. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static char s_folder[MAX_PATH];

static UINT ReadSetting(const char* key, UINT fallback)
{
    char ini[MAX_PATH + 16];
    snprintf(ini, sizeof(ini), "%schild.ini", s_folder);
    return GetPrivateProfileIntA("Child", key, (INT)fallback, ini);
}

static void RecordArguments(void)
{
    char path[MAX_PATH + 16];
    snprintf(path, sizeof(path), "%sargs.txt", s_folder);
    FILE* out = fopen(path, "ab");
    if (!out)
        return;
    for (int i = 1; i < __argc; ++i)
        fprintf(out, "%s\n", __argv[i]);
    fprintf(out, "--\n");
    fclose(out);
}

static HWND MasterWindow(void)
{
    for (int i = 1; i + 1 < __argc; ++i)
        if (_stricmp(__argv[i], "/masterHwnd") == 0)
            return (HWND)(ULONG_PTR)strtoul(__argv[i + 1], NULL, 16);
    return NULL;
}

static int Respawn(void)
{
    char program[MAX_PATH];
    GetModuleFileNameA(NULL, program, MAX_PATH);
    char commandLine[MAX_PATH + 32];
    snprintf(commandLine, sizeof(commandLine), "\"%s\" respawned", program);
    STARTUPINFOA startup = {0};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &created))
        return 2;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(MasterWindow(), RegisterWindowMessageA("ZKInstallerSpawn"), created.dwThreadId,
        (LPARAM)created.dwProcessId, SMTO_NORMAL, 10000, &answer);
    CloseHandle(created.hThread);
    CloseHandle(created.hProcess);
    return 263211;
}

static int WaitForCancel(void)
{
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 20000) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            if (msg.hwnd == NULL && msg.message == WM_USER + 16)
                return 1602;
    }
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmdLine, int show)
{
    (void)instance;
    (void)prev;
    (void)cmdLine;
    (void)show;
    GetModuleFileNameA(NULL, s_folder, MAX_PATH);
    char* slash = strrchr(s_folder, '\\');
    if (slash)
        slash[1] = '\0';
    if (__argc == 2 && strcmp(__argv[1], "respawned") == 0) {
        Sleep(1000);
        return (int)ReadSetting("RespawnedExit", 0);
    }
    RecordArguments();
    if (ReadSetting("Respawn", 0))
        return Respawn();
    if (ReadSetting("WaitForCancel", 0))
        return WaitForCancel();
    return (int)ReadSetting("Exit", 0);
}
