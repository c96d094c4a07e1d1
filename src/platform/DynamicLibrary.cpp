#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace platform {

ModuleHandle LoadModule(const char* name) { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }

void* FindSymbol(ModuleHandle module, const char* name) { return dlsym(module, name); }

void FreeModule(ModuleHandle module) {
    if (module != nullptr) dlclose(module);
}

}  // namespace platform
