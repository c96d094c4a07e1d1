#include "native/Library.h"

#include <dlfcn.h>

Library gLibrary;

namespace {

template <typename Function>
bool Resolve(void* handle, const char* name, Function*& function) {
    function = reinterpret_cast<Function*>(dlsym(handle, name));
    return function != nullptr;
}

}  // namespace

bool Library::Open(const char* path, const char** error) {
    // The library stays loaded for the life of the process: objects may outlive any module.
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    Library found{};
    if (handle == nullptr || !Resolve(handle, "WarblerCreateObject", found.createObject) ||
        !Resolve(handle, "WarblerInterfaceMembers", found.interfaceMembers) ||
        !Resolve(handle, "WarblerObjectInterface", found.objectInterface) ||
        !Resolve(handle, "DllCanUnloadNow", found.canUnloadNow) ||
        !Resolve(handle, "VariantClear", found.variantClear)) {
        *error = dlerror();
        return false;
    }
    *this = found;
    return true;
}
