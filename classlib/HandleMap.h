// A process-wide map from handles to the objects attached to them, guarded by a lock (objects
// attach and detach on any thread).
#pragma once

#include <windows.h>

#include <map>

template <class Handle, class Object> class AfxHandleMap {
public:
    AfxHandleMap() { ::InitializeCriticalSection(&m_lock); }
    ~AfxHandleMap() { ::DeleteCriticalSection(&m_lock); }
    AfxHandleMap(const AfxHandleMap&) = delete;
    AfxHandleMap& operator=(const AfxHandleMap&) = delete;

    Object* Find(Handle handle)
    {
        Lock lock(m_lock);
        auto it = m_map.find(handle);
        return it == m_map.end() ? nullptr : it->second;
    }
    void Add(Handle handle, Object* object)
    {
        Lock lock(m_lock);
        m_map[handle] = object;
    }
    // Removes the entry only while it still names `object`.
    void Remove(Handle handle, const Object* object)
    {
        Lock lock(m_lock);
        auto it = m_map.find(handle);
        if (it != m_map.end() && it->second == object)
            m_map.erase(it);
    }

private:
    class Lock {
    public:
        explicit Lock(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
        ~Lock() { ::LeaveCriticalSection(&m_cs); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        CRITICAL_SECTION& m_cs;
    };

    CRITICAL_SECTION m_lock;
    std::map<Handle, Object*> m_map;
};
