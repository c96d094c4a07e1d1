// The entry points of libwarbler.so that the extension calls, found at run time in the library the
// package chose (WARBLER_LIBRARY, the installed one or the build tree's), so that one extension
// serves any of them.
#pragma once

#include "automation/DispatchTable.h"

struct Library {
    HRESULT (*createObject)(const OLECHAR* progId, IDispatch** object);
    HRESULT(*interfaceMembers)
    (const char* interfaceName, const dispatch::Member** members, UINT* count);
    HRESULT (*objectInterface)(IDispatch* object, const char** interfaceName);
    HRESULT (*canUnloadNow)();
    HRESULT (*variantClear)(VARIANT* variant);

    // Opens the library at path; false with the loader's words in error.
    bool Open(const char* path, const char** error);
    bool IsOpen() const { return createObject != nullptr; }
};

extern Library gLibrary;
