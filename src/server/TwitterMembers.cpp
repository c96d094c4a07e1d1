// The members of ITwitter, with their dispatch identifiers and argument defaults.
#include "component/Twitter.h"
#include "server/Guids.h"
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

template <HRESULT (CTwitter::*Method)(BSTR)>
HRESULT FileThunk(void* o, uint16_t, VARIANT* a, VARIANT*) {
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
    {"SaveAccessKey", 35, kMethod, VT_EMPTY, kFileParams, 1, &FileThunk<&CTwitter::SaveAccessKey>},
    {"SaveConsumerKey", 36, kMethod, VT_EMPTY, kFileParams, 1,
     &FileThunk<&CTwitter::SaveConsumerKey>},
    {"LoadAccessKey", 37, kMethod, VT_EMPTY, kFileParams, 1, &FileThunk<&CTwitter::LoadAccessKey>},
    {"LoadConsumerKey", 38, kMethod, VT_EMPTY, kFileParams, 1,
     &FileThunk<&CTwitter::LoadConsumerKey>},
};

const Table kTable = {"ITwitter", &IID_ITwitter, kMembers, sizeof kMembers / sizeof kMembers[0]};

}  // namespace

const dispatch::Table& CTwitter::Members() {
    return kTable;
}
