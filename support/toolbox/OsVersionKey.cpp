#include "OsVersionKey.h"

namespace OrbelToolbox {

void MakeOsVersionKey(uint32_t major, uint32_t minor, uint32_t build, uint32_t servicePackMajor,
    uint32_t servicePackMinor, uint64_t& key1, uint64_t& key2)
{
    key1 = (static_cast<uint64_t>(major) << 32) + minor;
    key2 = (static_cast<uint64_t>(build) << 32) + (static_cast<uint64_t>(servicePackMajor & 0xFFFF) << 16)
        + (servicePackMinor & 0xFFFF);
}

}  // namespace OrbelToolbox
