// The installer error catalogue: one class per error, its code equal to the id of its message
// template in the string table, its arguments numbered %1, %2... in constructor order.
//
// Every constructor takes the throw site's file and line first, the arguments, and last an
// optional debug text whose "%N" references are expanded with the same arguments. The classes
// that carry a WindowsError or an MsiInstallerError live in SystemErrorClasses.h.
#pragma once

#include "ErrorArguments.h"
#include "IniErrorList.h"
#include "ResourceIdOrName.h"
#include "VelmoInstallerError.h"

// A window or dialog could not be created.
class DlgCreateError : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10001, CString, unsigned long> {
public:
    DlgCreateError(const char* sourceFile, int sourceLine, const CString& dialogName, unsigned long windowsError,
        const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, dialogName, windowsError)
    {
    }
};

// A lookup by key found no object.
class ObjectNotFound : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10002,
                           ZKInstallerError::TypeName, CString, CString> {
public:
    ObjectNotFound(const char* sourceFile, int sourceLine, const std::type_info& objectType, const CString& keyName,
        const CString& keyValue, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, objectType, keyName, keyValue)
    {
    }
};

// An object was used before it was initialised.
class UninitializedObject
    : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10003, ZKInstallerError::TypeName, CString> {
public:
    UninitializedObject(const char* sourceFile, int sourceLine, const std::type_info& objectType,
        const CString& objectName, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, objectType, objectName)
    {
    }
};

// A long operation was aborted.
class OperationAborted : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10004, CString> {
public:
    OperationAborted(
        const char* sourceFile, int sourceLine, const CString& operation, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, operation)
    {
    }
};

// Two operations were called out of sequence.
class PriorOperationRequired
    : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10005, CString, CString> {
public:
    PriorOperationRequired(const char* sourceFile, int sourceLine, const CString& requiredOperation,
        const CString& operation, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, requiredOperation, operation)
    {
    }
};

// A resource of a module could not be loaded.
class ResourceNotFound : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10006, HMODULE, CString,
                             ResourceIdOrName, unsigned long> {
public:
    ResourceNotFound(const char* sourceFile, int sourceLine, HMODULE module, const CString& resourceType,
        const ResourceIdOrName& resource, unsigned long windowsError, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, module, resourceType, resource, windowsError)
    {
    }

protected:
    // The message names the resource by %4, which carries the Windows error: the user is told
    // which resource is missing (%3) instead; the debug text keeps both numbers.
    void LoadMessageTemplate(wchar_t*& messageTemplate) const override
    {
        ErrorWithArguments::LoadMessageTemplate(messageTemplate);
        for (wchar_t* p = messageTemplate; p && p[0]; ++p) {
            if (p[0] == L'%' && p[1] == L'%')
                ++p;
            else if (p[0] == L'%' && p[1] == L'4' && !(p[2] >= L'0' && p[2] <= L'9'))
                p[1] = L'3';
        }
    }
};

// The volume in a drive is not the expected one.
class IncorrectVolume : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10010, CString, CString,
                            unsigned long, unsigned long> {
public:
    IncorrectVolume(const char* sourceFile, int sourceLine, const CString& file, const CString& volumePath,
        unsigned long foundVolume, unsigned long expectedVolume, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, file, volumePath, foundVolume, expectedVolume)
    {
    }
};

// An index or value lies outside its range.
class ValueOutOfRange : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10011, CString, long> {
public:
    ValueOutOfRange(
        const char* sourceFile, int sourceLine, const CString& indexed, long value, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, indexed, value)
    {
    }
};

// A module could not be unloaded.
class DllUnloadFailed : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10012, CString> {
public:
    DllUnloadFailed(const char* sourceFile, int sourceLine, const CString& module, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, module)
    {
    }
};

// The system-information component failed.
class ZKSystemInfoFailure : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10014> {
public:
    ZKSystemInfoFailure(const char* sourceFile, int sourceLine, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText)
    {
    }
};

// The distribution's feature tree is invalid (one line per feature).
class InvalidFeatureTree
    : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11003, ZKInstallerError::TextList> {
public:
    InvalidFeatureTree(const char* sourceFile, int sourceLine, const ZKInstallerError::TextList& invalidFeatures,
        const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, invalidFeatures)
    {
    }
};

// The distribution holds invalid dependencies (the list, formatted).
class InvalidDependencies : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11004, CString> {
public:
    InvalidDependencies(
        const char* sourceFile, int sourceLine, const CString& dependencies, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, dependencies)
    {
    }
};

// The configuration file does not exist.
class NoIniFile : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11005, CString> {
public:
    NoIniFile(const char* sourceFile, int sourceLine, const CString& file, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, file)
    {
    }
};

// The configuration readers found bad or missing entries.
class IniFileErrors : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11006, IniErrorList> {
public:
    IniFileErrors(
        const char* sourceFile, int sourceLine, const IniErrorList& errors, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, errors)
    {
    }
};

// The fake features of a linked distribution could not be made.
class LinkDistFakeFeature : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11007, CString> {
public:
    LinkDistFakeFeature(const char* sourceFile, int sourceLine, const CString& text, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, text)
    {
    }
};

// A condition of the distribution is invalid.
class BadCondition : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11009, CString> {
public:
    BadCondition(const char* sourceFile, int sourceLine, const CString& condition, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, condition)
    {
    }
};

// A part has more than one feature of another vendor's installer.
class Mult3rdPartyFeatures : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11010, CString, CString> {
public:
    Mult3rdPartyFeatures(const char* sourceFile, int sourceLine, const CString& text, const CString& part,
        const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, text, part)
    {
    }
};

// Parts listed as belonging to more than one product (one block per part).
class MultipleCoreParts
    : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11011, ZKInstallerError::TextVector> {
public:
    MultipleCoreParts(const char* sourceFile, int sourceLine, const ZKInstallerError::TextVector& parts,
        const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, parts)
    {
    }
};

// A fake feature has components.
class InvalidFakeFeature : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11012, CString> {
public:
    InvalidFakeFeature(
        const char* sourceFile, int sourceLine, const CString& feature, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, feature)
    {
    }
};

// The command line is invalid, or help was asked for.
class CmdLineError : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12001, bool> {
public:
    CmdLineError(const char* sourceFile, int sourceLine, bool helpRequested, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, helpRequested)
    {
    }
};

// Sections are missing from the unattended-install spec file.
class SpecFileErrors : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12002, IniErrorList> {
public:
    SpecFileErrors(
        const char* sourceFile, int sourceLine, const IniErrorList& errors, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, errors)
    {
    }
};

// Another installer is running.
class MutexNotGrabbed : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12003> {
public:
    MutexNotGrabbed(const char* sourceFile, int sourceLine, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText)
    {
    }
};

// The user lacks administrator rights.
class NoAdminPriv : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12004> {
public:
    NoAdminPriv(const char* sourceFile, int sourceLine, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText)
    {
    }
};

// A volume holds no valid source of a linked distribution.
class LinkedDistVolumeInvalid : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12005, CString, CString,
                                    CString, CString, CString> {
public:
    LinkedDistVolumeInvalid(const char* sourceFile, int sourceLine, const CString& distribution,
        const CString& volumePath, const CString& idFile, const CString& guid, const CString& programPath,
        const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, distribution, volumePath, idFile, guid, programPath)
    {
    }
};

// A service could not be stopped.
class ServiceControlError
    : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12006, CString, CString, unsigned long, CString> {
public:
    ServiceControlError(const char* sourceFile, int sourceLine, const CString& service, const CString& function,
        unsigned long windowsError, const CString& reason, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, service, function, windowsError, reason)
    {
    }
};

// The log file could not be opened.
class LogFileError
    : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12007, CString, unsigned long, CString> {
public:
    LogFileError(const char* sourceFile, int sourceLine, const CString& file, unsigned long windowsError,
        const CString& systemMessage, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, file, windowsError, systemMessage)
    {
    }
};

// The Windows Installer engine could not be installed.
class MsiEngineError : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12008, CString, unsigned long> {
public:
    MsiEngineError(const char* sourceFile, int sourceLine, const CString& text, unsigned long result,
        const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, text, result)
    {
    }
};

// The operating system does not meet the requirements (the whole user message in %1).
class MissingOSReq : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12009, CString, CString> {
public:
    MissingOSReq(const char* sourceFile, int sourceLine, const CString& message, const CString& details,
        const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, message, details)
    {
    }
};

// A launch condition failed (the whole user message in %2).
class LaunchConditionFailed : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12010, CString, CString> {
public:
    LaunchConditionFailed(const char* sourceFile, int sourceLine, const CString& condition, const CString& message,
        const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, condition, message)
    {
    }
};

// The Windows Installer service could not be accessed.
class MSIServiceStartError : public ZKInstallerError::ErrorWithArguments<UserInstallerError, 12011, CString> {
public:
    MSIServiceStartError(
        const char* sourceFile, int sourceLine, const CString& reason, const wchar_t* debugText = nullptr)
        : ErrorWithArguments(sourceFile, sourceLine, debugText, reason)
    {
    }
};
