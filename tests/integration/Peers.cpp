#include "Peers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
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
        if (up)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

Peer::Peer(const std::string& script, const std::vector<std::string>& args, int port) {
    std::string command = std::string(PEERS_DIR) + "/" + script;
    for (const auto& arg : args) command += " '" + arg + "'";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr)
        return;
    int pid = -1;
    if (std::fscanf(out, "%d", &pid) != 1)
        pid = -1;
    pclose(out);
    pid_ = pid;
    if (pid_ > 0 && !WaitForPort(port, 10000)) {
        kill(pid_, SIGKILL);
        pid_ = -1;
    }
}

namespace {

// A server that exited but that no parent reaped yet (its starter shell is gone) is a zombie:
// it counts as stopped.
bool Alive(int pid) {
    if (kill(pid, 0) != 0)
        return false;
    std::string stat = test::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] != 'Z';
}

}  // namespace

Peer::~Peer() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100 && Alive(pid_); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (Alive(pid_))
        kill(pid_, SIGKILL);
}

BrokenServers::BrokenServers(const std::vector<std::string>& modes) {
    std::string script = std::string(PEERS_DIR) + "/../broken_server.py";
    for (const std::string& mode : modes) {
        int port = FreePort();
        ports_[mode] = port;
        servers_[mode] = std::make_unique<Peer>(
            "start_background.sh",
            std::vector<std::string>{dir_.File(mode + ".log"), "/usr/bin/python3", script,
                                     std::to_string(port), mode},
            port);
    }
}

BrokenServers::~BrokenServers() {
    servers_.clear();  // before their folder goes
}

std::string BrokenServers::Url(const std::string& mode, const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(ports_.at(mode)) + path;
}

}  // namespace peers
