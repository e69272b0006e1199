// The cache file: the records of /cache written as UTF-16 XML. Its text is built by pure
// functions; the application object keeps the records and writes the file.
#pragma once

#include <string>

#include "CacheEntries.h"

// A value as the file holds it: "&", "<", ">", "'" and the double quote replaced by their
// entities (the ampersand first, so an entity already in the value is escaped once more).
std::wstring EscapeCacheValue(const wchar_t* value);

// The whole file for the records: byte-order mark, XML declaration, the root element with one
// comment line before each group of elements of one name, one line per element.
std::wstring FormatCacheFile(const CacheEntries& entries);
