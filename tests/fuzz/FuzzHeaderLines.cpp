// A hostile server's response head, line by line, through the transport's parser.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "transport/ResponseHead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ResponseHead head;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line =
            text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
        ParseHeaderLine(head, line);
        text.remove_prefix(line.size());
    }
    return 0;
}
