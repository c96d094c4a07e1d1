#include <windows.h>

#include "platform/ProfileFile.h"

namespace platform {

uint32_t GetProfileString(const char* section, const char* key, const char* def, char* buffer,
                          uint32_t size, const char* file) {
    return GetPrivateProfileStringA(section, key, def, buffer, size, file);
}

// The new file's mode is a Linux notion: Windows files inherit their folder's access rights.
bool WriteProfileString(const char* section, const char* key, const char* value, const char* file,
                        unsigned) {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

bool FileExists(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace platform
