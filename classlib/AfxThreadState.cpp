#include "AfxThreadState.h"

#include "Wnd.h"

namespace {

DWORD ThreadStateSlot()
{
    static const DWORD slot = ::TlsAlloc();
    return slot;
}

}  // namespace

AfxThreadState& AfxGetThreadState()
{
    auto* state = static_cast<AfxThreadState*>(::TlsGetValue(ThreadStateSlot()));
    if (!state) {
        state = new AfxThreadState;
        ::TlsSetValue(ThreadStateSlot(), state);
    }
    return *state;
}

void AfxTermThreadState() noexcept
{
    auto* state = static_cast<AfxThreadState*>(::TlsGetValue(ThreadStateSlot()));
    if (!state)
        return;
    AfxDeleteTempMaps();
    if (state->hCbtHook)
        ::UnhookWindowsHookEx(state->hCbtHook);
    ::TlsSetValue(ThreadStateSlot(), nullptr);
    delete state;
}
