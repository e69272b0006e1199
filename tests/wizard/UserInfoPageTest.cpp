// Where the user-information page takes the name and the organisation from, and how it stores
// them: rows over a real session of the sample's merged package.
#include <gtest/gtest.h>

#include <string>

#include "MsiSession.h"
#include "TestSupport.h"
#include "UserInfoDialog.h"

using namespace testsupport;

namespace {

std::wstring Property(MsiSession& session, const wchar_t* name)
{
    CString value = session.GetMfcProperty(name);
    return value.GetString();
}

class UserInfoSession : public ::testing::Test {
protected:
    UserInfoSession()
    {
        ::CopyFileW((ModuleDir() + L"\\sample\\merged.msi").c_str(), m_dir.File(L"merged.msi").c_str(), FALSE);
        m_session = MsiSession::OpenPackage(m_dir.File(L"merged.msi").c_str());
    }
    TempDir m_dir;
    MsiSmartPtr<MsiSession> m_session;
};

// The first source that gives a value wins: the spec file, the configuration, the property
// that RegUserProp names, the standard property.
TEST_F(UserInfoSession, InitialValueComesFromTheFirstSourceThatHasOne)
{
    const struct {
        const char* name;
        const wchar_t* spec;
        const wchar_t* configured;
        const wchar_t* property;  // the RegUserProp name
        const wchar_t* propertyValue;
        const wchar_t* standardValue;
        const wchar_t* expected;
    } rows[] = {
        {"spec file over everything", L"Spec Name", L"Configured", L"REGUSER", L"Registered", L"Standard", L"Spec Name"},
        {"configuration over the properties", L"", L"Configured", L"REGUSER", L"Registered", L"Standard",
            L"Configured"},
        {"the named property", L"", L"", L"REGUSER", L"Registered", L"Standard", L"Registered"},
        {"named property empty: the standard one", L"", L"", L"REGUSER", L"", L"Standard", L"Standard"},
        {"no property named: the standard one", L"", L"", L"", L"Registered", L"Standard", L"Standard"},
        {"nothing anywhere", L"", L"", L"REGUSER", L"", L"", L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_session->SetProperty(L"REGUSER", row.propertyValue);
        m_session->SetProperty(L"USERNAME", row.standardValue);
        const CString chosen
            = CUserInfoDialog::ChooseInitialValue(*m_session, row.spec, row.configured, row.property, L"USERNAME");
        EXPECT_EQ(std::wstring(row.expected), chosen.GetString());
    }
}

// The value is trimmed and set on the named property (when one is named) and the standard one;
// an empty value empties both.
TEST_F(UserInfoSession, StoredValueIsTrimmedIntoTheNamedAndTheStandardProperty)
{
    const struct {
        const char* name;
        const wchar_t* property;
        const wchar_t* typed;
        const wchar_t* expected;
        const wchar_t* expectedNamed;  // REGCOMPANY afterwards
    } rows[] = {
        {"blanks and tabs trimmed", L"REGCOMPANY", L"  \tExample Company Ltd. \t ", L"Example Company Ltd.",
            L"Example Company Ltd."},
        {"no property named", L"", L" Other ", L"Other", L"untouched"},
        {"empty stays empty", L"REGCOMPANY", L"   ", L"", L""},
        {"the standard property named", L"COMPANYNAME", L"Same", L"Same", L"untouched"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_session->SetProperty(L"REGCOMPANY", L"untouched");
        m_session->SetProperty(L"COMPANYNAME", L"old");
        CString value = row.typed;
        CUserInfoDialog::StoreValue(*m_session, row.property, L"COMPANYNAME", value);
        EXPECT_EQ(std::wstring(row.expected), value.GetString());
        EXPECT_EQ(std::wstring(row.expected), Property(*m_session, L"COMPANYNAME"));
        EXPECT_EQ(std::wstring(row.expectedNamed), Property(*m_session, L"REGCOMPANY"));
    }
}

}  // namespace
