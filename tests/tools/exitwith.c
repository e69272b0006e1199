/* Exits with the code given on the command line (decimal, negative or 0x hexadecimal). */
#include <stdlib.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmdLine, int show)
{
    (void)instance;
    (void)prev;
    (void)show;
    return (int)strtoul(cmdLine, NULL, 0);
}
