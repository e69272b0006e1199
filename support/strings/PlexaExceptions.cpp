#include "PlexaExceptions.h"

const char* const kPlexaBadAllocation = "bad allocation";
const char* const kPlexaStringAllocFailed = "String Memory Alloc Failed";

PlexaOutOfRange::PlexaOutOfRange() : std::out_of_range("PlexaString position index out of bounds.") { }

PlexaMismatchedCOWs::PlexaMismatchedCOWs()
    : std::invalid_argument("Attempt to assign mismatched IPlexaStringCOW derived objects.")
{
}
