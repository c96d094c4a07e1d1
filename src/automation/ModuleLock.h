// The count of live objects and server locks that tells whether the library may be unloaded.
#pragma once

#include <atomic>

namespace automation {

inline std::atomic<long>& ModuleLocks() {
    static std::atomic<long> locks{0};
    return locks;
}
inline void LockModule() {
    ModuleLocks().fetch_add(1);
}
inline void UnlockModule() {
    ModuleLocks().fetch_sub(1);
}

}  // namespace automation
