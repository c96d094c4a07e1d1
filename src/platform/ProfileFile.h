// Profile (INI) files with the semantics of the Windows profile functions: section and key names
// match without regard to case, other lines are kept, a value is replaced in place.
#pragma once

#include <cstdint>

namespace platform {

// Copies the value (or def when the key is missing) into buffer, at most size - 1 characters, and
// returns the number of characters copied.
uint32_t GetProfileString(const char* section, const char* key, const char* def, char* buffer,
                          uint32_t size, const char* file);

// Creates the file with newFileMode when it does not exist; an existing file keeps its mode.
// Refuses texts holding a line break, which would corrupt the file's structure.
bool WriteProfileString(const char* section, const char* key, const char* value, const char* file,
                        unsigned newFileMode = 0600);

// True when a file of that name exists and is not a directory.
bool FileExists(const char* path);

}  // namespace platform
