// One Twitter object as the command uses it, through its interfaces only: options applied,
// credentials loaded, each method called with plain strings; the outcome is the object's LastError
// and its account of the last call.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "automation/Interfaces.h"
#include "automation/UniqueBstr.h"
#include "cli/Printer.h"

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
    // A bare object: the machine's settings, no options (for the component's version).
    Session();
    explicit Session(const SessionOptions& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ITwitter& Twitter() { return *twitter_; }
    int32_t LastError() const;
    std::string Describe(int32_t code) const;
    // The last call's HTTP status (0 when none came), the <error> of the service's reply, and the
    // transport's reason for a call that ended without one.
    uint32_t LastHttpStatus() const;
    std::string LastServiceMessage() const;
    std::string LastFailure() const;

    // Loads both pairs from the key file; false with the key file's code when a pair is missing.
    bool LoadKeys(int32_t& code);
    // Whether the last LoadKeys found the consumer pair (the access pair may still be missing).
    bool HasConsumerPair() const { return consumerPair_; }
    void SaveKeys(int32_t& code);
    // Both pairs as a key file holds them, for a user to keep when they could not be saved.
    std::string KeyFileText() const;

    std::string Call(const std::function<HRESULT(ITwitter&, BSTR*)>& method);
    // Walks a list: first() fetches, FindNext* continues; each record goes to visit.
    void WalkTweets(const std::function<HRESULT(ITwitter&, VARIANT*)>& first,
                    const std::function<void(const StatusLine&)>& visit);
    void WalkUsers(const std::function<HRESULT(ITwitter&, VARIANT*)>& first,
                   const std::function<void(const UserLine&)>& visit);

  private:
    ITwitter* twitter_ = nullptr;
    ITwitterDiagnostics* diagnostics_ = nullptr;
    std::string keys_;
    bool consumerPair_ = false;
};

// A BSTR of the text for the length of a call.
class Text {
  public:
    explicit Text(const std::string& text);
    operator BSTR() const { return value_.get(); }  // NOLINT: passed where the methods take a BSTR

  private:
    UniqueBstr value_;
};

// The text of a BSTR the caller owns, freed here.
std::string Take(BSTR text);
