// Every class of the catalogue: code, base, user message from the program's string table and the
// printed form of each argument (through a debug text that names them all).
#include "InstallerErrors.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using ZKInstallerError::IInstallerError;
using ZKInstallerError::TextList;
using ZKInstallerError::TextVector;

class CatalogueProbe { };

namespace {

#define SITE __FILE__, __LINE__

IniErrorList TwoIniErrors()
{
    IniErrorList list;
    list.Add(kIniMissingKey, L"Localization", L"Languages");
    list.Add(kIniFileNotFound, L"Utilities", L"ZKSysInfo", L"C:\\zk.dll");
    return list;
}

struct CatalogueCase {
    const char* name;
    std::function<std::unique_ptr<IInstallerError>()> make;
    int code;
    bool userError;
    std::wstring userMessage;
    std::wstring debugMessage;
};

template <class E, class... A> std::function<std::unique_ptr<IInstallerError>()> Make(A... arguments)
{
    return [=]() -> std::unique_ptr<IInstallerError> { return std::make_unique<E>(SITE, arguments...); };
}

const std::wstring kIniErrorLines = L"1. Missing Key: [Localization] Languages\r\n"
                                    L"2. Specified file not found: [Utilities] ZKSysInfo = C:\\zk.dll\r\n";

std::vector<CatalogueCase> Cases()
{
    return {
        {"DlgCreateError", Make<DlgCreateError>(L"TopDialog", 1400ul, L"Error creating %1.  Window Error: %2"), 10001,
            false, L"Fatal Error. Unable to create dialog.", L"Error creating TopDialog.  Window Error: 1400"},
        {"ObjectNotFound",
            Make<ObjectNotFound>(std::ref(typeid(CatalogueProbe)), L"LangId", L"1031",
                L"%1 object lookup by %2 failed to find object %3"),
            10002, false, L"Fatal Error. Object not found.",
            L"CatalogueProbe object lookup by LangId failed to find object 1031"},
        {"UninitializedObject",
            Make<UninitializedObject>(
                std::ref(typeid(int)), L"m_session", L"Object '%2' of type %1 has not been initialized."),
            10003, false, L"Fatal Error. Object not initialized.",
            L"Object 'm_session' of type int has not been initialized."},
        {"OperationAborted", Make<OperationAborted>(L"Costing", L"%1|%2"), 10004, false,
            L"Fatal Error. Operation aborted.", L"Costing|<Invalid argument number!>"},
        {"PriorOperationRequired",
            Make<PriorOperationRequired>(L"Resolve", L"GetSubset", L"%1 must be called before calling %2"), 10005,
            false, L"Fatal Error. Operations out of sequence.", L"Resolve must be called before calling GetSubset"},
        {"ResourceNotFound by id",
            Make<ResourceNotFound>(reinterpret_cast<HMODULE>(0x1A2B), L"RT_STRING", ResourceIdOrName(2000u), 1814ul,
                L"Failed load %2 resource %3 from module %1.\r\nWindowsError %4"),
            10006, false, L"Fatal Error. Unable to load RT_STRING resource 2000.",
            L"Failed load RT_STRING resource 2000 from module 00001A2B.\r\nWindowsError 1814"},
        {"ResourceNotFound by name",
            Make<ResourceNotFound>(
                static_cast<HMODULE>(nullptr), L"RT_BITMAP", ResourceIdOrName(L"BANNER"), 1813ul, L"%1 %3"),
            10006, false, L"Fatal Error. Unable to load RT_BITMAP resource BANNER.", L"00000000 BANNER"},
        {"IncorrectVolume",
            Make<IncorrectVolume>(L"core.msi", L"E:\\", 2ul, 3ul,
                L"While looking for %1, expected volume %4 to be at %2.  Found volume %3"),
            10010, false, L"Fatal Error. Volume Error.",
            L"While looking for core.msi, expected volume 3 to be at E:\\.  Found volume 2"},
        {"ValueOutOfRange", Make<ValueOutOfRange>(L"Parts", -5l, L"%1=%2"), 10011, false,
            L"Fatal Error. Value out of range.", L"Parts=-5"},
        {"DllUnloadFailed", Make<DllUnloadFailed>(L"msi.dll", L"%1"), 10012, false,
            L"Fatal Error.  msi.dll module failed to unload.", L"msi.dll"},
        {"ZKSystemInfoFailure", Make<ZKSystemInfoFailure>(L"GetProcAddress failed on DllGetClassObject %1"), 10014,
            false, L"Fatal Error. A failure has occurred in ZKSystemInfo.",
            L"GetProcAddress failed on DllGetClassObject <Invalid argument number!>"},
        {"InvalidFeatureTree", Make<InvalidFeatureTree>(TextList{L"Docs", L"Tools", L"Help"}, L"[%1]"), 11003, false,
            L"Developer Error. The following features are invalid:\nDocs\r\nTools\r\nHelp\n"
            L"Correct the distribution and try again.",
            L"[Docs\r\nTools\r\nHelp]"},
        {"InvalidDependencies", Make<InvalidDependencies>(L"A -> B", nullptr), 11004, false,
            L"Developer Error. Distribution contains invalid dependencies:\nA -> B\n"
            L"Correct the distribution and try again.",
            L"<No Debug Message>"},
        {"NoIniFile", Make<NoIniFile>(L"C:\\dist\\setup.ini", L"File %1 not found."), 11005, false,
            L"Fatal Error. Unable to find initialization file.", L"File C:\\dist\\setup.ini not found."},
        {"IniFileErrors", Make<IniFileErrors>(TwoIniErrors(), L"%1"), 11006, false,
            L"Developer Error. The following errors were found in your ini file:\n" + kIniErrorLines
                + L"\nCorrect the ini file and try again.",
            kIniErrorLines},
        {"LinkDistFakeFeature", Make<LinkDistFakeFeature>(L"no parent", L"%1"), 11007, false,
            L"Unable to create linked distribution fake features.", L"no parent"},
        {"BadCondition", Make<BadCondition>(L"VersionNT >", L"%1"), 11009, false,
            L"Developer Error: Invalid condition VersionNT >", L"VersionNT >"},
        {"Mult3rdPartyFeatures", Make<Mult3rdPartyFeatures>(L"Acme", L"part1", L"%2"), 11010, false,
            L"Part developer error: Multiple 3rd Party Installer features were found in Acme (part1).", L"part1"},
        {"MultipleCoreParts", Make<MultipleCoreParts>(TextVector{L"p1\r\n", L"p2\r\n"}, L"%1"), 11011, false,
            L"Developer Error: The following parts are listed as belonging to more than one "
            L"product:\n\n"
            L"p1\r\np2\r\n\n\nPlease correct the problem.",
            L"p1\r\np2\r\n"},
        {"InvalidFakeFeature", Make<InvalidFakeFeature>(L"Docs", L"%1"), 11012, false,
            L"Developer Error: Invalid fake feature. Docs has an associated component (has an entry "
            L"in "
            L"FeatureComponents table), and cannot be a fake feature.",
            L"Docs"},
        {"CmdLineError help", Make<CmdLineError>(true, L"help=%1"), 12001, true, L"Invalid command line parameters.",
            L"help=1"},
        {"CmdLineError bad", Make<CmdLineError>(false, L"help=%1"), 12001, true, L"Invalid command line parameters.",
            L"help=0"},
        {"SpecFileErrors", Make<SpecFileErrors>(TwoIniErrors(), L"%1"), 12002, true,
            L"The following sections are missing from the specfile:\n" + kIniErrorLines
                + L"\nPlease correct the specfile and try again.",
            kIniErrorLines},
        {"MutexNotGrabbed", Make<MutexNotGrabbed>(nullptr), 12003, true,
            L"Error: Another installer or uninstaller is running.\nFinish that installer or "
            L"uninstaller and try again.",
            L"<No Debug Message>"},
        {"NoAdminPriv", Make<NoAdminPriv>(L"%1"), 12004, true,
            L"You must have administrative privileges to run this installation.", L"<Invalid argument number!>"},
        {"LinkedDistVolumeInvalid",
            Make<LinkedDistVolumeInvalid>(L"Tools", L"E:\\", L"E:\\vol.id", L"{GUID}", L"E:\\setup.exe",
                L"The GUID %4 listed in %3 does not match the distribution GUID. %5"),
            12005, true, L"The volume at E:\\ does not contain a valid source for Tools.",
            L"The GUID {GUID} listed in E:\\vol.id does not match the distribution GUID. "
            L"E:\\setup.exe"},
        {"ServiceControlError",
            Make<ServiceControlError>(
                L"MSIServer", L"ControlService", 1062ul, L"not started", L"Service=%1, Function=%2, Error=%3"),
            12006, true,
            L"The MSIServer service failed to shutdown.\nReason: not started\n"
            L"Running this installation from the Administrator's account may solve this problem.",
            L"Service=MSIServer, Function=ControlService, Error=1062"},
        {"LogFileError", Make<LogFileError>(L"C:\\x.log", 5ul, L"Access is denied.\r\n", L"%2"), 12007, true,
            L"Unable to open log file 'C:\\x.log'.\nAccess is denied.\r\n", L"5"},
        {"MsiEngineError", Make<MsiEngineError>(L"The engine installer failed.", 1603ul, L"%2"), 12008, true,
            L"Could not install the Windows Installer Engine.\nThe engine installer failed.", L"1603"},
        {"MissingOSReq", Make<MissingOSReq>(L"Requires Windows 7.", L"6.0 < 6.1", L"%2"), 12009, true,
            L"Requires Windows 7.", L"6.0 < 6.1"},
        {"MissingOSReq empty", Make<MissingOSReq>(L"", L"details", nullptr), 12009, true, L"", L"<No Debug Message>"},
        {"LaunchConditionFailed", Make<LaunchConditionFailed>(L"VersionNT>=601", L"Requires Windows 7.", L"%1"), 12010,
            true, L"Requires Windows 7.", L"VersionNT>=601"},
        {"MSIServiceStartError", Make<MSIServiceStartError>(L"Access denied", L"%1"), 12011, true,
            L"The Windows Installer Service could not be accessed. \n\nError: Access denied\n\n "
            L"Restart your "
            L"computer and try again.",
            L"Access denied"},
    };
}

}  // namespace

TEST(CatalogueTest, EveryClassHasItsCodeTemplateAndArguments)
{
    for (const CatalogueCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<IInstallerError> error = c.make();
        EXPECT_EQ(c.code, error->GetCode());
        EXPECT_EQ(static_cast<unsigned int>(c.code), error->GetStringId());
        EXPECT_NE(nullptr, dynamic_cast<VelmoInstallerError*>(error.get()));
        EXPECT_EQ(c.userError, dynamic_cast<UserInstallerError*>(error.get()) != nullptr);
        EXPECT_EQ(c.userMessage, error->GetUserMessage());
        EXPECT_EQ(c.debugMessage, error->GetDebugMessage());
    }
}

TEST(CatalogueTest, ArgumentsAreKeptAsCopies)
{
    wchar_t operation[] = L"Loading";
    OperationAborted error(SITE, operation);
    operation[0] = L'X';
    OperationAborted copy(error);
    EXPECT_STREQ(L"Loading", copy.Argument<1>().GetString());
    EXPECT_EQ(OperationAborted::kCode, 10004);
}
