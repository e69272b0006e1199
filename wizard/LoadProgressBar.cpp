#include "LoadProgressBar.h"

#include "CString.h"
#include "FileVersion.h"

namespace {

// comctl32 4.71: the first with the 32-bit range message.
const uint64_t kComctl471 = (static_cast<uint64_t>(4) << 48) | (static_cast<uint64_t>(71) << 32);
// The step size asked for to learn the current one.
const int kProbeStep = 10;

}  // namespace

uint64_t ReadComctlVersion()
{
    wchar_t system[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length > MAX_PATH)
        return 0;
    CString path = system;
    path += L"\\comctl32.dll";
    uint64_t version = 0;
    GetFileVersion(path, version);
    return version;
}

LRESULT SetLoadProgressRange(CProgressCtrl& bar, uint64_t comctlVersion, WPARAM low, LPARAM high)
{
    int lower = 0;
    int upper = 0;
    bar.GetRange(lower, upper);
    if (bar.GetPos() >= upper)
        return MAKELRESULT(lower, upper);
    if (comctlVersion < kComctl471)
        bar.SetRange(static_cast<short>(low), static_cast<short>(high));
    else
        bar.SetRange32(static_cast<int>(low), static_cast<int>(high));
    return MAKELRESULT(lower, upper);
}

void StepLoadProgress(CProgressCtrl& bar)
{
    int lower = 0;
    int upper = 0;
    bar.GetRange(lower, upper);
    const int position = bar.GetPos();
    const int current = bar.SetStep(kProbeStep);
    const int room = upper - position;
    bar.SetStep(room < current ? room : current);
    bar.StepIt();
}
