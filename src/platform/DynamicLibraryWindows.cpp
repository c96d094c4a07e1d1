#include <windows.h>

#include <cstdlib>

#include "platform/DynamicLibrary.h"

namespace platform {

ModuleHandle LoadModule(const char* name) {
    return reinterpret_cast<ModuleHandle>(LoadLibraryA(name));
}

void* FindSymbol(ModuleHandle module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

std::vector<std::string> DefaultTransportCandidates() {
    // The private copy under the common program files, then the system's own.
    const char* common = std::getenv("CommonProgramFiles");
    std::string privatePath = common != nullptr ? common : "";
    if (privatePath.empty() || privatePath.back() != '\\')
        privatePath += '\\';
    privatePath += "Velmora\\WINHTTP5.DLL";
    return {privatePath, "winhttp.dll"};
}

void ReleaseModule(ModuleHandle module) {
    if (module != nullptr)
        FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace platform
