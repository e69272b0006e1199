#include "SpawnAnnouncement.h"

void CSpawnAnnouncement::Store(WPARAM threadId, LPARAM processId)
{
    m_threadId = static_cast<DWORD>(threadId);
    m_processId = static_cast<DWORD>(processId);
}

LRESULT CSpawnAnnouncement::Take(DWORD* threadId, DWORD* processId)
{
    const DWORD process = m_processId;
    if (threadId)
        *threadId = m_threadId;
    if (processId)
        *processId = process;
    m_threadId = 0;
    m_processId = 0;
    return static_cast<LRESULT>(process);
}
