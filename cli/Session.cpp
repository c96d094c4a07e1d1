#include "cli/Session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "automation/AutomationAbi.h"
#include "automation/BstrText.h"
#include "automation/UniqueVariant.h"

Text::Text(const std::string& text) : value_(automation::AnsiToBstr(text)) {
    if (value_.get() == nullptr)
        throw std::bad_alloc();
}

std::string Take(BSTR text) {
    UniqueBstr owned(text);
    return automation::BstrToAnsi(owned.get());
}

namespace {

template <class Interface>
Interface* Query(IUnknown* object) {
    void* found = nullptr;
    if (object == nullptr || FAILED(object->QueryInterface(IidOf<Interface>(), &found)))
        return nullptr;
    return static_cast<Interface*>(found);
}

// A property's text, through the interface's getter.
template <class Interface>
std::string Get(Interface& object, HRESULT (STDMETHODCALLTYPE Interface::*get)(BSTR*)) {
    UniqueBstr text;
    (object.*get)(text.put());
    return automation::BstrToAnsi(text.get());
}

template <class Interface, class Value>
Value Number(Interface& object, HRESULT (STDMETHODCALLTYPE Interface::*get)(Value*)) {
    Value value{};
    (object.*get)(&value);
    return value;
}

StatusLine LineOf(ITweet& status) {
    StatusLine line{Get(status, &ITweet::get_Id), Get(status, &ITweet::get_CreatedAt), "",
                    Get(status, &ITweet::get_Text)};
    UniqueVariant author;
    status.get_User(author.put());
    if (author.get().vt == VT_DISPATCH)
        if (IUser* user = Query<IUser>(author.get().pdispVal)) {
            line.screenName = Get(*user, &IUser::get_ScreenName);
            user->Release();
        }
    return line;
}

UserLine LineOf(IUser& user) {
    return {Get(user, &IUser::get_Id),
            Get(user, &IUser::get_ScreenName),
            Get(user, &IUser::get_Name),
            Get(user, &IUser::get_Location),
            Number(user, &IUser::get_NumFollowers),
            Number(user, &IUser::get_NumFriends),
            Number(user, &IUser::get_NumTweets),
            Number(user, &IUser::get_Protected) != 0};
}

template <class Interface, class Line>
void Walk(ITwitter& twitter, const std::function<HRESULT(ITwitter&, VARIANT*)>& first,
          HRESULT (STDMETHODCALLTYPE ITwitter::*next)(VARIANT*),
          const std::function<void(const Line&)>& visit) {
    UniqueVariant item;
    first(twitter, item.put());
    while (item.get().vt == VT_DISPATCH) {
        Interface* object = Query<Interface>(item.get().pdispVal);
        if (object == nullptr)
            break;
        Line line = LineOf(*object);
        object->Release();
        visit(line);
        (twitter.*next)(item.put());
    }
}

}  // namespace

Session::Session() {
    IDispatch* created = nullptr;
    HRESULT hr = WarblerCreateObject(u"Velmora.Twitter", &created);
    if (SUCCEEDED(hr)) {
        twitter_ = Query<ITwitter>(created);
        diagnostics_ = Query<ITwitterDiagnostics>(created);
        created->Release();
    }
    if (twitter_ == nullptr || diagnostics_ == nullptr) {
        if (twitter_ != nullptr)
            twitter_->Release();
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        throw std::runtime_error(std::string("the component's Twitter object could not be made (") +
                                 code + ")");
    }
}

Session::Session(const SessionOptions& options) : Session() {
    keys_ = options.keys;
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
        diagnostics_->put_CacheTimeout(
            static_cast<LONG>(std::min<int64_t>(options.cacheTimeout, INT32_MAX)));
}

Session::~Session() {
    diagnostics_->Release();
    twitter_->Release();
}

int32_t Session::LastError() const {
    return Number(*twitter_, &ITwitter::get_LastError);
}

std::string Session::Describe(int32_t code) const {
    UniqueBstr text;
    twitter_->GetErrorDescription(code, text.put());
    return automation::BstrToAnsi(text.get());
}

uint32_t Session::LastHttpStatus() const {
    return static_cast<uint32_t>(Number(*diagnostics_, &ITwitterDiagnostics::get_LastHttpStatus));
}

std::string Session::LastServiceMessage() const {
    return Get(*diagnostics_, &ITwitterDiagnostics::get_LastServiceMessage);
}

std::string Session::LastFailure() const {
    return Get(*diagnostics_, &ITwitterDiagnostics::get_LastFailure);
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
    return "[ConsumerTokenPair]\nConsumerToken=" + Get(*twitter_, &ITwitter::get_ConsumerKey) +
           "\nConsumerSecret=" + Get(*twitter_, &ITwitter::get_ConsumerSecret) +
           "\n[AccessTokenPair]\nAccessToken=" + Get(*twitter_, &ITwitter::get_AccessToken) +
           "\nAccessSecret=" + Get(*twitter_, &ITwitter::get_AccessTokenSecret) + "\n";
}

std::string Session::Call(const std::function<HRESULT(ITwitter&, BSTR*)>& method) {
    BSTR result = nullptr;
    method(*twitter_, &result);
    return Take(result);
}

void Session::WalkTweets(const std::function<HRESULT(ITwitter&, VARIANT*)>& first,
                         const std::function<void(const StatusLine&)>& visit) {
    Walk<ITweet, StatusLine>(*twitter_, first, &ITwitter::FindNextTweet, visit);
}

void Session::WalkUsers(const std::function<HRESULT(ITwitter&, VARIANT*)>& first,
                        const std::function<void(const UserLine&)>& visit) {
    Walk<IUser, UserLine>(*twitter_, first, &ITwitter::FindNextUser, visit);
}
