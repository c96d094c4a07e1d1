// The OAuth 1.0a client: credentials, the token pair, the endpoint URLs and the HTTP client that
// carries every request of the system.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "common/ZelBase.h"
#include "http/ZelHttpEx.h"
#include "oauth/ParameterMap.h"

class COAuth : public CZelBase {
  public:
    using TimeSource = int64_t (*)();
    using RandomSource = std::function<uint32_t()>;

    COAuth();
    ~COAuth() override;

    void SetLogFile(const char* path) override;

    int32_t MakeAuthRequest(const CZelString& url, uint32_t post, ParameterMap protocol,
                            ParameterMap request, CZelString& response);
    int32_t MakeSignedRequest(const CZelString& url, uint32_t post, ParameterMap request,
                              CZelString& response);
    int32_t MakeUnsignedRequest(const CZelString& url, uint32_t post, ParameterMap request,
                                CZelString& response);
    int32_t GetRequestToken(CZelString& authorizeUrl, const char* callback);
    int32_t GetAccessToken(const char* verifier);

    CZelString GenerateNonce();
    CZelString Timestamp() const;
    static CZelString BuildBaseString(const char* method, const CZelString& url,
                                      const CZelString& params);
    CZelString ComputeSignature(const CZelString& base) const;

    // The text-level building blocks of a signature and of what goes on the wire.
    static std::string PercentEncode(std::string_view text);
    static std::string FormEncode(std::string_view text);
    static CZelString NormalizeParameters(const ParameterMap& params);
    static CZelString FormString(const ParameterMap& params);
    static void ParseParameters(CZelString text, ParameterMap& params);
    static CZelString NormalizeUrl(const CZelString& url);
    static CZelString AuthorizationLine(const CZelString& realm, const ParameterMap& params);

    CZelString ConsumerKey;
    CZelString ConsumerSecret;
    CZelString Token;
    CZelString TokenSecret;
    CZelString RequestTokenUrl;
    CZelString AccessTokenUrl;
    CZelString AuthorizeUrl;
    CZelString SignatureMethod{"HMAC-SHA1"};
    CZelString Realm;
    CZelHttpEx Http;

    // Tests fix the clock and the nonce draws; production uses the time and the object's own
    // generator.
    TimeSource Clock;
    RandomSource Random;

  private:
    std::mt19937 generator_;
    uint32_t seededIn_;  // the process that seeded generator_
    uint32_t Draw();
    int32_t EnsureHttp();
    int32_t JudgeStatus(int32_t result) const;
    // Takes the token pair of a reply; -107 when either name is missing.
    int32_t StoreTokenReply(const CZelString& reply);
};
