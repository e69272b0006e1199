#include "PackedGuid.h"

#include <cwchar>

namespace {

const size_t kBracedGuidLength = 38;
// Where the hyphens of a braced GUID text stand.
const size_t kHyphens[] = {9, 14, 19, 24};

bool IsBracedGuidShape(const wchar_t* text)
{
    if (!text || wcslen(text) != kBracedGuidLength || text[0] != L'{' || text[kBracedGuidLength - 1] != L'}')
        return false;
    for (size_t hyphen : kHyphens) {
        if (text[hyphen] != L'-')
            return false;
    }
    return true;
}

}  // namespace

CString PackGuid(const wchar_t* guid)
{
    CString packed;
    if (!IsBracedGuidShape(guid))
        return packed;
    // The three leading groups, each written backwards: {01234567-9abc-efgh-...}.
    for (int i = 8; i >= 1; --i)
        packed += guid[i];
    for (int i = 13; i >= 10; --i)
        packed += guid[i];
    for (int i = 18; i >= 15; --i)
        packed += guid[i];
    // The last two groups in pairs, each pair swapped.
    static const int kPairs[] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int pair : kPairs) {
        packed += guid[pair + 1];
        packed += guid[pair];
    }
    return packed;
}
