#include "IdFile.h"

#include <cstdlib>

#include "FileVersion.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "TextHelpers.h"

namespace {

const char kSource[] = "IdFile";

const wchar_t kSection[] = L"Volume Id";
const wchar_t kExePathKey[] = L"ExePath";
const wchar_t kGuidKey[] = L"DistributionGUID";
const wchar_t kVersionKey[] = L"DistributionVersion";
const wchar_t kVolumeKey[] = L"Volume";

// Reads one key of the section; a missing or empty value adds a missing-key entry when `required`.
CString ReadKey(const wchar_t* path, const wchar_t* key, bool required, IniErrorList& errors)
{
    CString value;
    if (!ReadProfileString(path, kSection, key, value, L"") && required)
        errors.Add(kIniMissingKey, kSection, key);
    return value;
}

}  // namespace

CIdFile::CIdFile(bool exePathRequired) : m_exePathRequired(exePathRequired), m_distributionVersion(0), m_volume(0) { }

CIdFile::~CIdFile() = default;

void CIdFile::Read(const wchar_t* path)
{
    m_path = path;
    IniErrorList errors;
    m_exePath = ReadKey(path, kExePathKey, m_exePathRequired, errors);
    m_distributionGuid = ReadKey(path, kGuidKey, true, errors);
    m_distributionVersion = ParseVersionString(ReadKey(path, kVersionKey, true, errors));
    m_volume = static_cast<int>(std::wcstol(ReadKey(path, kVolumeKey, true, errors), nullptr, 10));
    if (!errors.IsEmpty())
        throw IniFileErrors(kSource, __LINE__, errors, L"Found while attemping to read the volume id file.");
}
