// Loading a library at run time (dlopen on Linux, LoadLibraryA on Windows).
#pragma once

#include <string>
#include <vector>

namespace platform {

using ModuleHandle = void*;

ModuleHandle LoadModule(const char* name);
// Why the last LoadModule failed, in the system loader's own words.
std::string LoadFailure();
void* FindSymbol(ModuleHandle module, const char* name);
void ReleaseModule(ModuleHandle module);

// The transport libraries tried, in order, when no library is named: on Linux the transport
// module installed beside the library that holds this code.
std::vector<std::string> DefaultTransportCandidates();

}  // namespace platform
