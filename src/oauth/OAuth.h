// The OAuth 1.0a client: credentials, the token pair, the endpoint URLs and the HTTP client that
// carries every request of the system.
#pragma once

#include "common/ZelBase.h"
#include "http/ZelHttpEx.h"

class COAuth : public CZelBase {
public:
    COAuth();
    ~COAuth() override;

    void SetLogFile(const char* path) override;

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
};
