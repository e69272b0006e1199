// A four-part version number held both as text and as a number.
//
// The number packs major, minor, build and revision into 16 bits each, major in the top bits.
// The value 0 is the null version, the absence of a version: it compares equal only to
// another null version, Compare gives 0 against it, and every ordering operator is true when
// either side is null.
#pragma once

#include <cstdint>

namespace OrbelToolbox {

class Version {
public:
    static const int kMaxTextLength = 49;

    Version() = default;
    explicit Version(const wchar_t* text);

    // Null or empty text gives the null version; other text is kept (at most 49 characters)
    // and parsed.
    void Set(const wchar_t* text);
    void Clear();
    bool IsNull() const { return m_value == 0; }

    const wchar_t* GetText() const { return m_text; }
    uint64_t GetValue() const { return m_value; }

    // "%u.%u.%u.%u", missing parts 0; parts are not masked, so one above 65535 spills into the
    // part above it. Null or empty text gives 0.
    static uint64_t Parse(const wchar_t* text);

    // -1, 0 or 1; 0 when either version is null.
    int Compare(const Version& other) const;
    int CompareToText(const wchar_t* text) const;
    // False when this version is below a non-null minimum or above the maximum; a null bound
    // or a null version never excludes.
    bool IsInRange(const wchar_t* minimum, const wchar_t* maximum) const;

    // Adds one to the build (product-version style: major and minor at most 255, build at most
    // 65535, revision unchanged) or to the revision (four-part style, each part at most 65535),
    // carrying into the parts above. `carried` (when given) tells whether a part overflowed.
    // False, changing nothing, on a null version, an empty text or an overflow of the major.
    bool Increment(bool productVersionStyle, bool* carried);

    bool operator==(const Version& other) const { return m_value == other.m_value; }
    bool operator!=(const Version& other) const { return m_value != other.m_value; }
    bool operator<(const Version& other) const { return EitherNull(other) || m_value < other.m_value; }
    bool operator<=(const Version& other) const { return EitherNull(other) || m_value <= other.m_value; }
    bool operator>(const Version& other) const { return EitherNull(other) || m_value > other.m_value; }
    bool operator>=(const Version& other) const { return EitherNull(other) || m_value >= other.m_value; }

private:
    bool EitherNull(const Version& other) const { return m_value == 0 || other.m_value == 0; }
    static int CompareValues(uint64_t a, uint64_t b);

    wchar_t m_text[kMaxTextLength + 1] = {};
    uint64_t m_value = 0;
};

}  // namespace OrbelToolbox
