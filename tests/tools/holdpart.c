/* Stands in for a post-processing program that takes its time: holds the install thread that
   runs it until a file named like the program with ".release" added exists (at most two
   minutes), then exits 0. A test releases it once it has acted while the install was held. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmdLine, int show)
{
    (void)instance;
    (void)prev;
    (void)cmdLine;
    (void)show;
    char release[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(NULL, release, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    lstrcatA(release, ".release");
    for (int waited = 0; waited < 2 * 60 * 1000; waited += 50) {
        if (GetFileAttributesA(release) != INVALID_FILE_ATTRIBUTES)
            return 0;
        Sleep(50);
    }
    return 2;
}
