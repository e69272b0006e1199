// The error framework: expansion of "%N" references, the three texts, template loading and the
// body that copies share.
#include "ErrorResourceModule.h"
#include "InstallerErrors.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using ZKInstallerError::IInstallerError;

namespace {

const wchar_t* const kArgumentNames[]
    = {L"one", L"two", L"three", L"four", L"five", L"six", L"seven", L"eight", L"nine", L"ten", L"eleven", L"twelve"};

HMODULE LanguageModule()
{
    static HMODULE module = ::LoadLibraryW((testsupport::ModuleDir() + L"\\errors_test_lang.dll").c_str());
    return module;
}

HMODULE LanguageModuleCallback(int)
{
    return LanguageModule();
}

// An error with twelve arguments "one" to "twelve" and a free choice of template.
class ProbeError : public VelmoInstallerError {
public:
    ProbeError(unsigned int stringId, const wchar_t* debugText,
        ZKInstallerError::ResourceModuleCallback module = &LanguageModuleCallback)
        : VelmoInstallerError("Probe.cpp", 1, 1, module, stringId, debugText)
    {
    }

protected:
    bool InsertArgument(unsigned int number, std::wostream& out) const override
    {
        if (number < 1 || number > 12) {
            out << kInvalidArgument;
            return false;
        }
        out << kArgumentNames[number - 1];
        return true;
    }
};

struct ExpansionCase {
    const wchar_t* text;
    const wchar_t* expanded;
};

const ExpansionCase kExpansionCases[] = {
    {L"plain text", L"plain text"},
    {L"", L""},
    {L"%1 and %2", L"one and two"},
    {L"%1%2", L"onetwo"},
    {L"100%% sure", L"100% sure"},
    {L"%%1", L"%1"},
    {L"%%%1", L"%one"},
    {L"kept%0 dropped %1", L"kept"},
    {L"%0", L""},
    {L"ends in %", L"ends in %"},
    {L"%a letter", L"%a letter"},
    {L"%%%", L"%%"},
    {L"%12", L"twelve"},
    {L"%10x", L"tenx"},
    {L"%13", L"<Invalid argument number!>"},
    {L"%99999999999999999999", L"<Invalid argument number!>"},
    {L"a\nb %3", L"a\nb three"},
};

}  // namespace

TEST(InstallerErrorTest, ExpandsReferencesByTheRules)
{
    for (const ExpansionCase& c : kExpansionCases) {
        ProbeError error(0, c.text);
        EXPECT_STREQ(c.expanded, error.GetDebugMessage()) << "text: " << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(InstallerErrorTest, ClassWithoutArgumentsPrintsInvalidNumber)
{
    MutexNotGrabbed error(__FILE__, __LINE__, L"%1 [%0]");
    EXPECT_STREQ(L"<Invalid argument number!> [", error.GetDebugMessage());
}

TEST(InstallerErrorTest, WithoutDebugTextTheDebugMessageSaysSo)
{
    ProbeError error(0, nullptr);
    EXPECT_STREQ(L"<No Debug Message>", error.GetDebugMessage());
}

TEST(InstallerErrorTest, LongTemplateIsLoadedWhole)
{
    ASSERT_NE(nullptr, LanguageModule());
    ProbeError error(30001, nullptr);
    std::wstring expected = L"Long template: ";
    for (int i = 0; i < 28; ++i) {
        expected += L"0123456789";
    }
    expected += L"one end";
    EXPECT_EQ(expected, error.GetUserMessage());
}

TEST(InstallerErrorTest, TemplateMissingEverywhereGivesEmptyUserMessage)
{
    ProbeError error(30002, L"debug");
    EXPECT_STREQ(L"", error.GetUserMessage());
    EXPECT_STREQ(L"Probe.cpp(1): IInstallerError 1\n\ndebug\n", error.GetFullText());
}

TEST(InstallerErrorTest, WithoutCallbackTheProgramsTemplateServes)
{
    ProbeError error(10004, nullptr, nullptr);
    EXPECT_STREQ(L"Fatal Error. Operation aborted.", error.GetUserMessage());
}

TEST(InstallerErrorTest, LanguageModuleTemplateWinsOverTheProgramsOwn)
{
    ASSERT_NE(nullptr, LanguageModule());
    SetErrorResourceModule(LanguageModule());
    OperationAborted aborted(__FILE__, __LINE__, L"Setup");
    NoAdminPriv noAdmin(__FILE__, __LINE__);  // not in the language module
    std::wstring abortedMessage = aborted.GetUserMessage();
    std::wstring noAdminMessage = noAdmin.GetUserMessage();
    SetErrorResourceModule(nullptr);

    EXPECT_EQ(L"Schwerer Fehler. Vorgang abgebrochen: Setup.", abortedMessage);
    EXPECT_EQ(L"You must have administrative privileges to run this installation.", noAdminMessage);
    EXPECT_STREQ(L"Fatal Error. Operation aborted.", OperationAborted(__FILE__, __LINE__, L"Setup").GetUserMessage());
}

TEST(InstallerErrorTest, FullTextHasFileLineCodeAndBothMessages)
{
    OperationAborted error("src\\Loader.cpp", 120, L"Loading", L"Initialization aborted.");
    EXPECT_STREQ(L"src\\Loader.cpp(120): IInstallerError 10004\n"
                 L"Fatal Error. Operation aborted.\n"
                 L"Initialization aborted.\n",
        error.GetFullText());
    EXPECT_EQ(10004, error.GetCode());
    EXPECT_EQ(10004u, error.GetStringId());
    EXPECT_EQ(120, error.GetLine());
}

TEST(InstallerErrorTest, FullTextWithoutFileOrDebugText)
{
    NoAdminPriv error(nullptr, 7);
    EXPECT_STREQ("<No File>", error.GetFile());
    EXPECT_STREQ(L"<No File>(7): IInstallerError 12004\n"
                 L"You must have administrative privileges to run this installation.\n"
                 L"<No Debug Message>\n",
        error.GetFullText());
}

TEST(InstallerErrorTest, CopiesShareTheBuiltTexts)
{
    OperationAborted original(__FILE__, __LINE__, L"Costing", L"Costing aborted.");
    OperationAborted copy(original);  // before any text exists
    const wchar_t* built = copy.GetUserMessage();
    EXPECT_EQ(built, original.GetUserMessage());

    try {
        throw original;
    } catch (const VelmoInstallerError& caught) {
        // The caught object is a copy: its full text is the one the thrower's object sees.
        EXPECT_EQ(caught.GetFullText(), original.GetFullText());
        EXPECT_EQ(built, caught.GetUserMessage());
        EXPECT_EQ(-10004, -caught.GetCode());
    }
}

TEST(InstallerErrorTest, AssignmentSharesTheOtherBody)
{
    OperationAborted first(__FILE__, __LINE__, L"first");
    OperationAborted second(__FILE__, __LINE__, L"second");
    second = first;
    EXPECT_EQ(first.GetDebugMessage(), second.GetDebugMessage());
    EXPECT_EQ(first.GetUserMessage(), second.GetUserMessage());
}

namespace {

struct BuildRace {
    const OperationAborted* error;
    const wchar_t* text = nullptr;
};

DWORD WINAPI RequestFullText(void* parameter)
{
    BuildRace* race = static_cast<BuildRace*>(parameter);
    try {
        OperationAborted copy(*race->error);
        race->text = copy.GetFullText();
    } catch (...) {
    }
    return 0;
}

}  // namespace

TEST(InstallerErrorTest, CopiesOnSeveralThreadsBuildTheTextOnce)
{
    OperationAborted error(__FILE__, __LINE__, L"Loading", L"%1 aborted.");
    std::vector<BuildRace> races(8, BuildRace{&error});
    std::vector<HANDLE> threads;
    for (BuildRace& race : races) {
        threads.push_back(::CreateThread(nullptr, 0, RequestFullText, &race, 0, nullptr));
        ASSERT_NE(nullptr, threads.back());
    }
    ::WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, 10000);
    for (HANDLE thread : threads) {
        ::CloseHandle(thread);
    }
    for (const BuildRace& race : races) {
        EXPECT_EQ(error.GetFullText(), race.text);
    }
}
