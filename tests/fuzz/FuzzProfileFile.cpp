// A key file with any content: read, written back with a pair, read again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/warbler-fuzz-" + std::to_string(getpid()) + ".ini";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const char* keys[] = {"AccessToken", "AccessSecret"};
    std::string values[2];
    platform::GetProfileStrings("AccessTokenPair", keys, values, 2, "", path.c_str());
    const char* pair[] = {"token", "secret"};
    if (platform::WriteProfileStrings("AccessTokenPair", keys, pair, 2, path.c_str())) {
        platform::GetProfileStrings("AccessTokenPair", keys, values, 2, "", path.c_str());
        if (values[0] != "token" || values[1] != "secret")
            __builtin_trap();  // what was saved reads back
    }
    std::remove(path.c_str());
    return 0;
}
