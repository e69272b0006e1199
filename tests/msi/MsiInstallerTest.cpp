// Installer queries and GUID texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <new>
#include <string>

#include "GuidText.h"
#include "MsiApi.h"
#include "MsiInstaller.h"
#include "MsiTestSupport.h"
#include "ScopedOverride.h"
#include "WindowsError.h"

using msitest::MsiErrorCode;
using msitest::Str;

namespace {

const wchar_t kUnknownProduct[] = L"{11111111-2222-3333-4444-555555555555}";

UINT WINAPI LongProductInfo(LPCWSTR, LPCWSTR, LPWSTR buffer, LPDWORD count)
{
    static const std::wstring value(300, L'p');
    if (*count <= value.size()) {
        *count = static_cast<DWORD>(value.size());
        return ERROR_MORE_DATA;
    }
    wcscpy(buffer, value.c_str());
    *count = static_cast<DWORD>(value.size());
    return 0;
}

}  // namespace

TEST(MsiInstaller, OneInstancePerProcess)
{
    SmartPtr<MsiInstaller> a = MsiInstaller::GetInstance();
    SmartPtr<MsiInstaller> b = MsiInstaller::GetInstance();
    EXPECT_EQ(a.Get(), b.Get());
    LONG count = a->GetRefCount();
    {
        SmartPtr<MsiInstaller> c = MsiInstaller::GetInstance();
    }
    EXPECT_EQ(count, a->GetRefCount());
    MsiHeapString text;
    EXPECT_EQ(L"Global MsiInstaller Object", Str(a->Describe(text)));
}

TEST(MsiInstaller, ProductQueries)
{
    SmartPtr<MsiInstaller> installer = MsiInstaller::GetInstance();
    EXPECT_EQ(INSTALLSTATE_UNKNOWN, installer->QueryProductState(kUnknownProduct));
    EXPECT_EQ(
        static_cast<UINT>(ERROR_INVALID_PARAMETER), MsiErrorCode([&] { installer->QueryProductState(L"not a guid"); }));
    MsiHeapString product;
    EXPECT_FALSE(installer->EnumRelatedProducts(kUnknownProduct, 0, product));
    EXPECT_NE(~0u, MsiErrorCode([&] { installer->GetMfcProductInfo(kUnknownProduct, L"ProductName"); }));

    MsiApiOverride<decltype(MsiApiTable::MsiGetProductInfoW)> o(MsiApi().MsiGetProductInfoW, &LongProductInfo);
    EXPECT_EQ(std::wstring(300, L'p'), Str(installer->GetMfcProductInfo(kUnknownProduct, L"X")));
}

RPC_STATUS g_conversionStatus = RPC_S_OK;
RPC_STATUS RPC_ENTRY FailingUuidToStringA(UUID*, RPC_CSTR*)
{
    return g_conversionStatus;
}

TEST(GuidText, AFailedConversionThrowsAndLeavesTheTextAlone)
{
    ScopedOverride<decltype(g_pfnUuidToStringA)> o(g_pfnUuidToStringA, &FailingUuidToStringA);
    MsiHeapString guid(L"kept");

    g_conversionStatus = RPC_S_OUT_OF_MEMORY;
    try {
        CreateGuidString(guid);
        ADD_FAILURE() << "no throw";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ("bad allocation", e.what());
    }

    // Any other status (and success without a text) is the system's error, never a null text read.
    for (RPC_STATUS status : {static_cast<RPC_STATUS>(RPC_S_INVALID_ARG), static_cast<RPC_STATUS>(RPC_S_OK)}) {
        g_conversionStatus = status;
        try {
            CreateGuidIdentifier(guid);
            ADD_FAILURE() << "no throw for " << status;
        } catch (const WindowsError& e) {
            EXPECT_EQ(
                status == RPC_S_OK ? static_cast<DWORD>(ERROR_INVALID_DATA) : static_cast<DWORD>(status), e.GetCode());
            EXPECT_STREQ(L"UuidToStringA", e.GetContext());
        }
    }
    EXPECT_EQ(L"kept", Str(guid));
}

TEST(GuidText, Forms)
{
    MsiHeapString guid;
    CreateGuidString(guid);
    std::wstring g = Str(guid);
    ASSERT_EQ(38u, g.size());
    EXPECT_EQ(L'{', g.front());
    EXPECT_EQ(L'}', g.back());
    for (wchar_t c : g)
        EXPECT_FALSE(iswlower(c)) << g;

    MsiHeapString id;
    CreateGuidIdentifier(id);
    std::wstring i = Str(id);
    ASSERT_EQ(36u, i.size());
    for (size_t pos : {8u, 13u, 18u, 23u})
        EXPECT_EQ(L'_', i[pos]);

    MsiHeapString text(L"{6C1E4A0E-3D7A-4C55-9B31-0B5C2E5E7A01}");
    EXPECT_EQ(4, GuidTextToIdentifier(text));
    EXPECT_EQ(L"6C1E4A0E_3D7A_4C55_9B31_0B5C2E5E7A01", Str(text));
    IdentifierToGuidText(text);
    EXPECT_EQ(L"{6C1E4A0E-3D7A-4C55-9B31-0B5C2E5E7A01}", Str(text));

    MsiHeapString name(L"a rather long file name.text");
    MakeShortFileName(name);
    EXPECT_GE(12, static_cast<int>(name.GetLength())) << Str(name);
    MsiHeapString dot(L".");
    MakeShortFileName(dot);
    EXPECT_EQ(L".", Str(dot));
}
