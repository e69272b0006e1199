// Formats byte counts with a number of significant digits and unit names (bytes, KB, MB, GB).
// For now it holds the unit names and the digit count; the formatting comes with the disk-cost
// dialog.
#pragma once

#include "StringArray.h"

class CByteSizeFormatter : public CStringArray {
public:
    // Unit names "bytes", "KB", "MB", "GB" and 3 significant digits.
    CByteSizeFormatter();
    void SetSignificantDigits(int digits) { m_nSignificantDigits = digits; }
    int GetSignificantDigits() const { return m_nSignificantDigits; }

private:
    int m_nSignificantDigits;
};

// The program's byte-size formatter; the start-up replaces its unit names by strings 142-145.
extern CByteSizeFormatter g_sizeUnits;
