// Disk space per volume: what the planned changes of the whole distribution need, one
// component's cost for its planned action, the free space of the volumes they land on, and the
// size of a package without its embedded cabinets.
#include "Distribution.h"

#include "Feature.h"
#include "FileOperations.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "PathHelpers.h"
#include "PlatformApi.h"

namespace {

// Costs of the Component table count in units of this many bytes.
const int64_t kCostUnit = 512;
// Share of a component's total cost that the engine needs in the temporary folder.
const double kTemporaryShare = 0.36;
const DWORD kDriveBufferStart = 16;
// Package files are measured up to this size.
const uint64_t kPackageSizeLimit = 0xFFFFFFFFull;
// A Media row's Cabinet that begins with this names a stream of the package.
const wchar_t kEmbeddedCabinetPrefix = L'#';

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
    const auto freeSpaceEx = BindSystemFunction<GetDiskFreeSpaceExFunction>(L"kernel32.dll", "GetDiskFreeSpaceExW");
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

UINT CDistribution::ComputeDiskCost(VolumeCostSet& volumes)
{
    const EnumComponentCostsFunction enumCosts = MsiApiEnumComponentCosts();
    MsiSmartPtr<MsiSession> session = GetSession();
    MsiSmartPtr<MsiDatabase> database = session->GetActiveDatabase();
    UINT result = ERROR_SUCCESS;
    bool lacksSpace = false;
    MsiSmartPtr<MsiView> rows = database->OpenView(
        L"SELECT Component, Condition, Attributes FROM Component WHERE ComponentId<>'Temporary Id'");
    rows->Execute();
    while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
        const CString component = row->GetMfcString(1);
        const CString condition = row->GetMfcString(2);
        int installed = INSTALLSTATE_UNKNOWN, action = INSTALLSTATE_UNKNOWN;
        CFeature* decider = nullptr;
        m_featureTree.GetComponentAction(
            *database, component, condition, row->GetIntegerOrDefault(3, 0), installed, action, &decider);
        if (!decider)
            continue;
        const UINT added = AddComponentCost(volumes, component, action, decider, true, enumCosts);
        if (added == ERROR_DISK_FULL)
            lacksSpace = true;
        else if (added != ERROR_SUCCESS)
            result = added;
    }

    // Windows Installer keeps a copy of every package it installs on the Windows volume.
    wchar_t windowsDirectory[MAX_PATH] = L"";
    GetWindowsDirectoryW(windowsDirectory, MAX_PATH);
    CString windowsVolume;
    if (VolumeOf(windowsDirectory, windowsVolume)) {
        VolumeCost* record = nullptr;
        GetVolumeFreeSpace(volumes, windowsVolume, record);
        for (CPart* part : m_parts) {
            const int state = part->GetProductState();
            const bool registered
                = state == INSTALLSTATE_DEFAULT || state == INSTALLSTATE_ADVERTISED || state == INSTALLSTATE_ABSENT;
            if (part->IsInstallingOrReinstalling() && !registered)
                record->required += part->GetPackageSize();
            else if (part->IsRemoving() && registered)
                record->required -= part->GetPackageSize();
        }
        if (record->available != -1 && record->available < record->required)
            lacksSpace = true;
    }
    return lacksSpace ? ERROR_DISK_FULL : result;
}

uint64_t CDistribution::GetPackageSizeWithoutCabinets(const wchar_t* package)
{
    uint64_t size = OrbelToolbox::GetFileSize(package, kPackageSizeLimit);
    MsiSmartPtr<MsiDatabase> database = MsiDatabase::Open(package, MSIDBOPEN_READONLY);
    MsiSmartPtr<MsiView> media = database->OpenView(L"SELECT Cabinet FROM Media");
    media->Execute();
    while (MsiSmartPtr<MsiRecord> row = media->Fetch()) {
        const CString cabinet = row->GetMfcString(1);
        if (cabinet.IsEmpty() || cabinet[0] != kEmbeddedCabinetPrefix)
            continue;
        MsiSmartPtr<MsiView> streams = database->OpenView(L"SELECT Data FROM _Streams WHERE Name=?");
        streams->ExecuteWith(cabinet.Mid(1));
        if (MsiSmartPtr<MsiRecord> stream = streams->Fetch()) {
            const uint64_t streamSize = stream->GetStreamSize();
            size = streamSize < size ? size - streamSize : 0;
        }
    }
    return size;
}
