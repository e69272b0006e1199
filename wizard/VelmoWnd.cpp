#include "VelmoWnd.h"

#include "VelmoThread.h"

namespace {

struct BarrierCall {
    LRESULT (*body)(void*);
    void* context;
    LRESULT result;
};

BOOL RunBody(void* context)
{
    auto* call = static_cast<BarrierCall*>(context);
    call->result = call->body(call->context);
    return TRUE;
}

}  // namespace

LRESULT VelmoWindowBarrier(LRESULT (*body)(void* context), void* context)
{
    // The thread barrier's rows: the same reports, the same exit codes.
    BarrierCall call = {body, context, 0};
    int exitCode = 0;
    VelmoThreadBarrier(&RunBody, &call, exitCode);
    if (exitCode != 0) {
        ::PostQuitMessage(exitCode);
        return 0;
    }
    return call.result;
}
