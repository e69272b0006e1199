// The Plexa string library's own exceptions.
//
// PlexaOutOfRange: a position, index or count outside the text.
// PlexaMismatchedCOWs: two storages of different families were asked to share.
// PlexaBadAlloc: memory ran out; what() names the allocation that failed.
#pragma once

#include <new>
#include <stdexcept>

class PlexaOutOfRange : public std::out_of_range {
public:
    PlexaOutOfRange();
};

class PlexaMismatchedCOWs : public std::invalid_argument {
public:
    PlexaMismatchedCOWs();
};

// std::bad_alloc takes no text; this one carries a fixed text of static storage.
class PlexaBadAlloc : public std::bad_alloc {
public:
    explicit PlexaBadAlloc(const char* text) noexcept : m_text(text) { }
    const char* what() const noexcept override { return m_text; }

private:
    const char* m_text;
};

// The two texts the library's allocation failures carry.
extern const char* const kPlexaBadAllocation;      // "bad allocation"
extern const char* const kPlexaStringAllocFailed;  // "String Memory Alloc Failed"
