// The memory of the last reply text the process let go, for the next reply: a reply of a few
// hundred kilobytes written into fresh memory costs a page fault per page, and memory handed back
// to the system at once costs them again on every call.
#pragma once

#include <cstddef>
#include <string>

namespace xml {

inline constexpr size_t kKeptReplyBuffer = size_t{1} << 20;

// An empty text with the room of the last one given back.
std::string TakeReplyBuffer();

// Keeps the text's memory, not its bytes, for the next reply: up to kKeptReplyBuffer.
void GiveBackReplyBuffer(std::string& text);

}  // namespace xml
