#include "MsiApi.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "SystemErrorClasses.h"
#include "WindowsError.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using HeapString = PlexaString<unsigned short*>;

// The system's own text for a code (the oracle the descriptions must contain).
std::wstring SystemText(DWORD code)
{
    wchar_t* message = nullptr;
    DWORD length
        = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = length ? std::wstring(message, length) : std::wstring();
    ::LocalFree(message);
    return text;
}

template <class E> std::wstring Describe(const E& error)
{
    HeapString text;
    error.Describe(text);
    return text.GetString();
}

template <class E> std::wstring Insert(const E& error)
{
    std::wostringstream out;
    out << error;
    return out.str();
}

// A code no system message table has.
const DWORD kUnknownCode = 0x2000ABCD;

TEST(WindowsError, Descriptions)
{
    const std::wstring fileNotFound = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(fileNotFound.empty());
    ASSERT_TRUE(SystemText(kUnknownCode).empty());

    struct Case {
        DWORD code;
        const wchar_t* context;
        std::wstring description;
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, L"copying setup.exe", fileNotFound + L" copying setup.exe"},
        {ERROR_FILE_NOT_FOUND, nullptr, fileNotFound + L" "},
        {kUnknownCode, L"ctx", L"Windows Error 536914893 ctx"},
        {kUnknownCode, nullptr, L"Windows Error 536914893 "},
    };
    for (const Case& c : cases) {
        WindowsError error(c.code, c.context);
        EXPECT_EQ(c.description, Describe(error)) << c.code;
        EXPECT_EQ(L"Windows Error " + std::to_wstring(c.code) + L": " + c.description, Insert(error));
        EXPECT_STREQ("InstallerError", error.what());
        EXPECT_EQ(c.code, error.GetCode());
    }
}

TEST(WindowsError, DescribeAppendsAndCopiesKeepTheContext)
{
    WindowsError error(kUnknownCode, L"ctx");
    HeapString text(L"prefix: ");
    error.Describe(text);
    EXPECT_STREQ(L"prefix: Windows Error 536914893 ctx", text.GetString());

    WindowsError copy(error);
    EXPECT_EQ(Describe(error), Describe(copy));
    EXPECT_STREQ(L"ctx", copy.GetContext());
}

// Seams for the engine's last-error record (Wine's MsiGetLastErrorRecord always returns 0).
MSIHANDLE WINAPI NoErrorRecord()
{
    return 0;
}

MSIHANDLE WINAPI MissingTableRecord()
{
    MSIHANDLE record = MsiApi().MsiCreateRecord(2);
    MsiApi().MsiRecordSetStringW(record, 0, L"Error [1]: table [2] is missing");
    MsiApi().MsiRecordSetInteger(record, 1, 2259);
    MsiApi().MsiRecordSetStringW(record, 2, L"ZKPaths");
    return record;
}

using LastErrorOverride = MsiApiOverride<decltype(MsiApiTable::MsiGetLastErrorRecord)>;

TEST(MsiInstallerError, WithoutARecord)
{
    LastErrorOverride seam(MsiApi().MsiGetLastErrorRecord, &NoErrorRecord);
    MsiInstallerError error(static_cast<UINT>(-1), nullptr);
    EXPECT_EQ(L"<Unable to format error record.>", Describe(error));
    EXPECT_EQ(L"Msi Error: 4294967295\r\nError Record: <Unable to format error record.>", Insert(error));
    EXPECT_EQ(0u, error.GetErrorRecord().GetHandle());
    EXPECT_STREQ("InstallerError", error.what());
}

TEST(MsiInstallerError, WithARecordThatOutlivesTheThrownObject)
{
    LastErrorOverride seam(MsiApi().MsiGetLastErrorRecord, &MissingTableRecord);
    MsiInstallerError* kept = nullptr;
    try {
        throw MsiInstallerError(1627, nullptr);
    } catch (const MsiInstallerError& caught) {
        kept = new MsiInstallerError(caught);
    }
    ASSERT_NE(nullptr, kept);
    HeapString text(L"replaced");
    kept->Describe(text);
    EXPECT_STREQ(L"Error 2259: table ZKPaths is missing", text.GetString());
    EXPECT_EQ(L"Msi Error: 1627\r\nError Record: Error 2259: table ZKPaths is missing", Insert(*kept));

    MsiSmartPtr<MsiRecord> record = kept->GetErrorRecord();
    EXPECT_EQ(2, record->GetRefCount());
    delete kept;
    EXPECT_EQ(1, record->GetRefCount());
    EXPECT_EQ(2259, MsiApi().MsiRecordGetInteger(record.GetHandle(), 1));
}

TEST(MsiInstallerError, SystemErrorForm)
{
    MsiInstallerError error(ERROR_FILE_NOT_FOUND, nullptr, L"opening the package");
    EXPECT_TRUE(error.IsSystemError());
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND) + L"\noccured while opening the package", Describe(error));
    EXPECT_EQ(0u, error.GetErrorRecord().GetHandle());
}

TEST(SystemErrorClasses, PrintLibraryErrorsAsArguments)
{
    const std::wstring fileNotFound = SystemText(ERROR_FILE_NOT_FOUND);

    InvalidResourceModule module(
        __FILE__, __LINE__, L"lang.dll", WindowsError(2, L"loading"), L"Unable to load %1 because %2");
    EXPECT_EQ(10007, module.GetCode());
    EXPECT_EQ(L"Unable to load lang.dll because Windows Error 2: " + fileNotFound + L" loading",
        std::wstring(module.GetDebugMessage()));

    LinkedDistCreateProcess launch(__FILE__, __LINE__, L"child.exe", L"/q", WindowsError(kUnknownCode, nullptr),
        L"Failed to start %1 with command line %2.\nWindows Error %3");
    EXPECT_EQ(10008, launch.GetCode());
    EXPECT_EQ(L"Failed to start child.exe with command line /q.\nWindows Error Windows Error "
              L"536914893: Windows Error 536914893 ",
        std::wstring(launch.GetDebugMessage()));

    TempCopyCreationFailed copy(__FILE__, __LINE__, L"a", L"b", WindowsError(kUnknownCode, L"x"),
        L"Unable to copy original %1 to %2.\nWindows Error %3.");
    EXPECT_EQ(10009, copy.GetCode());
    EXPECT_EQ(L"Unable to copy original a to b.\nWindows Error Windows Error 536914893: Windows "
              L"Error 536914893 x.",
        std::wstring(copy.GetDebugMessage()));

    LastErrorOverride seam(MsiApi().MsiGetLastErrorRecord, &MissingTableRecord);
    InstallSessionOpenError session(__FILE__, __LINE__, MsiInstallerError(1627, nullptr), L"merged.msi",
        L"Failed to open database handle for %2.\r\n%1");
    EXPECT_EQ(11002, session.GetCode());
    InstallSessionOpenError sessionCopy(session);
    EXPECT_EQ(L"Failed to open database handle for merged.msi.\r\nMsi Error: 1627\r\nError Record: "
              L"Error 2259: table ZKPaths is missing",
        std::wstring(sessionCopy.GetDebugMessage()));
    EXPECT_EQ(2259, MsiApi().MsiRecordGetInteger(session.Argument<1>().GetErrorRecord().GetHandle(), 1));
}

}  // namespace
