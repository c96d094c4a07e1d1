#include "transport/ResponseHead.h"

#include <cstdlib>

void ResponseHead::Reset() {
    status = 0;
    bytes = 0;
    text_.clear();
    version_ = reason_ = Span{};
    fields_.clear();
}

bool ParseHeaderLine(ResponseHead& head, std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.empty())
        return true;
    if (line.substr(0, 5) == "HTTP/") {
        // A new block: an interim, proxy CONNECT or authentication round came before it.
        head.Reset();
        if (head.fields_.capacity() == 0) {  // room for a usual head at once
            head.fields_.reserve(16);
            head.text_.reserve(1024);
        }
        size_t sp1 = line.find(' ');
        head.version_ = head.Keep(line.substr(0, sp1));
        if (sp1 != std::string_view::npos) {
            char code[4] = {};
            line.substr(sp1 + 1, 3).copy(code, 3);
            head.status = static_cast<uint32_t>(std::strtoul(code, nullptr, 10));
            size_t sp2 = line.find(' ', sp1 + 1);
            if (sp2 != std::string_view::npos)
                head.reason_ = head.Keep(line.substr(sp2 + 1));
        }
    } else if ((line[0] == ' ' || line[0] == '\t') && !head.fields_.empty()) {
        size_t start = line.find_first_not_of(" \t");
        if (start != std::string_view::npos) {  // a line of blanks continues nothing
            // The last value is the last text kept: the continuation extends it in place.
            head.text_.append(1, ' ').append(line.substr(start));
            head.fields_.back().value.length += 1 + line.size() - start;
        }
    } else if (size_t colon = line.find(':'); colon != std::string_view::npos) {
        size_t start = line.find_first_not_of(" \t", colon + 1);
        ResponseHead::Field field;
        field.name = head.Keep(line.substr(0, colon));
        field.value =
            head.Keep(start == std::string_view::npos ? std::string_view{} : line.substr(start));
        head.fields_.push_back(field);
    }
    return false;
}
