// The REST client: the OAuth signer plus the REST base URL.
#pragma once

#include "oauth/OAuth.h"

class CXTwitter : public COAuth {
public:
    CXTwitter();
    ~CXTwitter() override = default;

    void SetUseSSL(bool useSsl);

    // Host names are configuration: WARBLER_API_HOST and WARBLER_OAUTH_HOST (host or host:port)
    // replace the service's own.
    static CZelString ApiHost();
    static CZelString OAuthHost();

    CZelString RestBaseUrl;
};
