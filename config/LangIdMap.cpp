#include "LangIdMap.h"

#include "CString.h"
#include "InstallerErrors.h"
#include "LanguageHelpers.h"

// Errors thrown here name this module and the line.
static const char kSource[] = "LangIdMap";

namespace {

const LANGID kPrimaryMask = 0x03FF;  // the low 10 bits; the top 6 are the sublanguage

bool SamePrimary(LANGID a, LANGID b)
{
    return (a & kPrimaryMask) == (b & kPrimaryMask);
}

bool IsPrimaryOnly(LANGID language)
{
    return (language & ~kPrimaryMask) == 0;
}

}  // namespace

LANGID SelectLangId(const LANGID* keys, size_t count, LANGID wanted, LANGID preferred)
{
    const UINT wantedCodePage = OrbelToolbox::GetAnsiCodePage(wanted);
    int level = 0;
    const LANGID* candidate = nullptr;
    for (size_t i = 0; i < count && level < 4; ++i) {
        const LANGID key = keys[i];
        if (level < 1 && key == preferred) {
            candidate = &keys[i];
            level = 1;
        }
        if (level < 3 && SamePrimary(key, wanted)) {
            const bool sameCodePage = OrbelToolbox::GetAnsiCodePage(key) == wantedCodePage;
            if (level < 2 && sameCodePage && (key & ~kPrimaryMask) != (wanted & ~kPrimaryMask)) {
                candidate = &keys[i];
                level = 2;
            }
            if (level < 3 && sameCodePage && IsPrimaryOnly(key)) {
                candidate = &keys[i];
                level = 3;
            }
        }
        if (key == wanted) {
            candidate = &keys[i];
            level = 4;
        }
    }
    if (candidate != nullptr) {
        return *candidate;
    }
    for (size_t i = 0; i < count; ++i) {
        if (keys[i] == 9) {
            return 9;
        }
    }
    return keys[0];
}

void ThrowEmptyLangIdMap(const std::type_info& valueType, LANGID wanted)
{
    CString keyValue;
    keyValue.Format(L"%d", static_cast<int>(wanted));
    throw ObjectNotFound(kSource, __LINE__, valueType, L"LangId", keyValue,
        L"No items added to LANGID<->%1 map class while looking for %2=%3");
}
