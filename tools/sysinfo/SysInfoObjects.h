// The server's objects: the system-information object with the collections it hands out, and the
// description of one distribution. Each factory returns a new object with no reference yet.
#pragma once

#include "SysInfoData.h"
#include "ZKSysInfoInterfaces.h"

namespace sysinfo {

IZKSystemInfo* NewSystemInfo();
// A new, empty description (created by setup) or one read back from the data file.
IZKDistributionInfo* NewDistributionInfo();
IZKDistributionInfo* NewDistributionInfo(const Distribution& recorded);

}  // namespace sysinfo
