// The handles of the WinHTTP-compatible transport module: a session, a connection per host and
// port that owns the libcurl easy and multi handles (so TCP and TLS connections are reused), and
// requests, which run in WinHTTP's three phases: send, receive the head, read the body.
#pragma once

#include <curl/curl.h>

#include <memory>

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

struct CurlShareDeleter {
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};
using CurlShare = std::unique_ptr<CURLSH, CurlShareDeleter>;

class TransportHandle {
  public:
    enum class Kind { Session, Connection, Request };
    explicit TransportHandle(Kind kind) : kind_(kind) {}
    virtual ~TransportHandle() = default;
    Kind GetKind() const { return kind_; }

  private:
    Kind kind_;
};
