// TVelmoWnd: a window class of the class library whose window procedure is an exception
// barrier. No exception leaves a message handler: it is reported through ReportFatalError and,
// for every kind the barrier knows, ends the message loop with the error's exit code (the quit
// message is posted). Override DoWindowProc, never WindowProc.
#pragma once

#include <windows.h>

// Runs `body(context)` inside the barrier and returns its result; 0 after an error, which is
// reported, and the quit message posted with the exit code when that code is not 0.
LRESULT VelmoWindowBarrier(LRESULT (*body)(void* context), void* context);

template <class T> class TVelmoWnd : public T {
public:
    using T::T;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        Message call = {this, message, wParam, lParam};
        return VelmoWindowBarrier(&CallDoWindowProc, &call);
    }

    // The real message processing; the default is the class library's.
    virtual LRESULT DoWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return T::WindowProc(message, wParam, lParam);
    }

private:
    struct Message {
        TVelmoWnd* self;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    static LRESULT CallDoWindowProc(void* context)
    {
        auto* call = static_cast<Message*>(context);
        return call->self->DoWindowProc(call->message, call->wParam, call->lParam);
    }
};
