// Disk space per volume: one component's cost for its planned action, and the free space of
// the volumes it lands on.
#include "Distribution.h"

#include "Feature.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "PathHelpers.h"

namespace {

// Costs of the Component table count in units of this many bytes.
const int64_t kCostUnit = 512;
// Share of a component's total cost that the engine needs in the temporary folder.
const double kTemporaryShare = 0.36;
const DWORD kDriveBufferStart = 16;

typedef BOOL(WINAPI* GetDiskFreeSpaceExFunction)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// The volume root of a path without its trailing backslash; false when it cannot be determined.
bool VolumeOf(const wchar_t* path, CString& volume)
{
    if (!GetVolumeRoot(path, volume))
        return false;
    RemoveTrailingBackslash(volume);
    return true;
}

}  // namespace

DWORD CDistribution::GetVolumeFreeSpace(VolumeCostSet& volumes, const CString& volume, VolumeCost*& record)
{
    auto found = volumes.find(volume);
    if (found != volumes.end()) {
        record = &found->second;
        return ERROR_SUCCESS;
    }
    record = &volumes[volume];
    record->volume = volume;
    record->required = 0;
    BOOL ok = FALSE;
    const auto freeSpaceEx = reinterpret_cast<GetDiskFreeSpaceExFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetDiskFreeSpaceExW")));
    // The root form the volume calls want: "C:\".
    CString root = volume;
    AddTrailingBackslash(root);
    if (freeSpaceEx) {
        ULARGE_INTEGER availableToCaller = {}, total = {}, totalFree = {};
        ok = freeSpaceEx(root, &availableToCaller, &total, &totalFree);
        if (ok)
            record->available = static_cast<int64_t>(availableToCaller.QuadPart);
    } else {
        DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
        ok = GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters);
        if (ok)
            record->available = static_cast<int64_t>(freeClusters) * sectorsPerCluster * bytesPerSector;
    }
    if (!ok) {
        record->available = -1;
        return GetLastError();
    }
    return ERROR_SUCCESS;
}

UINT CDistribution::AddComponentCost(VolumeCostSet& volumes, const wchar_t* component, int action, CFeature* feature,
    bool countTemporary, EnumComponentCostsFunction enumCosts)
{
    if (!feature)
        return ERROR_SUCCESS;
    const bool temporaryCounts = countTemporary && feature->GetPart() && feature->GetPart()->HasAction();
    bool lacksSpace = false;
    MsiSmartPtr<MsiSession> session = GetSession();
    VolumeCost* record = nullptr;
    if (enumCosts) {
        DWORD bufferLength = kDriveBufferStart;
        std::vector<wchar_t> drive(bufferLength);
        for (DWORD index = 0;; ++index) {
            DWORD length = bufferLength;
            int cost = 0, temporary = 0;
            UINT result = enumCosts(session->GetHandle(), component, index, static_cast<INSTALLSTATE>(action),
                drive.data(), &length, &cost, &temporary);
            while (result == ERROR_MORE_DATA) {
                bufferLength *= 2;
                drive.assign(bufferLength, L'\0');
                length = bufferLength;
                result = enumCosts(session->GetHandle(), component, index, static_cast<INSTALLSTATE>(action),
                    drive.data(), &length, &cost, &temporary);
            }
            if (result == ERROR_NO_MORE_ITEMS)
                return lacksSpace ? ERROR_DISK_FULL : ERROR_SUCCESS;
            if (result != ERROR_SUCCESS)
                return result;
            GetVolumeFreeSpace(volumes, CString(drive.data()), record);
            record->required += static_cast<int64_t>(cost) * kCostUnit;
            if (temporaryCounts)
                record->required += static_cast<int64_t>(temporary) * kCostUnit;
            if (record->available != -1 && record->available < record->required)
                lacksSpace = true;
        }
    }

    MsiSmartPtr<MsiView> rows = session->GetActiveDatabase()->OpenView(
        L"SELECT Directory_, NoRbLocalCost, NoRbSourceCost, NoRbRemoveCost, LocalCost, SourceCost, RemoveCost "
        L"FROM Component WHERE Component=?");
    rows->ExecuteWith(component);
    MsiSmartPtr<MsiRecord> row = rows->Fetch();
    if (!row)
        return ERROR_SUCCESS;
    UINT ownColumn;
    switch (action) {
    case INSTALLSTATE_LOCAL:
        ownColumn = 2;
        break;
    case INSTALLSTATE_SOURCE:
        ownColumn = 3;
        break;
    case INSTALLSTATE_ADVERTISED:
    case INSTALLSTATE_ABSENT:
        ownColumn = 4;
        break;
    default:
        return ERROR_SUCCESS;
    }
    const int64_t cost = static_cast<int64_t>(row->GetIntegerOrDefault(ownColumn, 0)) * kCostUnit;
    if (cost != 0) {
        const CString directory = row->GetMfcString(1);
        const CString target = session->GetMfcTargetPath(directory);
        CString volume;
        if (VolumeOf(target, volume)) {
            GetVolumeFreeSpace(volumes, volume, record);
            record->required += cost;
            if (!record->HasEnoughSpace())
                lacksSpace = true;
        }
    }
    wchar_t tempPath[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, tempPath);
    CString tempVolume;
    if (VolumeOf(tempPath, tempVolume)) {
        const int64_t total = static_cast<int64_t>(row->GetIntegerOrDefault(ownColumn + 3, 0)) * kCostUnit;
        const int64_t rollback = total - cost;
        GetVolumeFreeSpace(volumes, tempVolume, record);
        if (rollback != 0 && temporaryCounts)
            record->required += rollback;
        record->required += static_cast<int64_t>(static_cast<double>(total) * kTemporaryShare);
    }
    return lacksSpace ? ERROR_DISK_FULL : ERROR_SUCCESS;
}
