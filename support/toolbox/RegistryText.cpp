#include "RegistryText.h"

#include <vector>

namespace OrbelToolbox {

LONG ReadRegistryString(HKEY key, const wchar_t* name, CString& text)
{
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    // The value may grow between the two calls: ask again while it does.
    for (;;) {
        if (result != ERROR_SUCCESS)
            return result;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return ERROR_INVALID_DATATYPE;
        // Room for an odd byte count and a terminator the data may lack.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        DWORD got = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (result == ERROR_MORE_DATA) {
            size = got;
            result = ERROR_SUCCESS;
            continue;
        }
        if (result != ERROR_SUCCESS)
            return result;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return ERROR_INVALID_DATATYPE;
        size_t length = got / sizeof(wchar_t);
        buffer[length] = L'\0';
        text = buffer.data();  // up to the first terminator
        return ERROR_SUCCESS;
    }
}

}  // namespace OrbelToolbox
