// What the server answers: the installed products with their dependencies, the installed
// distributions and the server's version, read from its data file. The data file is the one
// beside the module (its path with the extension ".ini") when there is one, so that a copy set up
// by a test answers from its own file; otherwise it is the machine's file
// (<common application data>\Zekova Systems\ZKSysInfo\ZKSysInfo.ini), found wherever the module
// is loaded from, a temporary copy included. A missing file answers version 1.0 and nothing
// installed.
//
//   [Server]       Version=high.low  VersionResult=<HRESULT of the version getters>
//                  ClassObjectResult=<HRESULT of DllGetClassObject>
//                  CreateResult=<HRESULT of the class factory's CreateInstance>
//   [Products]     Codes=<product code>;<product code>...
//   [<product code>]  UpgradeCode= Name= NameDetail= ArpVisible=0|1 Subsets=a;b
//                  Lists=<text>;<text> Dependencies=<section>;<section>
//   [<dependency section>]  UpgradeCode= SubsetName= VersionMin= VersionMax= Languages= Feature=
//                  Condition= Attributes=
//   [Distributions]   Guids=<guid>;<guid>
//   [Distribution <guid>]  written by ZKDistributionInfo's Update: Title= Version= ... Part<n>=
//
// A recorded distribution counts as installed while Windows Installer reports the product of at
// least one of its parts as installed: once every part is removed it is no longer listed.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace sysinfo {

struct Dependency {
    std::wstring upgradeCode;
    std::wstring subsetName;
    std::wstring versionMin;
    std::wstring versionMax;
    std::wstring languages;
    std::wstring feature;
    std::wstring condition;
    long attributes = 0;

    // The rules of a dependency row: the upgrade code (any case), the version range (bounds
    // inclusive with 0x100 and 0x200) and the language list (negated with 0x400).
    bool Accepts(const std::wstring& code, const std::wstring& version, long language) const;
};

struct Product {
    std::wstring productCode;
    std::wstring upgradeCode;
    std::wstring name;
    std::wstring nameDetail;
    bool arpVisible = false;
    std::vector<std::wstring> subsets;
    std::vector<std::wstring> lists;
    std::vector<Dependency> dependencies;
};

// The distribution descriptions as setup hands them over.
struct DistributionPart {
    std::wstring productCode;
    std::wstring packageCode;
    std::wstring packagePath;
    std::wstring language;
    std::wstring productVersion;
    long volume = 0;
    long featuresVisible = 1;
};

struct Distribution {
    std::wstring guid;
    std::wstring packageGuid;
    std::wstring languages;
    std::wstring version;
    std::wstring setupPath;
    std::wstring rootPath;
    long rootVolume = 0;
    std::wstring title;
    long odwBuilt = 0;
    std::vector<DistributionPart> parts;
};

using ProductList = std::shared_ptr<const std::vector<Product>>;

// The data file of the loaded module.
std::wstring DataFilePath();
// One value of the data file ("" when missing).
std::wstring ReadValue(const wchar_t* section, const wchar_t* key);
// An HRESULT written in the data file (decimal or 0x hexadecimal), S_OK when none is.
HRESULT ReadResult(const wchar_t* section, const wchar_t* key);
// The server's version, high and low half.
void ReadVersion(unsigned long& high, unsigned long& low);
ProductList ReadProducts();
// Every recorded distribution, with the product codes of its parts.
std::vector<Distribution> ReadDistributions();
// The recorded distributions that are installed: those with a part whose product Windows
// Installer reports as installed.
std::vector<Distribution> ReadInstalledDistributions();
// Records a distribution (replacing an earlier record of its GUID).
void WriteDistribution(const Distribution& distribution);

// Texts compared as Windows compares product codes: ignoring case.
bool SameText(const std::wstring& a, const std::wstring& b);
// The items of a list separated by semicolons, blanks around them removed, empty ones dropped.
std::vector<std::wstring> SplitList(const std::wstring& text);

}  // namespace sysinfo
