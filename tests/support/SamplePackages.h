// The sample distribution's products and test copies of its packages.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Product codes of the sample's two parts.
extern const wchar_t kSampleCoreProduct[];
extern const wchar_t kSampleExtrasProduct[];

// Removes the sample's products from the prefix (a run over the sample installs them); false
// when one that is installed could not be removed.
bool RemoveSampleProducts();

// A statement run on a package, with its string parameters (the `?` markers in order).
struct PackageStatement {
    const wchar_t* sql;
    std::vector<std::wstring> values;
};

// Runs the statements on the package and commits; false at the first that fails.
bool PatchPackage(const std::wstring& package, const std::vector<PackageStatement>& statements);

}  // namespace testsupport
