#include "xml/ReplyBuffer.h"

namespace xml {

namespace {

// Defined here alone: an inline thread-local variable gets its initialisation function from
// every object that uses it, which the Windows toolchain's linker refuses.
thread_local std::string spareReply;

}  // namespace

std::string TakeReplyBuffer() {
    std::string text;
    text.swap(spareReply);
    return text;
}

void GiveBackReplyBuffer(std::string& text) {
    if (text.capacity() <= kKeptReplyBuffer && text.capacity() > spareReply.capacity()) {
        text.clear();
        spareReply.swap(text);
    }
}

}  // namespace xml
