#include "ByteSizeFormatter.h"

#include <cmath>

namespace {

const double kUnitFactor = 1024.0;
const int kDigitsPerUnit = 3;

// The integer part of log10(magnitude) for a whole number of at least 1, counted exactly (the
// logarithm of a power of ten may come out just below the whole number).
int DecimalExponent(double magnitude)
{
    int exponent = 0;
    double next = 10.0;
    while (magnitude >= next) {
        ++exponent;
        next *= 10.0;
    }
    return exponent;
}

}  // namespace

CByteSizeFormatter::CByteSizeFormatter() : m_nSignificantDigits(3)
{
    Add(L"bytes");
    Add(L"KB");
    Add(L"MB");
    Add(L"GB");
}

CString CByteSizeFormatter::Format(double bytes) const
{
    const double magnitude = std::fabs(bytes);
    const int exponent = magnitude < 1.0 ? 0 : DecimalExponent(magnitude);
    INT_PTR unit = exponent / kDigitsPerUnit;
    int decimals = m_nSignificantDigits - exponent % kDigitsPerUnit - 1;
    if (decimals < 0)
        decimals = 0;
    if (unit >= GetSize()) {
        unit = GetSize() - 1;
        decimals = 0;
    }
    const double value = bytes / std::pow(kUnitFactor, static_cast<double>(unit));
    // The unit name is appended as text: it never takes part in the number's format.
    CString text;
    text.Format(L"%.*f", decimals, value);
    if (unit >= 0) {
        text += L" ";
        text += GetAt(unit);
    }
    return text;
}

CString CByteSizeFormatter::Format(DWORD low, DWORD high) const
{
    const uint64_t bytes = (static_cast<uint64_t>(high) << 32) | low;
    return Format(static_cast<double>(bytes));
}
