#include <windows.h>

#include <memory>

#include "platform/ProfileFile.h"

namespace platform {

namespace {

// A value is read with a 511-character limit first, and again with 65,535 when it filled it.
std::string ReadValue(const char* section, const char* key, const char* def, const char* file) {
    char small[512];
    DWORD n = GetPrivateProfileStringA(section, key, def, small, sizeof small, file);
    if (n < 510)
        return std::string(small, n);
    auto large = std::make_unique<char[]>(kProfileValueLimit + 1);
    n = GetPrivateProfileStringA(section, key, def, large.get(), kProfileValueLimit + 1, file);
    return std::string(large.get(), n);
}

}  // namespace

void GetProfileStrings(const char* section, const char* const* keys, std::string* values,
                       size_t count, const char* def, const char* file) {
    for (size_t k = 0; k < count; ++k) values[k] = ReadValue(section, keys[k], def, file);
}

// The new file's mode is a Linux notion: Windows files inherit their folder's access rights.
bool WriteProfileStrings(const char* section, const char* const* keys, const char* const* values,
                         size_t count, const char* file, unsigned) {
    for (size_t k = 0; k < count; ++k)
        if (!WritePrivateProfileStringA(section, keys[k], values[k], file))
            return false;
    return true;
}

uint32_t GetProfileString(const char* section, const char* key, const char* def, char* buffer,
                          uint32_t size, const char* file) {
    return GetPrivateProfileStringA(section, key, def, buffer, size, file);
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* file,
                        unsigned mode) {
    return WriteProfileStrings(section, &key, &value, 1, file, mode);
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
