// CString in assertions: its text as std::wstring, and GoogleTest printing of its text (include
// this header in every test file that compares CString values, so that all of them print alike).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "CString.h"

namespace testsupport {

// The whole text, embedded null characters included.
inline std::wstring Text(const CString& text)
{
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

}  // namespace testsupport

// Found by argument-dependent lookup: EXPECT_EQ on CString values prints L"text".
inline void PrintTo(const CString& text, std::ostream* out)
{
    *out << ::testing::PrintToString(testsupport::Text(text));
}
