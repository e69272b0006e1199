/* The sample distribution's post-processing program: setup starts it before and after each
   part ("/undo" before; "/q" after, or "/qnm" when the part's product was not installed before).
   It does nothing but record each call: its arguments are appended as one line to the file
   beside it that has its name with the extension ".log". Exits with 0. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmdLine, int show)
{
    char record[MAX_PATH + 8];
    DWORD length;
    char* dot;
    char* slash;
    FILE* out;
    (void)instance;
    (void)prev;
    (void)show;
    length = GetModuleFileNameA(NULL, record, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    dot = strrchr(record, '.');
    slash = strrchr(record, '\\');
    if (dot && (!slash || dot > slash))
        *dot = '\0';
    strcat(record, ".log");
    out = fopen(record, "ab");
    if (out) {
        fprintf(out, "%s\r\n", cmdLine ? cmdLine : "");
        fclose(out);
    }
    return 0;
}
