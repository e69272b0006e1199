// Windows Installer's log gathered into the run's log: the run's lines stay whole and in order,
// the engine's text lands after them as UTF-16.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <string>

#include "InstallerLogCapture.h"
#include "ServiceStandIns.h"
#include "TestSupport.h"

TEST(InstallerLogCapture, EngineTextIsDecodedWithCrLf)
{
    struct Case {
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {"", L""},
        {"one\ntwo\r\nthree\n", L"one\r\ntwo\r\nthree\r\n"},
        {std::string("\xFF\xFE"
                     "a\0\n\0",
             6),
            L"a\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, std::wstring(InstallerLogCapture::DecodeEngineText(c.bytes.data(), c.bytes.size())))
            << c.bytes;
}

TEST(InstallerLogCapture, TheRunsLinesSurviveTheEnginesLog)
{
    testsupport::StandInApplicationServices app;
    testsupport::ScopedApplicationServices scope(&app);
    testsupport::TempDir dir;
    const std::wstring path = dir.File(L"run.log");
    app.logFile = path.c_str();
    app.Log().Open(path.c_str(), false);
    app.Log() << L"first line of the run" << std::endl;

    InstallerLogCapture capture;
    capture.Start(INSTALLLOGMODE_VERBOSE | INSTALLLOGMODE_INFO, 0);
    ASSERT_TRUE(capture.IsCapturing());
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    MSIHANDLE package = 0;
    ASSERT_EQ(0u, MsiOpenPackageW(testsupport::TestDataPath(L"model_core.msi").c_str(), &package));
    MsiCloseHandle(package);
    app.Log() << L"pending text";
    capture.Drain();
    app.Log() << L" of the run" << std::endl;
    capture.Stop();
    EXPECT_FALSE(capture.IsCapturing());
    app.Log().Close();

    const testsupport::LogFile log = testsupport::ReadLogFile(path);
    ASSERT_GE(log.lines.size(), 3u) << log.text;
    EXPECT_EQ(L"OrbelInstaller: first line of the run", log.lines[0]);
    EXPECT_EQ(0u, log.lines[1].find(L"OrbelInstaller: pending text")) << log.text;
    EXPECT_NE(std::wstring::npos, log.text.find(L"Logging started")) << log.text;
    EXPECT_EQ(L"OrbelInstaller:  of the run", log.lines.back()) << log.text;
}

TEST(InstallerLogCapture, WithoutARunLogTheEngineDoesNotLog)
{
    testsupport::StandInApplicationServices app;
    testsupport::ScopedApplicationServices scope(&app);
    InstallerLogCapture capture;
    capture.Start(INSTALLLOGMODE_VERBOSE, 0);
    EXPECT_FALSE(capture.IsCapturing());
}
