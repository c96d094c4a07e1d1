// A connection to one host and port; its libcurl handles carry one transfer at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "transport/TransportSession.h"

class TransportRequest;

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
    TransportRequest* active = nullptr;  // the request whose transfer holds the easy handle
    // A closed request's body buffer, for the next request to fill: a body of a few hundred
    // kilobytes in fresh memory would cost a page fault per page on every request.
    std::string spareBody;
    // The request in transfer's URL text, request target, head lines and the list of them that
    // libcurl reads.
    std::string urlText;
    std::string targetText;
    std::string headerLines;
    std::vector<curl_slist> headerNodes;
    // The session settings last applied to the easy handle; they are set once, not per request.
    unsigned appliedVersion = 0;
    bool configured = false;
};
