// Real servers on loopback for the integration tests: started from the recipes in peers/ in a
// temporary folder on free ports, stopped when the object dies.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

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

// broken_server.py in each of the given modes, on a port of its own, in a folder of its own.
class BrokenServers {
  public:
    explicit BrokenServers(const std::vector<std::string>& modes);
    ~BrokenServers();
    BrokenServers(const BrokenServers&) = delete;
    BrokenServers& operator=(const BrokenServers&) = delete;
    std::string Url(const std::string& mode, const std::string& path = "/x") const;
    const std::string& Dir() const { return dir_.Path(); }

  private:
    test::TempDir dir_;
    std::map<std::string, int> ports_;
    std::map<std::string, std::unique_ptr<Peer>> servers_;
};

}  // namespace peers
