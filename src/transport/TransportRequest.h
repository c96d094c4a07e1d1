// A request in WinHTTP's three phases: send, receive the head, read the body.
#pragma once

#include <curl/curl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "transport/ResponseHead.h"
#include "transport/TransportConnection.h"

class TransportRequest : public TransportHandle {
  public:
    TransportRequest(std::shared_ptr<TransportConnection> owner, std::string method,
                     std::string objectName, bool isSecure, bool isRefresh)
        : TransportHandle(Kind::Request),
          connection(std::move(owner)),
          verb(std::move(method)),
          object(std::move(objectName)),
          secure(isSecure),
          refresh(isRefresh) {}
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

    // Ends every waiting request of the process at once, and those that wait later, until called
    // with false: a script's Ctrl-C. Safe to call from a signal handler.
    static void Interrupt(bool on);

    // The first value of a header, if present.
    bool FindHeader(const char* name, std::string& value) const;

    std::shared_ptr<TransportConnection> connection;
    std::string verb;
    std::string object;
    bool secure;
    bool refresh;  // past any cache: WINHTTP_FLAG_REFRESH, alias BYPASS_PROXY_CACHE
    std::array<Credentials, 2> credentials;  // server, proxy
    uint32_t responseTimeoutMs = 0;          // the whole head's wait; 0: none
    bool responded = false;
    ResponseHead head;

    // Filled by libcurl's callbacks while a transfer runs.
    ResponseHead incoming;
    bool headComplete = false;    // the blank line after a final response's headers came
    bool requestStarted = false;  // the connection stands and the request goes out
    long tunnelRequestBytes = 0;  // what a CONNECT request took of libcurl's request count
    bool bodyStarted = false;
    std::string body;
    size_t readOffset = 0;
    uint32_t lastActivityMs = 0;  // system ticks; compared by wrapping difference
    bool activity = false;        // data came since the clock was last read
    // Why a callback or an interruption stopped the transfer (a head too large, no memory for what
    // came, a request not re-sent, Ctrl-C), if one did.
    uint32_t refused = 0;
    // The last failure in words, for the log: libcurl's own, or the wait that ran out.
    std::string reason;
    char curlError[CURL_ERROR_SIZE] = {};

  private:
    // Send's steps: the request's state and the transfer's options for a new exchange; then the
    // method, the header lines and the body.
    void PrepareTransfer(size_t bodyLength);
    void SetMethodAndHeaders(const std::string& extraHeaders, const char* bodyData,
                             size_t bodyLength);
    // Drives the transfer until ready() holds or it ends; false when the peer stayed silent
    // for longer than silenceMs, or the whole drive took longer than totalMs (0: no limit).
    bool Pump(bool (TransportRequest::*ready)() const, int silenceMs, uint32_t totalMs = 0);
    bool RequestWritten() const;
    bool HeadArrived() const;
    bool BodyBuffered() const;
    void Detach();
    void Finish(uint32_t error);
    // The error of a transfer that ended badly: a callback's reason, else of(libcurl's result);
    // its words go to reason.
    uint32_t Failure(uint32_t (*of)(CURLcode));
    // Why Pump gave up: an interruption, else a wait that ran out.
    uint32_t PumpFailure() const;

    size_t bodyLength_ = 0;
    bool running_ = false;
    bool finished_ = false;
    CURLcode result_ = CURLE_OK;
    uint32_t bodyError_ = 0;  // a failure after the head, reported by ReadData
    // The response is a proxy's refusal of CONNECT: the transfer's error is its end, not a body's.
    bool connectRefused_ = false;
};
