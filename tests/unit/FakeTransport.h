// Loads a scripted transport module for a test, keeps it loaded, and gives the test its state
// and a clock that the test moves.
#pragma once

#include <dlfcn.h>

#include <sstream>
#include <string>
#include <vector>

#include "FakeWinHttpControl.h"
#include "TestSupport.h"
#include "platform/Clock.h"

namespace test {

class FakeTransport {
  public:
    explicit FakeTransport(const char* path = FAKE_WINHTTP) : path_(path) {
        module_ = dlopen(path, RTLD_NOW);
        auto get = reinterpret_cast<FakeState* (*)()>(dlsym(module_, "FakeWinHttpState"));
        state_ = get();
        *state_ = FakeState{};
        Now() = 1000;
        platform::SetTickSource(&Ticks);
    }
    ~FakeTransport() {
        platform::SetTickSource(nullptr);
        dlclose(module_);
    }
    FakeTransport(const FakeTransport&) = delete;
    FakeTransport& operator=(const FakeTransport&) = delete;

    FakeState& State() { return *state_; }
    const char* Path() const { return path_; }
    void Queue(FakeReply reply) { state_->replies.push_back(std::move(reply)); }
    static uint32_t& Now() {
        static uint32_t now = 0;
        return now;
    }

  private:
    static uint32_t Ticks() { return Now(); }
    const char* path_;
    void* module_;
    FakeState* state_;
};

inline FakeReply Reply(uint32_t status, std::string body = {}) {
    FakeReply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

// The messages of a log file without their time prefix.
inline std::vector<std::string> LogMessages(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.size() > 11 ? line.substr(11) : "");
    return lines;
}

inline bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
    for (const auto& line : lines)
        if (line == wanted)
            return true;
    return false;
}

}  // namespace test
