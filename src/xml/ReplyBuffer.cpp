#include "xml/ReplyBuffer.h"

#include "platform/CriticalSection.h"

namespace xml {

namespace {

// One for the process, behind a lock: a thread-local one would have to be destroyed when its
// thread ends, which may be after a script host has unloaded the DLL.
struct Spare {
    platform::CriticalSection lock;
    std::string text;
};

Spare& TheSpare() {
    static Spare spare;
    return spare;
}

}  // namespace

std::string TakeReplyBuffer() {
    Spare& spare = TheSpare();
    std::string text;
    spare.lock.Enter();
    text.swap(spare.text);
    spare.lock.Leave();
    return text;
}

void GiveBackReplyBuffer(std::string& text) {
    if (text.capacity() > kKeptReplyBuffer)
        return;
    Spare& spare = TheSpare();
    spare.lock.Enter();
    if (text.capacity() > spare.text.capacity()) {
        text.clear();
        spare.text.swap(text);
    }
    spare.lock.Leave();
}

}  // namespace xml
