#include "MsiInstaller.h"

#include "MsiApi.h"
#include "MsiFailure.h"

namespace {

SmartPtr<MsiInstaller> g_installer;

}  // namespace

MsiString& MsiInstaller::Describe(MsiString& text) const
{
    MsiText::Assign(text, L"Global MsiInstaller Object");
    return text;
}

SmartPtr<MsiInstaller> MsiInstaller::GetInstance()
{
    if (!g_installer)
        g_installer = new MsiInstaller;
    return g_installer;
}

INSTALLSTATE MsiInstaller::QueryProductState(const wchar_t* productCode)
{
    INSTALLSTATE state = MsiApi().MsiQueryProductStateW(productCode);
    if (state == INSTALLSTATE_INVALIDARG)
        MsiThrow(ERROR_INVALID_PARAMETER, this);
    return state;
}

void MsiInstaller::GetProductInfo(MsiString& out, const wchar_t* productCode, const wchar_t* property)
{
    DWORD count = MAX_PATH;
    wchar_t* buffer = MsiText::Buffer(out, count);
    UINT result = MsiApi().MsiGetProductInfoW(productCode, property, buffer, &count);
    MsiText::SetLengthFromText(out);
    while (result == ERROR_MORE_DATA) {
        count += 1;
        buffer = MsiText::Buffer(out, count);
        result = MsiApi().MsiGetProductInfoW(productCode, property, buffer, &count);
        MsiText::SetLengthFromText(out);
    }
    MsiCheck(result, this);
}

MsiOutString MsiInstaller::GetMfcProductInfo(const wchar_t* productCode, const wchar_t* property)
{
    MsiOutString text;
    GetProductInfo(text, productCode, property);
    return text;
}

bool MsiInstaller::EnumRelatedProducts(const wchar_t* upgradeCode, DWORD index, MsiString& productCode)
{
    wchar_t buffer[39] = {0};
    UINT result = MsiApi().MsiEnumRelatedProductsW(upgradeCode, 0, index, buffer);
    if (result == ERROR_NO_MORE_ITEMS)
        return false;
    MsiCheck(result, this);
    buffer[38] = L'\0';
    MsiText::Assign(productCode, buffer);
    return true;
}

UINT MsiInstaller::ConfigureProduct(
    const wchar_t* productCode, int installLevel, INSTALLSTATE state, const wchar_t* commandLine)
{
    UINT result = commandLine ? MsiApi().MsiConfigureProductExW(productCode, installLevel, state, commandLine)
                              : MsiApi().MsiConfigureProductW(productCode, installLevel, state);
    if (static_cast<int>(result) < 0)
        MsiThrow(result, this);
    return result;
}
