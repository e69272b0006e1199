// Values kept once per language, and the lookup that picks the entry serving a wanted
// language when the map has none for it.
//
// Ranking, highest first: the exact language; the primary language's neutral entry with the
// same ANSI code page; another sublanguage of the primary language with the same code page;
// the preferred language (the distribution's first listed one). Without any of these,
// English (9), then the lowest language id.
#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <typeinfo>
#include <vector>

// The language id among `keys` (ascending, not empty) that serves `wanted`, by the ranking above.
LANGID SelectLangId(const LANGID* keys, size_t count, LANGID wanted, LANGID preferred);

// Throws ObjectNotFound for a lookup in an empty map of `valueType`.
[[noreturn]] void ThrowEmptyLangIdMap(const std::type_info& valueType, LANGID wanted);

template <class T> class LangIdMap {
public:
    using Entries = std::map<LANGID, T>;

    // Adds an entry; an entry already present for the language stays. True when added.
    bool Insert(LANGID language, const T& value) { return m_entries.emplace(language, value).second; }

    bool IsEmpty() const { return m_entries.empty(); }
    size_t GetCount() const { return m_entries.size(); }
    const Entries& GetEntries() const { return m_entries; }
    void Clear() { m_entries.clear(); }

    // The value serving `wanted`; an empty map throws ObjectNotFound.
    static T& Lookup(LANGID wanted, LangIdMap& map, LANGID preferred)
    {
        return map.m_entries.find(map.Select(wanted, preferred))->second;
    }
    static const T& Lookup(LANGID wanted, const LangIdMap& map, LANGID preferred)
    {
        return map.m_entries.find(map.Select(wanted, preferred))->second;
    }

private:
    LANGID Select(LANGID wanted, LANGID preferred) const
    {
        if (m_entries.empty()) {
            ThrowEmptyLangIdMap(typeid(T), wanted);
        }
        std::vector<LANGID> keys;
        keys.reserve(m_entries.size());
        for (const auto& entry : m_entries) {
            keys.push_back(entry.first);
        }
        return SelectLangId(keys.data(), keys.size(), wanted, preferred);
    }

    Entries m_entries;
};
