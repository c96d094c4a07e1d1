// One Twitter object as the command uses it: options applied, credentials loaded, and each
// method called with plain strings; the outcome is the object's LastError.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "component/Tweet.h"
#include "component/Twitter.h"
#include "component/User.h"

struct SessionOptions {
    std::string keys;  // the key file
    std::string log;   // the log file, or empty
    bool ssl = false;
    std::string proxy;  // host:port
    std::string proxyUser;
    int64_t cacheTimeout = -1;  // seconds; -1 keeps the machine-wide setting
};

class Session {
  public:
    explicit Session(const SessionOptions& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CTwitter& Twitter() { return *twitter_; }
    int32_t LastError() const;
    std::string Describe(int32_t code) const;

    // Loads both pairs from the key file; false with the key file's code when a pair is missing.
    bool LoadKeys(int32_t& code);
    // Whether the last LoadKeys found the consumer pair (the access pair may still be missing).
    bool HasConsumerPair() const { return consumerPair_; }
    void SaveKeys(int32_t& code);
    // Both pairs as a key file holds them, for a user to keep when they could not be saved.
    std::string KeyFileText() const;

    std::string Call(const std::function<HRESULT(CTwitter&, BSTR*)>& method);
    // Walks a list: first() fetches, next() continues; each object goes to visit.
    void WalkTweets(const std::function<HRESULT(CTwitter&, VARIANT*)>& first,
                    const std::function<void(const CTweet&)>& visit);
    void WalkUsers(const std::function<HRESULT(CTwitter&, VARIANT*)>& first,
                   const std::function<void(const CUser&)>& visit);

  private:
    CTwitter* twitter_;
    std::string keys_;
    bool consumerPair_ = false;
};

// A BSTR for the length of a call.
class Text {
  public:
    explicit Text(const std::string& text) : value_(CZelString(text.c_str()).ToBSTR()) {}
    ~Text() { SysFreeString(value_); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    operator BSTR() const { return value_; }  // NOLINT: passed where the methods take a BSTR

  private:
    BSTR value_;
};
