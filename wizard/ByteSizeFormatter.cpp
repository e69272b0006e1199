#include "ByteSizeFormatter.h"

CByteSizeFormatter::CByteSizeFormatter() : m_nSignificantDigits(3)
{
    Add(L"bytes");
    Add(L"KB");
    Add(L"MB");
    Add(L"GB");
}
