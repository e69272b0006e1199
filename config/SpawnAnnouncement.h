// The last respawn announced to the wizard frame through the registered "ZKInstallerSpawn"
// message: a child installer that restarted itself names its new process (lParam) and that
// process's main thread (wParam) before it exits as respawned. The master follows an
// announcement once: taking the ids forgets them, so that a later child that exits as respawned
// without announcing anything is not taken for the earlier one.
#pragma once

#include <windows.h>

class CSpawnAnnouncement {
public:
    // Keeps the ids of a "ZKInstallerSpawn" message (32-bit values).
    void Store(WPARAM threadId, LPARAM processId);
    // Writes both ids (0 when nothing is announced) to the variables given (either may be
    // null), forgets them and returns the process id: the answer to WM_GET_RESPAWNED_IDS, whose
    // wParam and lParam are these two addresses.
    LRESULT Take(DWORD* threadId, DWORD* processId);

private:
    DWORD m_threadId = 0;
    DWORD m_processId = 0;
};
