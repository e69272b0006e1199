// What the configuration asks of the distribution model: the model lives in a layer above the
// configuration, which sees it only through this interface. The distribution model implements
// it; the application installs its model when it creates it.
#pragma once

#include "CString.h"

class IDistributionServices {
public:
    virtual ~IDistributionServices() { }

    // The folder of the volume in use, ending in "\"; throws PriorOperationRequired before the
    // model is loaded.
    virtual const CString& GetCurrentRootPath() const = 0;
    // True when the distribution's path definition of the directory property carries the
    // 64-bit-only attribute.
    virtual bool IsPathDefinition64BitOnly(const wchar_t* directoryProperty) const = 0;
};

// Installs the implementation (null removes it) and returns the one it replaced.
IDistributionServices* InstallDistributionServices(IDistributionServices* services);
// The installed implementation; throws UninitializedObject when none is.
IDistributionServices& DistributionServices();
