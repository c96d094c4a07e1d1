// Real servers on loopback for the integration tests: started from the recipes in peers/ in a
// temporary folder on free ports, stopped when the object dies.
#pragma once

#include <string>
#include <vector>

namespace peers {

int FreePort();

// True once something accepts connections on 127.0.0.1:port, within the given time.
bool WaitForPort(int port, int timeoutMs);

class Peer {
public:
    // Runs a start script that launches the server in the background and prints its PID.
    Peer(const std::string& script, const std::vector<std::string>& args, int port);
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    bool Running() const { return pid_ > 0; }

private:
    int pid_ = -1;
};

// A folder that servers running as "nobody" can read.
std::string MakeServerDir();
void RemoveDir(const std::string& path);
std::string ReadText(const std::string& path);

}  // namespace peers
