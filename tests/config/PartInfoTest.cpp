// The part records as the [Parts] reader and a part's section make them: order, fields, bad
// entries, the transform lookup, the package path and the database.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "CStringText.h"
#include "ConfigInfo.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "PartInfo.h"
#include "PartsTestSupport.h"
#include "SystemErrorClasses.h"

using testsupport::Text;

namespace {

std::wstring ListText(const IniErrorList& errors)
{
    std::wostringstream out;
    out << errors;
    return out.str();
}

// A configuration located in a sample folder holding `ini` (steps 1 and 2 not run: the records
// see no user-interface language).
class PartRecordTest : public ::testing::Test {
protected:
    void Locate(const std::string& ini)
    {
        m_sample.WriteIni(ini);
        m_config.SetIniFile(m_sample.Path().c_str(), L"setup.ini");
    }
    std::wstring Folder() const { return m_sample.Path() + L"\\"; }

    testsupport::StandInServices m_services;
    testsupport::CurrentFolderGuard m_keeper;
    partstest::SampleFolder m_sample;
    CConfigInfo m_config;
};

std::vector<std::wstring> PartNames(const CConfigInfo& config)
{
    std::vector<std::wstring> names;
    for (size_t i = 0; i < config.GetPartInfoCount(); ++i)
        names.push_back(Text(config.GetPartInfo(i)->GetName()));
    return names;
}

}  // namespace

TEST_F(PartRecordTest, PartsAreCreatedInOrdinalKeyOrderAndMergedIsRefused)
{
    Locate("[Parts]\r\nZeta=1\r\nalpha=1\r\nMERGED=1\r\nBeta=1\r\n"
           "[Zeta]\r\nPath=parta.msi\r\n[alpha]\r\nPath=parta.msi\r\n[Beta]\r\nPath=parta.msi\r\n");
    IniErrorList errors;
    EXPECT_EQ(3, m_config.ReadParts(errors));
    EXPECT_EQ((std::vector<std::wstring>{L"Beta", L"Zeta", L"alpha"}), PartNames(m_config));
    EXPECT_EQ(L"1. Bad Key: [Parts] MERGED = Merged\r\n", ListText(errors));
    EXPECT_EQ(nullptr, m_config.GetPartInfo(3));
    EXPECT_EQ(m_config.GetPartInfo(1), m_config.FindPartInfo(L"Zeta"));
    EXPECT_EQ(nullptr, m_config.FindPartInfo(L"zeta"));
}

TEST_F(PartRecordTest, MissingPartsSectionIsReported)
{
    Locate("[Other]\r\nA=1\r\n");
    IniErrorList errors;
    EXPECT_EQ(0, m_config.ReadParts(errors));
    EXPECT_EQ(L"1. Missing Section: [Parts]\r\n", ListText(errors));
}

TEST_F(PartRecordTest, BadEntriesOfPartSectionsAreCollected)
{
    Locate("[Parts]\r\nA=\r\nB=\r\nC=\r\nD=\r\nE=\r\nF=\r\n"
           // lower-case volume is not read: the part stays on volume 1, where the path must exist
           "[A]\r\nvolume=2\r\nPath=missing.msi\r\n"
           // another volume: nothing is checked
           "[B]\r\nVolume=2\r\nPath=nothere.msi\r\nLangDb1031=nothere.msi\r\n"
           "[C]\r\nVolume=0\r\nPath=parta.msi\r\n"
           "[D]\r\nPath=parta.msi\r\nLangDb1031=de\\missing.msi\r\nLangXfm1031=parta.msi\r\n"
           "[E]\r\nProductCode={X}\r\n");
    IniErrorList errors;
    EXPECT_EQ(6, m_config.ReadParts(errors));
    std::wstring expected = L"1. Specified file not found: [A] Path = missing.msi\r\n"
                            L"2. Bad Value: [C] Volume = 0\r\n"
                            L"3. Specified file not found: [D] LangDb1031 = "
        + Folder()
        + L"de\\missing.msi\r\n"
          L"4. Missing Key: [E] Path\r\n"
          L"5. Missing Section: [F]\r\n"
          L"6. Missing Key: [F] Path\r\n";
    EXPECT_EQ(expected, ListText(errors));
    EXPECT_EQ(1, m_config.FindPartInfo(L"A")->GetVolume());
    EXPECT_EQ(2, m_config.FindPartInfo(L"B")->GetVolume());
    EXPECT_EQ(0, m_config.FindPartInfo(L"C")->GetVolume());
}

TEST_F(PartRecordTest, SectionFieldsAndLanguageMaps)
{
    Locate("[Parts]\r\nPartA=\r\n"
           "[PartA]\r\nPath=parta.msi\r\nProductCode={4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E11}\r\n"
           "productcode=\r\nproductcode1031={P1031}\r\nProductCodeX={P0}\r\n"
           "LangDb1031=parta.msi\r\nLangDb01031=disk2\\partb.msi\r\nlangxfm3079=parta.msi\r\n"
           "Properties=PartAProps\r\nUnknown=1\r\n"
           "[PartAProps]\r\nZETA=z\r\nALPHA=a\r\nbeta=b\r\n");
    IniErrorList errors;
    m_config.ReadParts(errors);
    EXPECT_TRUE(errors.IsEmpty()) << ListText(errors);
    CConfigInfo::PartInfo* part = m_config.GetPartInfo(0);
    ASSERT_NE(nullptr, part);
    EXPECT_EQ(L"parta.msi", Text(part->GetPath()));
    EXPECT_EQ(L"{4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E11}", Text(part->GetConfiguredProductCode()));
    EXPECT_EQ(1, part->GetVolume());

    std::vector<std::wstring> props;
    for (const auto& entry : part->GetProperties())
        props.push_back(Text(entry.first) + L"=" + Text(entry.second));
    EXPECT_EQ((std::vector<std::wstring>{L"ALPHA=a", L"ZETA=z", L"beta=b"}), props);

    const CConfigInfo::PartInfo::LanguageMap& codes = part->GetLangProductCodes();
    ASSERT_EQ(2u, codes.size());
    EXPECT_EQ(L"{P0}", Text(codes.at(0)));
    EXPECT_EQ(L"{P1031}", Text(codes.at(1031)));
    // LangDb01031 sorts first and keeps its LANGID.
    ASSERT_EQ(1u, part->GetLangPackages().size());
    EXPECT_EQ(L"disk2\\partb.msi", Text(part->GetLangPackages().at(1031)));
    EXPECT_EQ(L"parta.msi", Text(part->GetLangTransforms().at(3079)));
    // Without distribution settings there is no user-interface language.
    EXPECT_EQ(L"parta.msi", Text(part->GetLangDbPath()));
    EXPECT_EQ(L"{4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E11}", Text(part->GetProductCode()));
}

TEST_F(PartRecordTest, TransformOfTheLanguageFamily)
{
    Locate("[Parts]\r\nWithout=\r\nWith=\r\n"
           "[Without]\r\nVolume=2\r\nPath=p.msi\r\nLangXfm1031=de.mst\r\nLangXfm2055=ch.mst\r\nLangXfm3079=at.mst\r\n"
           "[With]\r\nVolume=2\r\nPath=p.msi\r\nLangXfm1031=de.mst\r\nLangXfm2055=ch.mst\r\nLangXfm3079=at.mst\r\n"
           "LangXfm7=neutral.mst\r\n");
    IniErrorList errors;
    m_config.ReadParts(errors);
    ASSERT_TRUE(errors.IsEmpty()) << ListText(errors);
    struct Case {
        const wchar_t* part;
        LANGID language;
        bool found;
        const wchar_t* transform;
    } cases[] = {
        {L"Without", 1033, false, L"unchanged"},
        {L"Without", 2055, true, L"ch.mst"},
        {L"Without", 5127, true, L"at.mst"},
        {L"With", 5127, true, L"neutral.mst"},
        {L"With", 1031, true, L"de.mst"},
        {L"With", 7, true, L"neutral.mst"},
    };
    for (const Case& c : cases) {
        CString transform(L"unchanged");
        EXPECT_EQ(c.found, m_config.FindPartInfo(c.part)->GetLangXfm(c.language, transform))
            << c.part << L" " << c.language;
        EXPECT_EQ(c.transform, Text(transform)) << c.part << L" " << c.language;
    }
}

TEST_F(PartRecordTest, PackagePathAgainstTheCurrentRootFolder)
{
    Locate("[Parts]\r\nRel=\r\nLead=\r\nAbs=\r\n"
           "[Rel]\r\nPath=parta.msi\r\n[Lead]\r\nPath=\\parta.msi\r\n[Abs]\r\nPath=C:\\elsewhere\\p.msi\r\n");
    IniErrorList errors;
    m_config.ReadParts(errors);

    CString path;
    // Before the distribution model has a root folder.
    try {
        m_config.FindPartInfo(L"Rel")->GetPackagePath(path);
        FAIL() << "no error";
    } catch (const PriorOperationRequired& e) {
        EXPECT_EQ(L"CDistribution::PopulateFromIniFile", Text(e.Argument<1>()));
        EXPECT_EQ(L"CDistribution::GetCurrentRootPath", Text(e.Argument<2>()));
    }

    partstest::RootPathSetter root(m_services, L"D:\\media");
    m_config.FindPartInfo(L"Rel")->GetPackagePath(path);
    EXPECT_EQ(L"D:\\media\\parta.msi", Text(path));
    m_config.FindPartInfo(L"Lead")->GetPackagePath(path);
    EXPECT_EQ(L"D:\\media\\parta.msi", Text(path));
    m_config.FindPartInfo(L"Abs")->GetPackagePath(path);
    EXPECT_EQ(L"C:\\elsewhere\\p.msi", Text(path));
}

TEST_F(PartRecordTest, TemporaryCopyReplacesThePackage)
{
    Locate("[Parts]\r\nRel=\r\n[Rel]\r\nPath=parta.msi\r\nLangDb1031=disk2\\partb.msi\r\n");
    IniErrorList errors;
    m_config.ReadParts(errors);
    CConfigInfo::PartInfo* part = m_config.FindPartInfo(L"Rel");
    {
        partstest::RootPathSetter root(m_services, m_sample.Path());
        part->MakeTempPackageCopy();
    }
    ASSERT_FALSE(part->GetTempCopyPath().IsEmpty());
    // The copy is used even without a root folder, whatever the language.
    CString path;
    part->GetPackagePath(path);
    EXPECT_EQ(Text(part->GetTempCopyPath()), Text(path));
    EXPECT_EQ(0u, Text(path).find(m_services.app.CopyFolder()));
    EXPECT_EQ(testsupport::ReadFileBytes(m_sample.File(L"parta.msi")), testsupport::ReadFileBytes(Text(path)));
    EXPECT_EQ(Text(path), m_services.app.Copies().back());
    DeleteFileW(path);
}

TEST_F(PartRecordTest, DatabaseIsOpenedOnceAndFailuresNameThePackage)
{
    Locate("[Parts]\r\nGood=\r\nGone=\r\n[Good]\r\nPath=parta.msi\r\n[Gone]\r\nVolume=2\r\nPath=gone.msi\r\n");
    IniErrorList errors;
    m_config.ReadParts(errors);
    partstest::RootPathSetter root(m_services, m_sample.Path());

    CConfigInfo::PartInfo* good = m_config.FindPartInfo(L"Good");
    MsiSmartPtr<MsiDatabase> first = good->GetDatabase();
    MsiSmartPtr<MsiDatabase> second = good->GetDatabase();
    EXPECT_EQ(first.Get(), second.Get());
    MsiHeapString value;
    first->GetProperty(value, L"VELMOPART");
    EXPECT_EQ(L"part a", std::wstring(MsiText::Get(value)));

    try {
        m_config.FindPartInfo(L"Gone")->GetDatabase();
        FAIL() << "no error";
    } catch (const InstallSessionOpenError& e) {
        EXPECT_EQ(Text(m_sample.File(L"gone.msi").c_str()), Text(e.Argument<2>()));
        EXPECT_NE(std::wstring::npos, std::wstring(e.GetDebugMessage()).find(L"Failed to open database handle for "));
    }
    try {
        m_config.FindPartInfo(L"Gone")->GetSession();
        FAIL() << "no error";
    } catch (const InstallSessionOpenError& e) {
        EXPECT_EQ(Text(m_sample.File(L"gone.msi").c_str()), Text(e.Argument<2>()));
        EXPECT_TRUE(m_config.FindPartInfo(L"Gone")->PeekSession().IsNull());
    }
}
