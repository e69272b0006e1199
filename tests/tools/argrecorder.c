/* Appends what follows its first argument (a file path, quoted when it holds blanks) on its
   command line to that file as one line, so that a test sees how it was started. */
#include <stdio.h>
#include <windows.h>

static const char* SkipArgument(const char* p)
{
    if (*p == '"') {
        for (++p; *p && *p != '"'; ++p) { }
        return *p ? p + 1 : p;
    }
    while (*p && *p != ' ' && *p != '\t')
        ++p;
    return p;
}

static const char* SkipBlanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmdLine, int show)
{
    (void)instance;
    (void)prev;
    (void)show;
    const char* start = SkipBlanks(cmdLine);
    const char* end = SkipArgument(start);
    char path[MAX_PATH];
    const char* first = *start == '"' ? start + 1 : start;
    size_t length = (size_t)(end - first);
    if (length > 0 && first[length - 1] == '"')
        --length;
    if (length == 0 || length >= sizeof(path))
        return 1;
    memcpy(path, first, length);
    path[length] = '\0';
    if (*end == ' ' || *end == '\t')
        ++end;
    FILE* out = fopen(path, "ab");
    if (!out)
        return 2;
    fprintf(out, "%s\n", end);
    fclose(out);
    return 0;
}
