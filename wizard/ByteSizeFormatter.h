// Formats byte counts as short texts with a number of significant digits and a unit that is a
// power of 1024 (1536 bytes give "1.50 KB"). The unit names are the array's entries 0 to 3
// (bytes, KB, MB, GB); the start-up replaces them by the program's strings.
#pragma once

#include <windows.h>

#include <cstdint>

#include "StringArray.h"

class CByteSizeFormatter : public CStringArray {
public:
    // Unit names "bytes", "KB", "MB", "GB" and 3 significant digits.
    CByteSizeFormatter();
    void SetSignificantDigits(int digits) { m_nSignificantDigits = digits; }
    int GetSignificantDigits() const { return m_nSignificantDigits; }

    // A whole number of bytes (negative allowed): the decimal exponent e of |bytes| picks the
    // unit e / 3 and leaves digits - (e mod 3) - 1 decimals; beyond the last unit the last one
    // serves without decimals. The number, a blank and the unit name.
    CString Format(double bytes) const;
    // An unsigned 64-bit count given as its two 32-bit halves.
    CString Format(DWORD low, DWORD high) const;
    CString Format(int64_t bytes) const { return Format(static_cast<double>(bytes)); }
    CString Format(UINT bytes) const { return Format(static_cast<double>(bytes)); }
    CString Format(int bytes) const { return Format(static_cast<double>(bytes)); }

private:
    int m_nSignificantDigits;
};

// The program's byte-size formatter; the start-up replaces its unit names by strings 142-145.
extern CByteSizeFormatter g_sizeUnits;
