// Profile (INI) files with the semantics of the Windows profile functions: section and key names
// match without regard to case, other lines are kept, a value is replaced in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The longest value a read returns, as the largest buffer the Windows functions are given.
constexpr size_t kProfileValueLimit = 65535;

// The values of some keys of one section, each the key's value or def, at most
// kProfileValueLimit characters. Read under a shared lock, so that a save of this system made at
// the same time is seen whole or not at all; a file that is no regular file reads as empty.
void GetProfileStrings(const char* section, const char* const* keys, std::string* values,
                       size_t count, const char* def, const char* file);

// Sets the keys of one section in one update under an exclusive lock. The new text is written
// beside the file and replaces it whole, so that a failure (a full disk) leaves the old text; its
// owner, mode and symbolic links stay. A file with other hard links, or in a folder the process
// may not write, is written in place with its room reserved first. A new file is created with
// newFileMode. Refuses texts holding a line break, which would corrupt the file's structure, and
// files it cannot read.
bool WriteProfileStrings(const char* section, const char* const* keys, const char* const* values,
                         size_t count, const char* file, unsigned newFileMode = 0600);

// One value, copied into buffer (at most size - 1 characters); returns the number copied.
uint32_t GetProfileString(const char* section, const char* key, const char* def, char* buffer,
                          uint32_t size, const char* file);
bool WriteProfileString(const char* section, const char* key, const char* value, const char* file,
                        unsigned newFileMode = 0600);

// True when a regular file of that name exists.
bool FileExists(const char* path);

}  // namespace platform
