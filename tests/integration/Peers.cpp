#include "Peers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace peers {

int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

bool WaitForPort(int port, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bool up = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        close(fd);
        if (up) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

Peer::Peer(const std::string& script, const std::vector<std::string>& args, int port) {
    std::string command = std::string(PEERS_DIR) + "/" + script;
    for (const auto& arg : args) command += " '" + arg + "'";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return;
    int pid = -1;
    if (std::fscanf(out, "%d", &pid) != 1) pid = -1;
    pclose(out);
    pid_ = pid;
    if (pid_ > 0 && !WaitForPort(port, 10000)) {
        kill(pid_, SIGKILL);
        pid_ = -1;
    }
}

Peer::~Peer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100 && kill(pid_, 0) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (kill(pid_, 0) == 0) kill(pid_, SIGKILL);
}

std::string MakeServerDir() {
    std::string pattern = "/tmp/warbler-peer-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return {};
    chmod(pattern.c_str(), 0755);
    return pattern;
}

void RemoveDir(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace peers
