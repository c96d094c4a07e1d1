// The system's HTTP client over a WinHTTP binding, with a cache of open connections.
#pragma once

#include <vector>

#include <cstdint>

#include "common/ZelList.h"
#include "http/WinHttpLib.h"
#include "http/ZelConnectionInfo.h"

class CZelHttpEx : public CZelBase {
  public:
    CZelHttpEx();
    ~CZelHttpEx() override;

    void SetLogFile(const char* path) override;
    bool IsInitialized() const { return Initialized != 0; }
    int32_t Initialize();
    int32_t Get(const CZelString& url, CZelString& response);
    int32_t Post(const CZelString& url, const CZelString& body, CZelString& response);
    void Shutdown();

    struct UrlParts {
        CZelString host;
        uint16_t port = 0;
        CZelString path;
        bool secure = false;
    };
    static UrlParts SplitUrl(const CZelString& url);

    CZelConnectionInfo* FindConnection(const CZelString& key);
    void AddConnection(CZelConnectionInfo* record);

    CZelString ProxyServer;
    CZelString ProxyAccount;
    CZelString ProxyPassword;
    CZelString WebAccount;
    CZelString WebPassword;
    CZelString ExtraHeaders;
    CZelString UserAgent{"Mozilla/5.0 (compatible; Win64; Velmora.Http)"};
    // Far above any reply of the service; a body that goes on past it ends the call.
    static constexpr size_t kMaxReply = size_t{128} << 20;
    // A whole call, every attempt, head and body read together, lasts at most this many times
    // Timeout: the deadline bounds only the start of attempts, and the session's time-outs
    // each wait, so a server that trickles would otherwise hold a call for as long as it likes.
    static constexpr uint32_t kCeilingFactor = 6;
    uint32_t LastStatusCode = 0;
    // Why the last call that failed in the transport ended, as its log line says it: empty after
    // a call that did not.
    CZelString LastFailure;
    uint32_t Timeout = 10000;
    uint32_t ReceiveTimeout = 10000;
    uint32_t ConnectionLifetime = 30000;
    uint32_t ConnectionLimit = 32;
    CWinHttpLib Binding{"CZelHttpEx"};
    HINTERNET Session = nullptr;
    CZelList Connections{true};
    int Initialized = 0;

  private:
    int32_t Transfer(const char* method, const CZelString& url, const CZelString* form,
                     CZelString& response);
    int32_t OpenSession();
    int32_t ApplyTimeouts();
    int32_t ExecuteRequest(const CZelString& method, const CZelString& url, CZelTimer* deadline,
                           CZelConnectionInfo** record, const char* body, uint32_t bodyLength,
                           uint32_t scheme, uint32_t target);
    // The steps of an attempt: each ends it with its code where it fails (0 goes on).
    int32_t Connect(const CZelString& method, const UrlParts& parts, CZelConnectionInfo*& current);
    int32_t SetCredentials(HINTERNET request, const uint32_t asked[2]);
    int32_t SendAndReceive(HINTERNET request, const char* body, uint32_t bodyLength,
                           uint32_t target);
    void LogResponseHead(HINTERNET request);
    // A 401 or 407: 0 when the next attempt answers it with the scheme it asked for (set in asked).
    int32_t AnswerChallenge(HINTERNET request, uint32_t asked[2]);
    CZelString RedirectTarget(HINTERNET request, const CZelString& attempt, const UrlParts& parts);
    int32_t ReadResponse(HINTERNET request, CZelString& text);
    // True, with its log line, once the call's ceiling has passed.
    bool CeilingReached();
    // Logs why an attempt ends where a WinHTTP operation failed (its error number, what it means,
    // the transport's own words where it has them) and returns code.
    int32_t GiveUp(const char* operation, int32_t code);
    // Keeps a line that says why a call ended for LastFailure, and logs it.
    void Explain(CZelString line);
    void DropResponse(HINTERNET request);
    int32_t QueryHeaderText(HINTERNET request, uint32_t query, CZelString& text);
    int32_t QueryHeaderNumber(HINTERNET request, uint32_t query, uint32_t& value);
    void LogAuthScheme(uint32_t scheme);

    std::vector<char> readBuffer_;  // reused by every read: replies come in chunks
    CZelTimer* ceiling_ = nullptr;  // the running call's, for every read of it
    CZelString peerHost_;           // the host and port of the running attempt
    uint16_t peerPort_ = 0;
    HINTERNET OpenRequest(HINTERNET connection, const CZelString& method, const UrlParts& url);
    void CloseHandle(HINTERNET& handle);
};
