#include "PartsTestSupport.h"

#include <msi.h>
#include <msiquery.h>

#include <stdexcept>
#include <vector>

namespace partstest {

namespace {

void CopyOrFail(const std::wstring& from, const std::wstring& to)
{
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
        throw std::runtime_error("cannot copy a sample file");
}

}  // namespace

SampleFolder::SampleFolder()
{
    using testsupport::TestDataPath;
    CopyOrFail(TestDataPath(L"parts_merged.msi"), File(L"merged.msi"));
    CopyOrFail(TestDataPath(L"parts_a.msi"), File(L"parta.msi"));
    CreateDirectoryW(File(L"disk2").c_str(), nullptr);
    CopyOrFail(TestDataPath(L"parts_b.msi"), File(L"disk2\\partb.msi"));
    CopyOrFail(testsupport::ModuleDir() + L"\\parts_custom.dll", File(L"custom.dll"));
    for (const wchar_t* name : {L"engine.exe", L"post.exe", L"sysinfo.dll"})
        testsupport::WriteFileBytes(File(name), "");
}

SampleFolder::~SampleFolder() { }

void SampleFolder::WriteIni(const std::string& ini) const
{
    testsupport::WriteFileBytes(IniPath(), ini);
}

std::string BaseIni()
{
    return "[MsiEngine]\r\n"
           "WinNTPath=engine.exe\r\n"
           "CommandLine=/q\r\n"
        + testsupport::DistributionIni("Languages=1033,1031\r\n"
                                       "CustomRes1033=custom.dll\r\n"
                                       "CustomRes1031=custom.dll\r\n"
                                       "StandardRes1031=custom.dll\r\n");
}

RootPathSetter::RootPathSetter(testsupport::StandInServices& services, const std::wstring& root)
    : m_distribution(services.distribution)
{
    m_distribution.SetCurrentRootPath(root);
}

RootPathSetter::~RootPathSetter()
{
    m_distribution.SetCurrentRootPath(L"");
}

std::wstring SessionProperty(MSIHANDLE session, const wchar_t* name)
{
    DWORD count = 0;
    wchar_t empty[1] = {};
    UINT result = MsiGetPropertyW(session, name, empty, &count);
    if (result != ERROR_MORE_DATA && result != ERROR_SUCCESS)
        return L"<error>";
    std::vector<wchar_t> buffer(count + 1);
    count = static_cast<DWORD>(buffer.size());
    if (MsiGetPropertyW(session, name, buffer.data(), &count) != ERROR_SUCCESS)
        return L"<error>";
    return buffer.data();
}

}  // namespace partstest
