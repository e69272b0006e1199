// Cost of one very long property value (a user name typed on the user-information page) on its
// way to a part's installation: set into a Windows Installer session and read back from it,
// written into the part's command line of properties and into a linked child's command line, and
// logged with the package command line's wrap. The value is one word of 10,000, 100,000 and
// 1,000,000 characters (no blank to break the logged line at).
//   long_value_bench.exe <package.msi>
// Prints one "BENCH long-value chars=N ms=..." line per length, the mean of a few rounds, with
// the stretches of the way.
#include <windows.h>

#include <msi.h>

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

#include "BenchSupport.h"
#include "CString.h"
#include "LinkedDistributionLaunch.h"
#include "MsiSession.h"
#include "Part.h"
#include "VelmoLogStream.h"

namespace {

const int kLengths[] = {10000, 100000, 1000000};
const int kRounds = 5;
const wchar_t kUserProperty[] = L"USERNAME";

using bench::Now;

std::wstring TempLogPath()
{
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"lvb", 0, name))
        throw std::runtime_error("cannot make a temporary log file");
    return name;
}

// The seconds of each stretch of one value's way, summed over rounds.
struct Stretches {
    double session = 0;
    double text = 0;
    double log = 0;
};

void RunOnce(MsiSession& session, const CString& value, const std::wstring& logPath, Stretches& total)
{
    double start = Now();
    session.SetProperty(kUserProperty, value);
    const CString read(session.GetMfcProperty(kUserProperty));
    if (read.GetLength() != value.GetLength())
        throw std::runtime_error("the session gave back another value");
    double end = Now();
    total.session += end - start;

    start = end;
    std::map<CString, CString> properties = {{L"COMPANYNAME", L"Company"}, {L"REBOOT", L"Suppress"},
        {L"ZKORBELLAUNCHED", L"1"}, {L"ZKORBELDISTROOT", L"C:\\Dist\\"}, {kUserProperty, read}};
    CString commandLine = L"ADDLOCAL=\"Core\"     INSTALLDIR=\"C:\\Program Files\\Velmo\\\" ";
    const CString propertyText = FormatPackageProperties(properties);
    commandLine += propertyText;
    LinkedChildCommand child;
    child.program = L"E:\\Disk 2\\setup.exe";
    child.properties = properties;
    const CString childLine = BuildLinkedChildCommandLine(child);
    if (commandLine.GetLength() <= value.GetLength() || childLine.GetLength() <= value.GetLength())
        throw std::runtime_error("a command line lost the value");
    end = Now();
    total.text += end - start;

    start = end;
    {
        VelmoLogOStream log;
        log.Open(logPath.c_str(), false);
        VelmoLogGuard(log, kLogInfo | kLogDetail, kPackageCommandLogWrap)
            << L"Properties: " << propertyText << std::endl;
        log.Close();
    }
    end = Now();
    total.log += end - start;
}

void BenchLength(MsiSession& session, int length, const std::wstring& logPath)
{
    const CString value(std::wstring(static_cast<size_t>(length), L'x').c_str());
    Stretches total;
    for (int round = 0; round < kRounds; ++round)
        RunOnce(session, value, logPath, total);
    const double perRound = 1000.0 / kRounds;
    std::printf("BENCH long-value chars=%d ms=%.1f session_ms=%.1f text_ms=%.1f log_ms=%.1f rounds=%d\n", length,
        (total.session + total.text + total.log) * perRound, total.session * perRound, total.text * perRound,
        total.log * perRound, kRounds);
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: long_value_bench <package.msi>\n");
        return 2;
    }
    const std::wstring logPath = TempLogPath();
    int exitCode = 0;
    try {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        MsiSmartPtr<MsiSession> session = MsiSession::OpenPackage(argv[1]);
        for (int length : kLengths)
            BenchLength(*session, length, logPath);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "long_value_bench: %s\n", error.what());
        exitCode = 1;
    } catch (...) {
        std::fprintf(stderr, "long_value_bench: a Windows Installer call failed\n");
        exitCode = 1;
    }
    DeleteFileW(logPath.c_str());
    return exitCode;
}
