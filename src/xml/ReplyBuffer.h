// The memory of the last reply text this thread let go, for the next reply: a reply of a few
// hundred kilobytes written into fresh memory costs a page fault per page, and memory handed back
// to the system at once costs them again on every call.
#pragma once

#include <cstddef>
#include <string>

namespace xml {

inline constexpr size_t kKeptReplyBuffer = size_t{1} << 20;

inline thread_local std::string spareReply;

// An empty text with the room of the last one given back.
inline std::string TakeReplyBuffer() {
    std::string text;
    text.swap(spareReply);
    return text;
}

// Keeps the text's memory, not its bytes, for the next reply: up to kKeptReplyBuffer.
inline void GiveBackReplyBuffer(std::string& text) {
    if (text.capacity() <= kKeptReplyBuffer && text.capacity() > spareReply.capacity()) {
        text.clear();
        spareReply.swap(text);
    }
}

}  // namespace xml
