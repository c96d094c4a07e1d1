#include "cli/Session.h"

#include <cstdlib>

Session::Session(const SessionOptions& options) : twitter_(new CTwitter), keys_(options.keys) {
    twitter_->InnerUnknown()->AddRef();
    if (!options.log.empty())
        twitter_->put_LogFile(Text(options.log));
    if (options.ssl)
        twitter_->put_UseSSL(VARIANT_TRUE);
    if (!options.proxy.empty())
        twitter_->put_ProxyServer(Text(options.proxy));
    if (!options.proxyUser.empty()) {
        twitter_->put_ProxyAccount(Text(options.proxyUser));
        // Never on the command line, where other users of the machine can read it.
        const char* password = std::getenv("WARBLER_PROXY_PASSWORD");
        twitter_->put_ProxyPassword(Text(password != nullptr ? password : ""));
    }
    if (options.cacheTimeout >= 0)
        twitter_->SetCacheTimeout(static_cast<uint32_t>(options.cacheTimeout));
}

Session::~Session() {
    twitter_->InnerUnknown()->Release();
}

int32_t Session::LastError() const {
    LONG code = 0;
    twitter_->get_LastError(&code);
    return code;
}

std::string Session::Describe(int32_t code) const {
    BSTR text = nullptr;
    twitter_->GetErrorDescription(code, &text);
    std::string description = CZelString(text).Str();
    SysFreeString(text);
    return description;
}

bool Session::LoadKeys(int32_t& code) {
    twitter_->LoadConsumerKey(Text(keys_));
    code = LastError();
    consumerPair_ = code == 0;
    if (code != 0)
        return false;
    twitter_->LoadAccessKey(Text(keys_));
    code = LastError();
    return code == 0;
}

void Session::SaveKeys(int32_t& code) {
    twitter_->SaveConsumerKey(Text(keys_));
    code = LastError();
    if (code == 0) {
        twitter_->SaveAccessKey(Text(keys_));
        code = LastError();
    }
}

std::string Session::KeyFileText() const {
    CXTwitter& rest = twitter_->Rest();
    return "[ConsumerTokenPair]\nConsumerToken=" + rest.ConsumerKey.Str() +
           "\nConsumerSecret=" + rest.ConsumerSecret.Str() +
           "\n[AccessTokenPair]\nAccessToken=" + rest.Token.Str() +
           "\nAccessSecret=" + rest.TokenSecret.Str() + "\n";
}

std::string Session::Call(const std::function<HRESULT(CTwitter&, BSTR*)>& method) {
    BSTR result = nullptr;
    method(*twitter_, &result);
    std::string text = CZelString(result).Str();
    SysFreeString(result);
    return text;
}

namespace {

// The object a method handed out, or null for none.
template <class T, class Interface>
T* ObjectIn(const VARIANT& value) {
    if (value.vt != VT_DISPATCH || value.pdispVal == nullptr)
        return nullptr;
    return static_cast<T*>(static_cast<Interface*>(value.pdispVal));
}

template <class T, class Interface>
void Walk(CTwitter& twitter, const std::function<HRESULT(CTwitter&, VARIANT*)>& first,
          HRESULT (CTwitter::*next)(VARIANT*), const std::function<void(const T&)>& visit) {
    VARIANT item;
    VariantInit(&item);
    first(twitter, &item);
    while (T* object = ObjectIn<T, Interface>(item)) {
        visit(*object);
        VariantClear(&item);
        (twitter.*next)(&item);
    }
    VariantClear(&item);
}

}  // namespace

void Session::WalkTweets(const std::function<HRESULT(CTwitter&, VARIANT*)>& first,
                         const std::function<void(const CTweet&)>& visit) {
    Walk<CTweet, ITweet>(*twitter_, first, &CTwitter::FindNextTweet, visit);
}

void Session::WalkUsers(const std::function<HRESULT(CTwitter&, VARIANT*)>& first,
                        const std::function<void(const CUser&)>& visit) {
    Walk<CUser, IUser>(*twitter_, first, &CTwitter::FindNextUser, visit);
}
