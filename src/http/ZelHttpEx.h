// The system's HTTP client over a WinHTTP binding, with a cache of open connections.
#pragma once

#include <cstdint>

#include "common/ZelList.h"
#include "http/WinHttpLib.h"

class CZelHttpEx : public CZelBase {
public:
    CZelHttpEx();
    ~CZelHttpEx() override;

    void SetLogFile(const char* path) override;
    bool IsInitialized() const { return Initialized != 0; }
    void Shutdown();

    CZelString ProxyServer;
    CZelString ProxyAccount;
    CZelString ProxyPassword;
    CZelString WebAccount;
    CZelString WebPassword;
    CZelString ExtraHeaders;
    CZelString UserAgent{"Mozilla/5.0 (compatible; Win64; Velmora.Http)"};
    uint32_t LastStatusCode = 0;
    uint32_t Timeout = 10000;
    uint32_t ReceiveTimeout = 10000;
    uint32_t ConnectionLifetime = 30000;
    uint32_t ConnectionLimit = 32;
    CWinHttpLib Binding{"CZelHttpEx"};
    HINTERNET Session = nullptr;
    CZelList Connections{true};
    int Initialized = 0;
};
