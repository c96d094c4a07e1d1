#include "component/Twitter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/ResultCodes.h"
#include "platform/SettingsStore.h"

namespace {

constexpr char kCacheTimeoutSetting[] = "CacheTimeoutSeconds";
constexpr uint32_t kDefaultCacheTimeout = 60;

}  // namespace

CTwitter::CTwitter() : CZelBase("CTwitter") {
    ReadCacheTimeout();
    Clear();
}

void CTwitter::ReadCacheTimeout() {
    uint32_t seconds = kDefaultCacheTimeout;
    if (!platform::ReadSettingDword(kCacheTimeoutSetting, seconds))
        seconds = kDefaultCacheTimeout;
    platform::PublishSettingDword(kCacheTimeoutSetting, seconds);
    cacheTimeout_ = seconds;
}

HRESULT CTwitter::ReturnText(const CZelString& text, BSTR* pVal) {
    if (pVal == nullptr)
        return E_POINTER;
    *pVal = text.ToBSTR();
    return *pVal == nullptr && !text.IsEmpty() ? E_OUTOFMEMORY : S_OK;
}

HRESULT CTwitter::get_Version(BSTR* pVal) {
    return ReturnText("2.0-beta (" WARBLER_ARCH ")", pVal);
}
HRESULT CTwitter::get_Build(BSTR* pVal) {
    return ReturnText("2.0.10.816 (" WARBLER_ARCH ")", pVal);
}
HRESULT CTwitter::get_Module(BSTR* pVal) {
    return ReturnText("Warbler" WARBLER_ARCH ".dll", pVal);
}

HRESULT CTwitter::Clear() {
    lastError_ = 0;
    useSsl_ = 0;
    rest_.SetUseSSL(false);

    rest_.Token.Assign("");
    rest_.TokenSecret.Assign("");
    rest_.ConsumerKey.Assign("");
    rest_.ConsumerSecret.Assign("");
    rest_.Http.ProxyServer.Assign("");
    rest_.Http.ProxyAccount.Assign("");
    rest_.Http.ProxyPassword.Assign("");

    for (ListCache* cache : {&timelineCache_, &friendsCache_, &followersCache_, &searchCache_}) {
        DeleteTimer(cache->timer);
        *cache = ListCache{};
    }
    timeline_ = XmlNodeList();
    timelineNext_ = 0;
    walk_ = UserWalk{};
    return S_OK;
}

HRESULT CTwitter::get_LastError(LONG* pVal) {
    if (pVal == nullptr)
        return E_POINTER;
    *pVal = lastError_;
    return S_OK;
}

HRESULT CTwitter::GetErrorDescription(LONG lError, BSTR* pbstrDescription) {
    return ReturnText(DescribeResultCode(lError), pbstrDescription);
}

HRESULT CTwitter::get_LogFile(BSTR* pVal) {
    return ReturnText(logFile_, pVal);
}

// A name holding a NUL would log into the file its first part names: it is refused as the key
// files refuse it, and nothing is logged.
HRESULT CTwitter::put_LogFile(BSTR newVal) {
    logFile_.Assign(newVal);
    const char* file = logFile_.HasNul() ? "" : logFile_.c_str();
    SetLogFile(file);
    rest_.SetLogFile(file);
    return S_OK;
}

HRESULT CTwitter::get_ConsumerKey(BSTR* pVal) {
    return ReturnText(rest_.ConsumerKey, pVal);
}
HRESULT CTwitter::put_ConsumerKey(BSTR newVal) {
    rest_.ConsumerKey.Assign(newVal);
    return S_OK;
}

HRESULT CTwitter::get_ConsumerSecret(BSTR* pVal) {
    return ReturnText(rest_.ConsumerSecret, pVal);
}
HRESULT CTwitter::put_ConsumerSecret(BSTR newVal) {
    rest_.ConsumerSecret.Assign(newVal);
    return S_OK;
}

HRESULT CTwitter::get_AccessToken(BSTR* pVal) {
    return ReturnText(rest_.Token, pVal);
}
HRESULT CTwitter::put_AccessToken(BSTR newVal) {
    rest_.Token.Assign(newVal);
    return S_OK;
}

HRESULT CTwitter::get_AccessTokenSecret(BSTR* pVal) {
    return ReturnText(rest_.TokenSecret, pVal);
}
HRESULT CTwitter::put_AccessTokenSecret(BSTR newVal) {
    rest_.TokenSecret.Assign(newVal);
    return S_OK;
}

HRESULT CTwitter::get_ProxyServer(BSTR* pVal) {
    return ReturnText(rest_.Http.ProxyServer, pVal);
}
HRESULT CTwitter::put_ProxyServer(BSTR newVal) {
    rest_.Http.ProxyServer.Assign(newVal);
    return S_OK;
}

HRESULT CTwitter::get_ProxyAccount(BSTR* pVal) {
    return ReturnText(rest_.Http.ProxyAccount, pVal);
}
HRESULT CTwitter::put_ProxyAccount(BSTR newVal) {
    rest_.Http.ProxyAccount.Assign(newVal);
    return S_OK;
}

HRESULT CTwitter::get_ProxyPassword(BSTR* pVal) {
    return ReturnText(rest_.Http.ProxyPassword, pVal);
}
HRESULT CTwitter::put_ProxyPassword(BSTR newVal) {
    rest_.Http.ProxyPassword.Assign(newVal);
    return S_OK;
}

HRESULT CTwitter::get_HttpLibrary(BSTR* pVal) {
    return ReturnText(rest_.Http.Binding.LibraryName, pVal);
}

HRESULT CTwitter::put_HttpLibrary(BSTR newVal) {
    CZelString name(newVal);
    if (name == rest_.Http.Binding.LibraryName)
        return S_OK;
    rest_.Http.Binding.LibraryName = name;
    rest_.Http.Shutdown();
    return S_OK;
}

HRESULT CTwitter::get_UseSSL(VARIANT_BOOL* pVal) {
    if (pVal == nullptr)
        return E_POINTER;
    *pVal = useSsl_ != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CTwitter::put_UseSSL(VARIANT_BOOL newVal) {
    useSsl_ = newVal != 0 ? 1 : 0;
    rest_.SetUseSSL(useSsl_ != 0);
    return S_OK;
}

HRESULT CTwitter::get_LastHttpStatus(LONG* pVal) {
    if (pVal == nullptr)
        return E_POINTER;
    *pVal = static_cast<LONG>(rest_.Http.LastStatusCode);
    return S_OK;
}

HRESULT CTwitter::get_LastServiceMessage(BSTR* pVal) {
    return ReturnText(rest_.LastServiceError, pVal);
}

HRESULT CTwitter::get_LastFailure(BSTR* pVal) {
    return ReturnText(rest_.Http.LastFailure, pVal);
}

HRESULT CTwitter::get_CacheTimeout(LONG* pVal) {
    if (pVal == nullptr)
        return E_POINTER;
    // A machine-wide setting beyond LONG reads as the largest it can say.
    *pVal = static_cast<LONG>(std::min<uint32_t>(cacheTimeout_, INT32_MAX));
    return S_OK;
}

HRESULT CTwitter::put_CacheTimeout(LONG newVal) {
    if (newVal < 0)
        return E_INVALIDARG;
    cacheTimeout_ = static_cast<uint32_t>(newVal);
    return S_OK;
}

void CTwitter::Failed(const char* member, HRESULT failure) {
    lastError_ = failure == E_OUTOFMEMORY ? rc::NoBuffer : rc::UnexpectedError;
    // DirectTweet logs as the Tweet it is.
    LogResult(std::strcmp(member, "DirectTweet") == 0 ? "Tweet" : member);
}
