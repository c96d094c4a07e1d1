#include "rest/XTwitter.h"

#include <cstdlib>

namespace {

CZelString HostFromEnvironment(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return CZelString(value != nullptr && *value != 0 ? value : fallback);
}

}  // namespace

CXTwitter::CXTwitter() {
    Realm.Assign("Twitter API");
    SetUseSSL(false);
}

CZelString CXTwitter::ApiHost() { return HostFromEnvironment("WARBLER_API_HOST", "api.twitter.com"); }

CZelString CXTwitter::OAuthHost() { return HostFromEnvironment("WARBLER_OAUTH_HOST", "twitter.com"); }

void CXTwitter::SetUseSSL(bool useSsl) {
    const char* scheme = useSsl ? "https://" : "http://";
    CZelString oauthHost = OAuthHost();
    RestBaseUrl.Format("%s%s/1/", scheme, ApiHost().c_str());
    RequestTokenUrl.Format("%s%s/oauth/request_token", scheme, oauthHost.c_str());
    AccessTokenUrl.Format("%s%s/oauth/access_token", scheme, oauthHost.c_str());
    AuthorizeUrl.Format("%s%s/oauth/authorize", scheme, oauthHost.c_str());
}
