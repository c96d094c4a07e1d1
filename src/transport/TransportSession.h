// A WinHTTP session: the settings its connections and requests share.
#pragma once

#include <cstdint>
#include <string>

#include "transport/TransportHandle.h"

struct Credentials {
    uint32_t scheme = 0;  // 0: none set
    std::string user;
    std::string password;
};

class TransportSession : public TransportHandle {
  public:
    // The session keeps the cookies its servers set and sends them back on its later requests,
    // over any of its connections, as WinHTTP does. A session is used by one thread at a time.
    TransportSession() : TransportHandle(Kind::Session), cookies(curl_share_init()) {
        if (cookies)
            curl_share_setopt(cookies.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }

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
    CurlShare cookies;
};
