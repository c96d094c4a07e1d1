// The handles of the WinHTTP-compatible transport module: a session, a connection per host and
// port that owns the libcurl easy handle (so TCP and TLS connections are reused), and requests.
#pragma once

#include <curl/curl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;

class TransportHandle {
  public:
    enum class Kind { Session, Connection, Request };
    explicit TransportHandle(Kind kind) : kind_(kind) {}
    virtual ~TransportHandle() = default;
    Kind GetKind() const { return kind_; }

  private:
    Kind kind_;
};

class TransportSession : public TransportHandle {
  public:
    TransportSession() : TransportHandle(Kind::Session) {}

    std::string userAgent;
    uint32_t accessType = 0;
    std::string proxy;  // named proxy, host:port
    int resolveTimeoutMs = 0;
    int connectTimeoutMs = 60000;
    int sendTimeoutMs = 30000;
    int receiveTimeoutMs = 30000;
    unsigned settingsVersion = 0;  // moves on whenever a setting above changes
};

class TransportConnection : public TransportHandle {
  public:
    TransportConnection(std::shared_ptr<TransportSession> owner, std::string hostName,
                        uint16_t portNumber)
        : TransportHandle(Kind::Connection),
          session(std::move(owner)),
          host(std::move(hostName)),
          port(portNumber),
          easy(curl_easy_init()) {}

    std::shared_ptr<TransportSession> session;
    std::string host;
    uint16_t port;
    CurlEasy easy;
    // The session settings last applied to the easy handle; they are set once, not per request.
    unsigned appliedVersion = 0;
    bool configured = false;
};

struct Credentials {
    uint32_t scheme = 0;  // 0: none set
    std::string user;
    std::string password;
};

struct ResponseHead {
    uint32_t status = 0;
    std::string version;
    std::string reason;
    std::vector<std::pair<std::string, std::string>> headers;
};

class TransportRequest : public TransportHandle {
  public:
    TransportRequest(std::shared_ptr<TransportConnection> owner, std::string method,
                     std::string objectName, bool isSecure)
        : TransportHandle(Kind::Request),
          connection(std::move(owner)),
          verb(std::move(method)),
          object(std::move(objectName)),
          secure(isSecure) {}

    // Runs the whole exchange; false with the WinHTTP error number in *error.
    bool Send(const std::string& extraHeaders, const char* body, size_t bodyLength,
              uint32_t* error);
    // The joined values of a header, if present.
    bool FindHeader(const char* name, std::string& value) const;

    std::shared_ptr<TransportConnection> connection;
    std::string verb;
    std::string object;
    bool secure;
    std::array<Credentials, 2> credentials;  // server, proxy
    bool responded = false;
    ResponseHead head;
    std::string body;
    size_t readOffset = 0;

    // Filled by libcurl's callbacks while a transfer runs.
    ResponseHead incoming;
    bool bodyTooLarge = false;
};
