// The records of the cache file (/cache): element names with their attributes, the element's
// text kept under the empty attribute name. Names order by UTF-16 code unit, case-sensitive;
// elements of one name keep the order in which they were recorded.
#pragma once

#include <cwchar>
#include <map>

#include "CString.h"

struct CacheNameLess {
    bool operator()(const CString& a, const CString& b) const { return wcscmp(a, b) < 0; }
};

// Attribute name to value; the empty name holds the element's text.
using CacheAttributes = std::map<CString, CString, CacheNameLess>;
// Element name to attributes, in recording order within one name.
using CacheEntries = std::multimap<CString, CacheAttributes, CacheNameLess>;
