#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

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

// A bare or relative name is the current folder's, as for any other file: the profile
// functions alone would take a name without a folder from the Windows folder.
std::string FullPath(const char* file) {
    char buffer[MAX_PATH];
    DWORD n = GetFullPathNameA(file, MAX_PATH, buffer, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string(file);
}

// Serialises the saves of one file among the processes of the session: the copy that replaces
// the file must start from its latest text.
class SaveLock {
  public:
    explicit SaveLock(const std::string& path) {
        std::string name = "Local\\Velmora.Warbler.KeyFile.";
        uint32_t hash = 2166136261u;  // FNV-1a of the path without regard to case
        for (char c : path) {
            char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
            hash = (hash ^ static_cast<unsigned char>(lower)) * 16777619u;
        }
        name += std::to_string(hash);
        mutex_ = CreateMutexA(nullptr, FALSE, name.c_str());
        if (mutex_ != nullptr)
            WaitForSingleObject(mutex_, INFINITE);
    }
    ~SaveLock() {
        if (mutex_ != nullptr) {
            ReleaseMutex(mutex_);
            CloseHandle(mutex_);
        }
    }
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

  private:
    HANDLE mutex_ = nullptr;
};

}  // namespace

void GetProfileStrings(const char* section, const char* const* keys, std::string* values,
                       size_t count, const char* def, const char* file) {
    std::string path = FullPath(file);
    for (size_t k = 0; k < count; ++k) values[k] = ReadValue(section, keys[k], def, path.c_str());
}

// The keys are written into a copy beside the file, which then replaces it: a failure on the way
// (a full disk) leaves the file as it was. The new file's mode is a Linux notion: Windows files
// inherit their folder's access rights.
bool WriteProfileStrings(const char* section, const char* const* keys, const char* const* values,
                         size_t count, const char* file, unsigned) {
    std::string path = FullPath(file);
    SaveLock lock(path);
    std::string aside = path + ".warbler-new";
    bool existed = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    bool written = !existed || CopyFileA(path.c_str(), aside.c_str(), FALSE);
    for (size_t k = 0; written && k < count; ++k)
        written = WritePrivateProfileStringA(section, keys[k], values[k], aside.c_str()) != 0;
    // The profile functions write through a cache that a flush of a null section empties.
    if (written)
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, aside.c_str());
    if (written)
        written = MoveFileExA(aside.c_str(), path.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!written) {
        SetFileAttributesA(aside.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only file's copy
        DeleteFileA(aside.c_str());
    }
    return written;
}

uint32_t GetProfileString(const char* section, const char* key, const char* def, char* buffer,
                          uint32_t size, const char* file) {
    return GetPrivateProfileStringA(section, key, def, buffer, size, FullPath(file).c_str());
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
