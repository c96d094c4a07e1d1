// The members of ITwitter, with their dispatch identifiers and argument defaults.
#include "automation/Interfaces.h"
#include "component/Twitter.h"
#include "server/MemberThunks.h"

namespace {

using namespace dispatch;

CTwitter* Self(void* object) {
    return static_cast<CTwitter*>(object);
}

HRESULT ClearThunk(void* o, uint16_t, VARIANT*, VARIANT*) {
    return Self(o)->Clear();
}

HRESULT LastErrorThunk(void* o, uint16_t, VARIANT*, VARIANT* r) {
    r->vt = VT_I4;
    return Self(o)->get_LastError(&r->lVal);
}

HRESULT GetErrorDescriptionThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    a[1].vt = VT_BSTR;
    return Self(o)->GetErrorDescription(a[0].lVal, &a[1].bstrVal);
}

HRESULT UseSslThunk(void* o, uint16_t kind, VARIANT* a, VARIANT* r) {
    if (kind == kPut)
        return Self(o)->put_UseSSL(a[0].boolVal);
    r->vt = VT_BOOL;
    return Self(o)->get_UseSSL(&r->boolVal);
}

HRESULT RequestAuthorizationThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    a[1].vt = VT_BSTR;
    return Self(o)->RequestAuthorization(a[0].bstrVal, &a[1].bstrVal);
}

HRESULT RequestAccessTokenThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    return Self(o)->RequestAccessToken(a[0].bstrVal);
}

HRESULT ApiCallThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    a[4].vt = VT_BSTR;
    return Self(o)->APICall(a[0].bstrVal, a[1].bstrVal, a[2].bstrVal, a[3].boolVal, &a[4].bstrVal);
}

HRESULT FindFirstTweetThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    return Self(o)->FindFirstTweet(a[0].bstrVal, a[1].bstrVal, a[2].bstrVal, a[3].lVal, a[4].lVal,
                                   &a[5]);
}

HRESULT TweetThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    a[1].vt = VT_BSTR;
    return Self(o)->Tweet(a[0].bstrVal, &a[1].bstrVal);
}

HRESULT DirectTweetThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    a[3].vt = VT_BSTR;
    return Self(o)->DirectTweet(a[0].bstrVal, a[1].bstrVal, a[2].bstrVal, &a[3].bstrVal);
}

HRESULT FindFirstUserThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    return Self(o)->FindFirstUser(a[0].bstrVal, a[1].lVal, a[2].lVal, &a[3]);
}

template <HRESULT (CTwitter::*Method)(VARIANT*)>
HRESULT NextThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    return (Self(o)->*Method)(&a[0]);
}

template <HRESULT (CTwitter::*Method)(BSTR, VARIANT*)>
HRESULT PeopleThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    return (Self(o)->*Method)(a[0].bstrVal, &a[1]);
}

template <HRESULT (CTwitter::*Method)(BSTR)>
HRESULT TextArgumentThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
    return (Self(o)->*Method)(a[0].bstrVal);
}

const Param kErrorDescriptionParams[] = {{"lError", VT_I4, kIn, nullptr},
                                         {"bstrDescription", VT_BSTR, kOut, nullptr}};
const Param kRequestAuthorizationParams[] = {{"bstrCallBack", VT_BSTR, kIn | kOptional, ""},
                                             {"bstrUrl", VT_BSTR, kOut, nullptr}};
const Param kRequestAccessTokenParams[] = {{"bstrVerifier", VT_BSTR, kIn, nullptr}};
const Param kApiCallParams[] = {{"bstrMethod", VT_BSTR, kIn, nullptr},
                                {"bstrFormat", VT_BSTR, kIn, nullptr},
                                {"bstrParameters", VT_BSTR, kIn | kOptional, ""},
                                {"bUsePost", VT_BOOL, kIn | kOptional, "false"},
                                {"bstrResponse", VT_BSTR, kOut, nullptr}};
const Param kFileParams[] = {{"bstrFilename", VT_BSTR, kIn, nullptr}};
const Param kFindFirstTweetParams[] = {
    {"bstrTimeline", VT_BSTR, kIn, nullptr},     {"bstrSinceId", VT_BSTR, kIn | kOptional, ""},
    {"bstrMaxId", VT_BSTR, kIn | kOptional, ""}, {"lCount", VT_I4, kIn | kOptional, "0"},
    {"lPage", VT_I4, kIn | kOptional, "0"},      {"vStatus", VT_VARIANT, kOut, nullptr}};
const Param kFindNextTweetParams[] = {{"vTweet", VT_VARIANT, kOut, nullptr}};
const Param kTweetParams[] = {{"bstrMessage", VT_BSTR, kIn, nullptr},
                              {"bstrTweetId", VT_BSTR, kOut, nullptr}};
const Param kDirectTweetParams[] = {{"bstrMessage", VT_BSTR, kIn, nullptr},
                                    {"bstrTo", VT_BSTR, kIn, nullptr},
                                    {"bstrReplyTweetId", VT_BSTR, kIn | kOptional, ""},
                                    {"bstrTweetId", VT_BSTR, kOut, nullptr}};
const Param kUserIdParams[] = {{"bstrUserId", VT_BSTR, kIn, nullptr}};
const Param kPeopleParams[] = {{"bstrUser", VT_BSTR, kIn | kOptional, ""},
                               {"pvUser", VT_VARIANT, kOut, nullptr}};
const Param kFindFirstUserParams[] = {{"bstrQuery", VT_BSTR, kIn, nullptr},
                                      {"lPerPage", VT_I4, kIn | kOptional, "0"},
                                      {"lPage", VT_I4, kIn | kOptional, "0"},
                                      {"pvUsers", VT_VARIANT, kOut, nullptr}};
const Param kFindNextUserParams[] = {{"pvUser", VT_VARIANT, kOut, nullptr}};

const Member kMembers[] = {
    {"Version", 1, kGet, VT_BSTR, nullptr, 0, &TextGetter<CTwitter, &CTwitter::get_Version>},
    {"Build", 2, kGet, VT_BSTR, nullptr, 0, &TextGetter<CTwitter, &CTwitter::get_Build>},
    {"Module", 3, kGet, VT_BSTR, nullptr, 0, &TextGetter<CTwitter, &CTwitter::get_Module>},
    {"Clear", 9, kMethod, VT_EMPTY, nullptr, 0, &ClearThunk},
    {"LastError", 10, kGet, VT_I4, nullptr, 0, &LastErrorThunk},
    {"GetErrorDescription", 11, kMethod, VT_EMPTY, kErrorDescriptionParams, 2,
     &GetErrorDescriptionThunk},
    {"LogFile", 12, kGet | kPut, VT_BSTR, nullptr, 0,
     &TextProperty<CTwitter, &CTwitter::get_LogFile, &CTwitter::put_LogFile>},
    {"ConsumerKey", 13, kGet | kPut, VT_BSTR, nullptr, 0,
     &TextProperty<CTwitter, &CTwitter::get_ConsumerKey, &CTwitter::put_ConsumerKey>},
    {"ConsumerSecret", 14, kGet | kPut, VT_BSTR, nullptr, 0,
     &TextProperty<CTwitter, &CTwitter::get_ConsumerSecret, &CTwitter::put_ConsumerSecret>},
    {"AccessToken", 15, kGet | kPut, VT_BSTR, nullptr, 0,
     &TextProperty<CTwitter, &CTwitter::get_AccessToken, &CTwitter::put_AccessToken>},
    {"AccessTokenSecret", 16, kGet | kPut, VT_BSTR, nullptr, 0,
     &TextProperty<CTwitter, &CTwitter::get_AccessTokenSecret, &CTwitter::put_AccessTokenSecret>},
    {"RequestAuthorization", 17, kMethod, VT_EMPTY, kRequestAuthorizationParams, 2,
     &RequestAuthorizationThunk},
    {"RequestAccessToken", 18, kMethod, VT_EMPTY, kRequestAccessTokenParams, 1,
     &RequestAccessTokenThunk},
    {"APICall", 19, kMethod, VT_EMPTY, kApiCallParams, 5, &ApiCallThunk},
    {"ProxyServer", 20, kGet | kPut, VT_BSTR, nullptr, 0,
     &TextProperty<CTwitter, &CTwitter::get_ProxyServer, &CTwitter::put_ProxyServer>},
    {"ProxyAccount", 21, kGet | kPut, VT_BSTR, nullptr, 0,
     &TextProperty<CTwitter, &CTwitter::get_ProxyAccount, &CTwitter::put_ProxyAccount>},
    {"ProxyPassword", 22, kGet | kPut, VT_BSTR, nullptr, 0,
     &TextProperty<CTwitter, &CTwitter::get_ProxyPassword, &CTwitter::put_ProxyPassword>},
    {"HttpLibrary", 23, kGet | kPut, VT_BSTR, nullptr, 0,
     &TextProperty<CTwitter, &CTwitter::get_HttpLibrary, &CTwitter::put_HttpLibrary>},
    {"UseSSL", 24, kGet | kPut, VT_BOOL, nullptr, 0, &UseSslThunk},
    {"FindFirstTweet", 25, kMethod, VT_EMPTY, kFindFirstTweetParams, 6, &FindFirstTweetThunk},
    {"FindNextTweet", 26, kMethod, VT_EMPTY, kFindNextTweetParams, 1,
     &NextThunk<&CTwitter::FindNextTweet>},
    {"Tweet", 27, kMethod, VT_EMPTY, kTweetParams, 2, &TweetThunk},
    {"DirectTweet", 28, kMethod, VT_EMPTY, kDirectTweetParams, 4, &DirectTweetThunk},
    {"Follow", 29, kMethod, VT_EMPTY, kUserIdParams, 1, &TextArgumentThunk<&CTwitter::Follow>},
    {"UnFollow", 30, kMethod, VT_EMPTY, kUserIdParams, 1, &TextArgumentThunk<&CTwitter::UnFollow>},
    {"FindFirstFriend", 31, kMethod, VT_EMPTY, kPeopleParams, 2,
     &PeopleThunk<&CTwitter::FindFirstFriend>},
    {"FindFirstFollower", 32, kMethod, VT_EMPTY, kPeopleParams, 2,
     &PeopleThunk<&CTwitter::FindFirstFollower>},
    {"FindFirstUser", 33, kMethod, VT_EMPTY, kFindFirstUserParams, 4, &FindFirstUserThunk},
    {"FindNextUser", 34, kMethod, VT_EMPTY, kFindNextUserParams, 1,
     &NextThunk<&CTwitter::FindNextUser>},
    {"SaveAccessKey", 35, kMethod, VT_EMPTY, kFileParams, 1,
     &TextArgumentThunk<&CTwitter::SaveAccessKey>},
    {"SaveConsumerKey", 36, kMethod, VT_EMPTY, kFileParams, 1,
     &TextArgumentThunk<&CTwitter::SaveConsumerKey>},
    {"LoadAccessKey", 37, kMethod, VT_EMPTY, kFileParams, 1,
     &TextArgumentThunk<&CTwitter::LoadAccessKey>},
    {"LoadConsumerKey", 38, kMethod, VT_EMPTY, kFileParams, 1,
     &TextArgumentThunk<&CTwitter::LoadConsumerKey>},
};

const Table kTable = {"ITwitter", &IID_ITwitter, kMembers, sizeof kMembers / sizeof kMembers[0]};

}  // namespace

const dispatch::Table& CTwitter::Members() {
    return kTable;
}
