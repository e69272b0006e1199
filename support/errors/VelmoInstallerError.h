// The installer's two abstract error bases.
//
// VelmoInstallerError: faults of the distribution, its configuration or the program.
// UserInstallerError: errors that are the user's or the machine's (bad command line, missing
// rights, an engine, service or operating-system problem); the barriers report them without
// details.
#pragma once

#include "IInstallerError.h"

class VelmoInstallerError : public ZKInstallerError::IInstallerError {
public:
    VelmoInstallerError(const char* file, int line, int code, ZKInstallerError::ResourceModuleCallback resourceModule,
        unsigned int stringId, const wchar_t* debugText)
        : IInstallerError(file, line, code, resourceModule, stringId, debugText)
    {
    }
};

class UserInstallerError : public VelmoInstallerError {
public:
    UserInstallerError(const char* file, int line, int code, ZKInstallerError::ResourceModuleCallback resourceModule,
        unsigned int stringId, const wchar_t* debugText)
        : VelmoInstallerError(file, line, code, resourceModule, stringId, debugText)
    {
    }
};
