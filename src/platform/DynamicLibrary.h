// Loading a library at run time (dlopen on Linux, LoadLibraryA on Windows).
#pragma once

namespace platform {

using ModuleHandle = void*;

ModuleHandle LoadModule(const char* name);
void* FindSymbol(ModuleHandle module, const char* name);
void FreeModule(ModuleHandle module);

}  // namespace platform
