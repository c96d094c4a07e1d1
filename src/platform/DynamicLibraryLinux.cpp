#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace platform {

ModuleHandle LoadModule(const char* name) {
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

std::string LoadFailure() {
    const char* why = dlerror();
    return why != nullptr ? why : "";
}

void* FindSymbol(ModuleHandle module, const char* name) {
    return dlsym(module, name);
}

std::vector<std::string> DefaultTransportCandidates() {
    Dl_info info{};
    std::string folder = ".";
    if (dladdr(reinterpret_cast<void*>(&DefaultTransportCandidates), &info) != 0 &&
        info.dli_fname != nullptr) {
        std::string self = info.dli_fname;
        size_t slash = self.rfind('/');
        if (slash != std::string::npos)
            folder = self.substr(0, slash);
    }
    return {folder + "/libwarbler_winhttp.so"};
}

void ReleaseModule(ModuleHandle module) {
    if (module != nullptr)
        dlclose(module);
}

}  // namespace platform
