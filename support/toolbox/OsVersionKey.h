// Operating-system versions as two keys that compare as unsigned 64-bit numbers, key1 first.
#pragma once

#include <cstdint>

namespace OrbelToolbox {

// key1 = major << 32 | minor; key2 = build << 32 | servicePackMajor << 16 | servicePackMinor
// (the service-pack numbers are 16-bit values).
void MakeOsVersionKey(uint32_t major, uint32_t minor, uint32_t build, uint32_t servicePackMajor,
    uint32_t servicePackMinor, uint64_t& key1, uint64_t& key2);

}  // namespace OrbelToolbox
