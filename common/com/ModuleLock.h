// The lock count of a library that serves COM objects: while it is above zero, the library must
// stay loaded. It is changed only with interlocked operations, so any thread may use it.
#pragma once
#include <windows.h>

namespace com {

class ModuleLock {
public:
    ModuleLock() = default;
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;

    void Lock() { ::InterlockedIncrement(&m_count); }
    void Unlock() { ::InterlockedDecrement(&m_count); }
    bool Free() const { return ::InterlockedCompareExchange(&m_count, 0, 0) == 0; }

private:
    mutable volatile LONG m_count = 0;
};

} // namespace com
