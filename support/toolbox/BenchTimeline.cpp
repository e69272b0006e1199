#include "BenchTimeline.h"

#ifdef VELMO_BENCH

#include <windows.h>

#include <cstdio>

#include "UniqueHandle.h"

namespace {

const wchar_t kTimelineVariable[] = L"VELMO_BENCH_TIMELINE";
const wchar_t kWholeRunVariable[] = L"VELMO_BENCH_WHOLE_RUN";

bool TimelinePath(wchar_t (&path)[MAX_PATH])
{
    const DWORD length = GetEnvironmentVariableW(kTimelineVariable, path, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

}  // namespace

void BenchMark(const wchar_t* label, int value)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    wchar_t path[MAX_PATH];
    if (!TimelinePath(path))
        return;
    OrbelToolbox::UniqueKernelHandle file(
        CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    char line[160];
    const int length = std::snprintf(
        line, sizeof(line), "%ls:%d %lld\n", label, value, static_cast<long long>(now.QuadPart));
    DWORD written = 0;
    if (length > 0 && static_cast<size_t>(length) < sizeof(line))
        WriteFile(file.Get(), line, static_cast<DWORD>(length), &written, nullptr);
}

void BenchEndBeforeInstall()
{
    wchar_t path[MAX_PATH];
    if (!TimelinePath(path))
        return;
    BenchMark(L"loaded");
    if (GetEnvironmentVariableW(kWholeRunVariable, nullptr, 0) == 0)
        ExitProcess(0);
}

#else

void BenchMark(const wchar_t*, int) { }
void BenchEndBeforeInstall() { }

#endif
