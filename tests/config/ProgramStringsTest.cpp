// The program's string table holds every string that the code loads by a name of resource.h.
#include <gtest/gtest.h>

#include <string>

#include "CString.h"
#include "resource.h"

namespace {

std::wstring Load(UINT id)
{
    return LoadResourceString(id).GetString();
}

}  // namespace

TEST(ProgramStrings, EveryNamedStringIsInTheTable)
{
#define NAMED(id)                                                                                                      \
    {                                                                                                                  \
#id, id                                                                                                        \
    }
    const struct {
        const char* name;
        UINT id;
    } strings[] = {
        NAMED(IDS_INSTALLER_PATH_INVALID),
        NAMED(IDS_SPEC_FILE_MISSING),
        NAMED(IDS_SIZE_UNIT_BYTES),
        NAMED(IDS_SIZE_UNIT_KB),
        NAMED(IDS_SIZE_UNIT_MB),
        NAMED(IDS_SIZE_UNIT_GB),
        NAMED(IDS_LANGUAGE_GERMAN),
        NAMED(IDS_LANGUAGE_ENGLISH),
        NAMED(IDS_LANGUAGE_FRENCH),
        NAMED(IDS_LANGUAGE_JAPANESE),
        NAMED(IDS_LANGUAGE_KOREAN),
        NAMED(IDS_LANGUAGE_CHINESE_TRADITIONAL),
        NAMED(IDS_LANGUAGE_CHINESE_SIMPLIFIED),
        NAMED(IDS_LANGUAGE_DUTCH),
        NAMED(IDS_INSTALLER_CAPTION),
        NAMED(IDS_OS_REQUIREMENTS),
        NAMED(IDS_DISK_PROMPT),
        NAMED(IDS_DEFAULT_DISK_LABEL),
        NAMED(IDS_ENGINE_CORRUPT),
        NAMED(IDS_ERROR_CAPTION),
        NAMED(IDS_DLL_NOT_FOUND),
        NAMED(IDS_PROCEDURE_NOT_FOUND),
        NAMED(IDS_UNHANDLED_MSI_ERROR),
        NAMED(IDS_UNHANDLED_WINDOWS_ERROR),
        NAMED(IDS_ENGINE_RESTART_QUESTION),
        NAMED(IDS_ENGINE_RESTART_NOTICE),
        NAMED(IDS_ENGINE_INSTALL_FAILED),
        NAMED(IDS_ENGINE_NEEDS_SERVICE_PACK_6),
        NAMED(IDS_ENGINE_RESTART_QUESTION_REMOVABLE),
        NAMED(IDS_ENGINE_RESTART_QUESTION_NETWORK),
        NAMED(IDS_USAGE),
        NAMED(IDS_MISSING_EXPORT),
        NAMED(IDS_PATH_CHARACTERS_INVALID),
        NAMED(IDS_NO_ADMIN_PRIVILEGES),
    };
#undef NAMED
    for (const auto& s : strings)
        EXPECT_NE(L"", Load(s.id)) << s.name;
}

// The start-up reads the units by their offset from the first.
TEST(ProgramStrings, SizeUnitsFollowEachOtherFromBytesToGigabytes)
{
    const std::wstring expected[] = {L"Bytes", L"KB", L"MB", L"GB"};
    for (UINT unit = 0; unit < 4; ++unit)
        EXPECT_EQ(expected[unit], Load(IDS_SIZE_UNIT_BYTES + unit));
}

TEST(ProgramStrings, NoStringForIdZero)
{
    EXPECT_EQ(L"", Load(0));
}
