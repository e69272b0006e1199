// The Windows Installer buffer protocol of the layer's text getters (internal to the layer).
#pragma once

#include <windows.h>

#include "IMsiObject.h"
#include "MsiFailure.h"
#include "MsiText.h"

namespace MsiTextGetter {

// Calls `call(buffer, &count)` first with an empty buffer and a count of 0. On ERROR_MORE_DATA
// (and, with `retryOnSuccess`, on 0) it calls once more with a buffer of the reported count + 1
// in `out` and sets the length from the text. A rejected result throws MsiInstallerError with
// `context`. Without a retry `out` is left unchanged.
template <typename Call> void Read(MsiString& out, const IMsiObject* context, bool retryOnSuccess, Call call)
{
    wchar_t empty[1] = {L'\0'};
    DWORD count = 0;
    UINT result = call(empty, &count);
    if (result == ERROR_MORE_DATA || (retryOnSuccess && result == ERROR_SUCCESS)) {
        count += 1;
        wchar_t* buffer = MsiText::Buffer(out, count);
        result = call(buffer, &count);
        MsiText::SetLengthFromText(out);
    }
    MsiCheck(result, context);
}

}  // namespace MsiTextGetter
