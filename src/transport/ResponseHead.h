// The status line and headers of one response, as WinHTTP's header queries read them.
#pragma once

#include <strings.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A response head: its texts lie back to back in one buffer that the fields point into, so that
// a head costs no allocation once the buffers have grown to the size of a usual head.
class ResponseHead {
  public:
    uint32_t status = 0;
    size_t bytes = 0;  // the size of the block's lines as they came

    // Empties the head and keeps its buffers.
    void Reset();
    std::string_view Version() const { return View(version_); }
    std::string_view Reason() const { return View(reason_); }
    size_t HeaderCount() const { return fields_.size(); }
    std::string_view Name(size_t index) const { return View(fields_[index].name); }
    std::string_view Value(size_t index) const { return View(fields_[index].value); }

  private:
    struct Span {
        size_t offset = 0, length = 0;
    };
    struct Field {
        Span name, value;
    };
    friend bool ParseHeaderLine(ResponseHead& head, std::string_view line);
    std::string_view View(Span span) const { return {text_.data() + span.offset, span.length}; }
    Span Keep(std::string_view part) {
        Span span{text_.size(), part.size()};
        text_.append(part);
        return span;
    }

    std::string text_;
    Span version_, reason_;
    std::vector<Field> fields_;
};

// Header and scheme names compare without regard to case.
inline bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// One line of a response head into head: a status line starts a new block, a header line adds
// to it, a line starting with a blank continues the last header. True for the blank line that
// ends a block.
bool ParseHeaderLine(ResponseHead& head, std::string_view line);
