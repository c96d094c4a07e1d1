// The handles of the WinHTTP-compatible transport module: a session, a connection per host and
// port that owns the libcurl easy and multi handles (so TCP and TLS connections are reused), and
// requests, which run in WinHTTP's three phases: send, receive the head, read the body.
#pragma once

#include <curl/curl.h>
#include <strings.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

class TransportHandle {
  public:
    enum class Kind { Session, Connection, Request };
    explicit TransportHandle(Kind kind) : kind_(kind) {}
    virtual ~TransportHandle() = default;
    Kind GetKind() const { return kind_; }

  private:
    Kind kind_;
};

struct Credentials {
    uint32_t scheme = 0;  // 0: none set
    std::string user;
    std::string password;
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
    // Proxy credentials that a proxy accepted: later requests of the session send them too, as
    // WinHTTP does, so that a server's challenge can be answered behind the proxy.
    Credentials proxyCredentials;
};

class TransportConnection : public TransportHandle {
  public:
    TransportConnection(std::shared_ptr<TransportSession> owner, std::string hostName,
                        uint16_t portNumber)
        : TransportHandle(Kind::Connection),
          session(std::move(owner)),
          host(std::move(hostName)),
          port(portNumber),
          easy(curl_easy_init()),
          multi(curl_multi_init()) {}
    ~TransportConnection() override;

    std::shared_ptr<TransportSession> session;
    std::string host;
    uint16_t port;
    CurlEasy easy;
    CurlMulti multi;
    class TransportRequest* active = nullptr;  // the request whose transfer holds the easy handle
    // A closed request's body buffer, for the next request to fill: a body of a few hundred
    // kilobytes in fresh memory would cost a page fault per page on every request.
    std::string spareBody;
    // The request in transfer's URL text, head lines and the list of them that libcurl reads.
    std::string urlText;
    std::string headerLines;
    std::vector<curl_slist> headerNodes;
    // The session settings last applied to the easy handle; they are set once, not per request.
    unsigned appliedVersion = 0;
    bool configured = false;
};

// A response head: its texts lie back to back in one buffer that the fields point into, so that
// a head costs no allocation once the buffers have grown to the size of a usual head.
class ResponseHead {
  public:
    uint32_t status = 0;
    size_t bytes = 0;  // the size of the block's lines as they came

    // Empties the head and keeps its buffers.
    void Reset();
    std::string_view Version() const { return View(version_); }
    std::string_view Reason() const { return View(reason_); }
    size_t HeaderCount() const { return fields_.size(); }
    std::string_view Name(size_t index) const { return View(fields_[index].name); }
    std::string_view Value(size_t index) const { return View(fields_[index].value); }

  private:
    struct Span {
        size_t offset = 0, length = 0;
    };
    struct Field {
        Span name, value;
    };
    friend bool ParseHeaderLine(ResponseHead& head, std::string_view line);
    std::string_view View(Span span) const { return {text_.data() + span.offset, span.length}; }
    Span Keep(std::string_view part) {
        Span span{text_.size(), part.size()};
        text_.append(part);
        return span;
    }

    std::string text_;
    Span version_, reason_;
    std::vector<Field> fields_;
};

// Header and scheme names compare without regard to case.
inline bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// One line of a response head into head: a status line starts a new block, a header line adds
// to it, a line starting with a blank continues the last header. True for the blank line that
// ends a block.
bool ParseHeaderLine(ResponseHead& head, std::string_view line);

class TransportRequest : public TransportHandle {
  public:
    TransportRequest(std::shared_ptr<TransportConnection> owner, std::string method,
                     std::string objectName, bool isSecure)
        : TransportHandle(Kind::Request),
          connection(std::move(owner)),
          verb(std::move(method)),
          object(std::move(objectName)),
          secure(isSecure) {}
    ~TransportRequest() override;

    // The three phases; each false with the WinHTTP error number in *error.
    // Sends the request: connects, writes the head and the body.
    bool Send(const std::string& extraHeaders, const char* body, size_t bodyLength,
              uint32_t* error);
    // Waits for the status line and headers of the final response.
    bool Receive(uint32_t* error);
    // The body bytes that can be read now, waiting for the next ones when none are. After a
    // broken body it reports the bytes still expected, and ReadData reports the failure.
    bool Available(size_t* count, uint32_t* error);
    bool Read(char* buffer, size_t size, size_t* read, uint32_t* error);

    // The first value of a header, if present.
    bool FindHeader(const char* name, std::string& value) const;

    std::shared_ptr<TransportConnection> connection;
    std::string verb;
    std::string object;
    bool secure;
    std::array<Credentials, 2> credentials;  // server, proxy
    bool responded = false;
    ResponseHead head;

    // Filled by libcurl's callbacks while a transfer runs.
    ResponseHead incoming;
    bool headComplete = false;  // the blank line after a final response's headers came
    bool bodyStarted = false;
    std::string body;
    size_t readOffset = 0;
    uint32_t lastActivityMs = 0;  // system ticks; compared by wrapping difference
    bool activity = false;        // data came since the clock was last read
    // Why a callback stopped the transfer (a head too large, no memory for what came), if one did.
    uint32_t refused = 0;

  private:
    // Drives the transfer until ready() holds or it ends; false when the peer stayed silent
    // for longer than silenceMs (0: no limit).
    bool Pump(bool (TransportRequest::*ready)() const, int silenceMs);
    bool RequestWritten() const;
    bool HeadArrived() const;
    bool BodyBuffered() const;
    void Detach();
    void Finish(uint32_t error);
    // The error of a transfer that ended badly: a callback's reason, else of(libcurl's result).
    uint32_t Failure(uint32_t (*of)(CURLcode)) const;

    size_t bodyLength_ = 0;
    bool running_ = false;
    bool finished_ = false;
    CURLcode result_ = CURLE_OK;
    uint32_t bodyError_ = 0;  // a failure after the head, reported by ReadData
};
