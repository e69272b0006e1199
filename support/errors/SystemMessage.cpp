#include "SystemMessage.h"

#include "UniqueHandle.h"

CString SystemMessageText(DWORD code, DWORD language, size_t maxLength)
{
    OrbelToolbox::UniqueLocalPtr<wchar_t> message;
    DWORD length
        = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, language, reinterpret_cast<wchar_t*>(message.AddressOf()), 0, nullptr);
    if (length == 0 || !message)
        return CString();
    if (maxLength != 0 && length > maxLength)
        length = static_cast<DWORD>(maxLength);
    return CString(message.Get(), static_cast<int>(length));
}
