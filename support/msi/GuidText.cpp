#include "GuidText.h"

#include <rpc.h>

#include <new>
#include <string>

#include "PlexaExceptions.h"
#include "UniqueHandle.h"
#include "WindowsError.h"

RPC_STATUS(RPC_ENTRY* g_pfnUuidToStringA)(UUID*, RPC_CSTR*) = ::UuidToStringA;
RPC_STATUS(RPC_ENTRY* g_pfnUuidToStringW)(UUID*, RPC_WSTR*) = ::UuidToStringW;

namespace {

std::wstring Upper(const char* text)
{
    std::wstring result;
    for (const char* p = text; *p; ++p)
        result += static_cast<wchar_t>(towupper(static_cast<unsigned char>(*p)));
    return result;
}

// Characters 1 to length - 2 (the braces go) with every "-" as "_"; returns the replacements.
int ToIdentifier(MsiString& text)
{
    std::wstring s(MsiText::Get(text));
    s = s.size() >= 2 ? s.substr(1, s.size() - 2) : std::wstring();
    int replaced = 0;
    for (wchar_t& c : s)
        if (c == L'-') {
            c = L'_';
            ++replaced;
        }
    MsiText::Assign(text, s.c_str());
    return replaced;
}

}  // namespace

void ThrowGuidTextFailure(RPC_STATUS status, const wchar_t* context)
{
    if (status == RPC_S_OUT_OF_MEMORY)
        throw PlexaBadAlloc(kPlexaBadAllocation);
    // A conversion that reports success without a text is a failure all the same.
    throw WindowsError(status != RPC_S_OK ? static_cast<DWORD>(status) : ERROR_INVALID_DATA, context);
}

void CreateGuidString(MsiString& text)
{
    UUID uuid;
    UuidCreate(&uuid);
    RPC_CSTR rpc = nullptr;
    RPC_STATUS status = g_pfnUuidToStringA(&uuid, &rpc);
    if (status != RPC_S_OK || !rpc)
        ThrowGuidTextFailure(status, L"UuidToStringA");
    std::wstring upper = Upper(reinterpret_cast<const char*>(rpc));
    RpcStringFreeA(&rpc);
    MsiText::Format(text, L"{%s}", upper.c_str());
}

void CreateGuidIdentifier(MsiString& text)
{
    CreateGuidString(text);
    ToIdentifier(text);
}

int GuidTextToIdentifier(MsiString& text)
{
    return ToIdentifier(text);
}

void IdentifierToGuidText(MsiString& text)
{
    std::wstring s(MsiText::Get(text));
    for (wchar_t& c : s)
        if (c == L'_')
            c = L'-';
    MsiText::Format(text, L"{%s}", s.c_str());
}

void MakeShortFileName(MsiString& text)
{
    std::wstring name(MsiText::Get(text));
    if (name.empty() || name == L"." || name == L"..")
        return;
    wchar_t temp[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH)
        return;
    MsiHeapString id;
    CreateGuidIdentifier(id);
    if (MsiText::Length(id) == 0)
        return;
    std::wstring folder = std::wstring(temp) + MsiText::Get(id);
    if (!CreateDirectoryW(folder.c_str(), nullptr))
        return;
    std::wstring file = folder + L"\\" + name;
    OrbelToolbox::UniqueKernelHandle h(
        CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h) {
        h.Reset();
        wchar_t shortPath[MAX_PATH];
        DWORD length = GetShortPathNameW(file.c_str(), shortPath, MAX_PATH);
        if (length != 0 && length < MAX_PATH) {
            const wchar_t* slash = wcsrchr(shortPath, L'\\');
            if (slash)
                MsiText::Assign(text, slash + 1);
        }
        DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(folder.c_str());
}
