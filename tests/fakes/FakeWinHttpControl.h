// The scripting interface of the fake transport modules that the unit tests build: replies are
// queued before a request, and every call that reaches the module is recorded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FakeReply {
    uint32_t status = 200;
    std::string reason = "OK";
    std::string location;  // Location header, when not empty
    std::string server;    // Server header, when not empty
    std::string body;
    uint32_t sendError = 0;     // WinHttpSendRequest fails with this last error
    uint32_t receiveError = 0;  // WinHttpReceiveResponse fails with this last error
    uint32_t authSchemes = 0;   // supported schemes for 401/407; 0: the query fails
    uint32_t authError = 0;     // last error when the scheme query fails
};

struct FakeSent {
    std::string verb;
    std::string host;
    uint16_t port = 0;
    std::string path;
    bool secure = false;
    std::string headers;
    std::string body;
    uint32_t credentialTarget = 0;  // of the last credentials set on the request
    uint32_t credentialScheme = 0;  // 0: no credentials set on the request
    uint32_t schemes[2] = {0, 0};   // the scheme set for each target: server, proxy
    std::string user;
    std::string password;
};

struct FakeState {
    std::vector<FakeReply> replies;  // consumed from the front, one per send
    std::vector<FakeSent> sent;
    int connects = 0;
    int openHandles = 0;
    std::string proxy;
    uint32_t accessType = 0;
    void (*onSend)() = nullptr;  // lets a test move its clock per attempt
};

extern "C" FakeState* FakeWinHttpState();
