#include "SamplePackages.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

namespace testsupport {

const wchar_t kSampleCoreProduct[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21}";
const wchar_t kSampleExtrasProduct[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A31}";

bool RemoveSampleProducts()
{
    ::MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    bool removed = true;
    for (const wchar_t* product : {kSampleCoreProduct, kSampleExtrasProduct}) {
        if (::MsiQueryProductStateW(product) != INSTALLSTATE_UNKNOWN)
            removed = ::MsiConfigureProductW(product, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT) == ERROR_SUCCESS
                && removed;
    }
    return removed;
}

bool PatchPackage(const std::wstring& package, const std::vector<PackageStatement>& statements)
{
    MSIHANDLE database = 0;
    if (::MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_TRANSACT, &database) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const PackageStatement& statement : statements) {
        MSIHANDLE record = 0;
        if (!statement.values.empty()) {
            record = ::MsiCreateRecord(static_cast<UINT>(statement.values.size()));
            for (size_t i = 0; i < statement.values.size(); ++i)
                ::MsiRecordSetStringW(record, static_cast<UINT>(i + 1), statement.values[i].c_str());
        }
        MSIHANDLE view = 0;
        ok = ::MsiDatabaseOpenViewW(database, statement.sql, &view) == ERROR_SUCCESS
            && ::MsiViewExecute(view, record) == ERROR_SUCCESS;
        if (view) {
            ::MsiViewClose(view);
            ::MsiCloseHandle(view);
        }
        if (record)
            ::MsiCloseHandle(record);
        if (!ok)
            break;
    }
    ok = ok && ::MsiDatabaseCommit(database) == ERROR_SUCCESS;
    ::MsiCloseHandle(database);
    return ok;
}

}  // namespace testsupport
