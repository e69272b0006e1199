// MsiInstaller: the process-wide object for the installer functions that need no handle: the
// installed state of a product, product information, related products and configuring a
// product.
#pragma once

#include <windows.h>
#include <msi.h>

#include "IMsiObject.h"
#include "MsiSmartPtr.h"
#include "MsiText.h"

class MsiInstaller : public IMsiObject {
public:
    MsiInstaller() = default;
    ~MsiInstaller() override = default;

    MSIHANDLE GetHandle() const override { return 0; }
    MsiString& Describe(MsiString& text) const override;

    // The one object of the process (created on first use, kept by a static holder).
    static SmartPtr<MsiInstaller> GetInstance();

    // Every state is returned but INSTALLSTATE_INVALIDARG, which throws 87.
    INSTALLSTATE QueryProductState(const wchar_t* productCode);
    void GetProductInfo(MsiString& out, const wchar_t* productCode, const wchar_t* property);
    MsiOutString GetMfcProductInfo(const wchar_t* productCode, const wchar_t* property);
    // True when a product was found at `index`; false after the last one.
    bool EnumRelatedProducts(const wchar_t* upgradeCode, DWORD index, MsiString& productCode);
    // The call's result; only a negative result throws.
    UINT ConfigureProduct(const wchar_t* productCode, int installLevel, INSTALLSTATE state, const wchar_t* commandLine);
};
