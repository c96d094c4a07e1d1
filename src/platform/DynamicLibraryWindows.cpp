#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/DynamicLibrary.h"

namespace platform {

ModuleHandle LoadModule(const char* name) {
    return reinterpret_cast<ModuleHandle>(LoadLibraryA(name));
}

std::string LoadFailure() {
    DWORD error = GetLastError();
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                          text[length - 1] == ' ' || text[length - 1] == '.'))
        text[--length] = 0;
    return "error " + std::to_string(error) + (length > 0 ? std::string(": ") + text : "");
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
