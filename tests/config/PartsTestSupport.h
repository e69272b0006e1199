// The sample distribution of the part-record tests: a folder with an INI file written by the
// test, the merged package, two part packages and a custom language module.
#pragma once

#include <windows.h>
#include <msi.h>

#include <string>

#include "ServiceStandIns.h"
#include "TestSupport.h"

namespace partstest {

// A sample distribution folder. The packages are copied in as merged.msi, parta.msi and
// disk2\partb.msi, the custom module as custom.dll; engine.exe, post.exe and sysinfo.dll are
// empty files for the utilities the configuration requires.
class SampleFolder {
public:
    SampleFolder();
    ~SampleFolder();
    SampleFolder(const SampleFolder&) = delete;
    SampleFolder& operator=(const SampleFolder&) = delete;

    // Writes setup.ini with `ini` (the INI text, ASCII).
    void WriteIni(const std::string& ini) const;
    const std::wstring& Path() const { return m_dir.Path(); }
    std::wstring File(const std::wstring& name) const { return m_dir.File(name); }
    std::wstring IniPath() const { return File(L"setup.ini"); }

private:
    testsupport::TempDir m_dir;
};

// The configuration sections every sample needs for the first two steps.
std::string BaseIni();

// Sets the distribution's current root folder for the block (the model is not loaded in
// these tests).
class RootPathSetter {
public:
    RootPathSetter(testsupport::StandInServices& services, const std::wstring& root);
    ~RootPathSetter();
    RootPathSetter(const RootPathSetter&) = delete;
    RootPathSetter& operator=(const RootPathSetter&) = delete;

private:
    testsupport::StandInDistributionServices& m_distribution;
};

// The installer session's property (empty when not set).
std::wstring SessionProperty(MSIHANDLE session, const wchar_t* name);

}  // namespace partstest
