// What the Twitter object holds and does: the properties, the last error and the list caches, over
// one REST client (objects::Twitter is it behind ITwitter and ITwitterDiagnostics).
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <unordered_set>

#include "automation/Automation.h"
#include "automation/UniqueVariant.h"
#include "common/ResultCodes.h"
#include "common/ZelBase.h"
#include "component/ListCache.h"
#include "rest/XTwitter.h"

class CTwitter : public CZelBase {
  public:
    CTwitter();
    ~CTwitter() override = default;
    CTwitter(const CTwitter&) = delete;
    CTwitter& operator=(const CTwitter&) = delete;

    HRESULT get_Version(BSTR* pVal);
    HRESULT get_Build(BSTR* pVal);
    HRESULT get_Module(BSTR* pVal);
    HRESULT Clear();
    HRESULT get_LastError(LONG* pVal);
    HRESULT GetErrorDescription(LONG lError, BSTR* pbstrDescription);
    HRESULT get_LogFile(BSTR* pVal);
    HRESULT put_LogFile(BSTR newVal);
    HRESULT get_ConsumerKey(BSTR* pVal);
    HRESULT put_ConsumerKey(BSTR newVal);
    HRESULT get_ConsumerSecret(BSTR* pVal);
    HRESULT put_ConsumerSecret(BSTR newVal);
    HRESULT get_AccessToken(BSTR* pVal);
    HRESULT put_AccessToken(BSTR newVal);
    HRESULT get_AccessTokenSecret(BSTR* pVal);
    HRESULT put_AccessTokenSecret(BSTR newVal);
    HRESULT get_ProxyServer(BSTR* pVal);
    HRESULT put_ProxyServer(BSTR newVal);
    HRESULT get_ProxyAccount(BSTR* pVal);
    HRESULT put_ProxyAccount(BSTR newVal);
    HRESULT get_ProxyPassword(BSTR* pVal);
    HRESULT put_ProxyPassword(BSTR newVal);
    HRESULT get_HttpLibrary(BSTR* pVal);
    HRESULT put_HttpLibrary(BSTR newVal);
    HRESULT get_UseSSL(VARIANT_BOOL* pVal);
    HRESULT put_UseSSL(VARIANT_BOOL newVal);

    HRESULT RequestAuthorization(BSTR bstrCallBack, BSTR* pbstrUrl);
    HRESULT RequestAccessToken(BSTR bstrVerifier);
    HRESULT APICall(BSTR bstrMethod, BSTR bstrFormat, BSTR bstrParameters, VARIANT_BOOL bUsePost,
                    BSTR* pbstrResponse);

    HRESULT FindFirstTweet(BSTR bstrTimeline, BSTR bstrSinceId, BSTR bstrMaxId, LONG lCount,
                           LONG lPage, VARIANT* pvStatus);
    HRESULT FindNextTweet(VARIANT* pvTweet);
    HRESULT Tweet(BSTR bstrMessage, BSTR* pbstrTweetId);
    HRESULT DirectTweet(BSTR bstrMessage, BSTR bstrTo, BSTR bstrReplyTweetId, BSTR* pbstrTweetId);
    HRESULT Follow(BSTR bstrUserId);
    HRESULT UnFollow(BSTR bstrUserId);
    HRESULT FindFirstFriend(BSTR bstrUser, VARIANT* pvUser);
    HRESULT FindFirstFollower(BSTR bstrUser, VARIANT* pvUser);
    HRESULT FindFirstUser(BSTR bstrQuery, LONG lPerPage, LONG lPage, VARIANT* pvUsers);
    HRESULT FindNextUser(VARIANT* pvUser);

    HRESULT SaveAccessKey(BSTR bstrFilename);
    HRESULT SaveConsumerKey(BSTR bstrFilename);
    HRESULT LoadAccessKey(BSTR bstrFilename);
    HRESULT LoadConsumerKey(BSTR bstrFilename);

    // The last call's account, for the component's own clients.
    HRESULT get_LastHttpStatus(LONG* pVal);
    HRESULT get_LastServiceMessage(BSTR* pVal);
    HRESULT get_LastFailure(BSTR* pVal);
    // For a caller that knows better than the machine-wide setting (the command's option).
    HRESULT get_CacheTimeout(LONG* pVal);
    HRESULT put_CacheTimeout(LONG newVal);

    // A member that threw: its result code and result line.
    void Failed(const char* member, HRESULT failure);

    uint32_t CacheTimeout() const { return cacheTimeout_; }
    CXTwitter& Rest() { return rest_; }

    static constexpr int32_t kListFriends = 1;
    static constexpr int32_t kListFollowers = 2;
    static constexpr int32_t kListSearch = 3;

  private:
    static HRESULT ReturnText(const CZelString& text, BSTR* pVal);
    // Hands the object (or, when it holds none, the null one) to the caller's out-argument.
    static HRESULT ReturnObject(UniqueVariant& object, VARIANT* out);
    void ReadCacheTimeout();
    // The entry line is already written; maps the client code, logs the result line.
    void Finish(const char* method, int32_t clientCode);
    void LogResult(const char* method);

    // A step that may need more memory than the process can have: its own result code, or the
    // code of a buffer that could not be had, so that the member still ends with a result code
    // and its result line.
    template <class Step>
    static int32_t Guarded(Step&& step) {
        try {
            return step();
        } catch (const std::bad_alloc&) {
            return rc::NoBuffer;
        }
    }
    // A record that could not be copied into its object fails the call.
    void CheckMade(HRESULT made);

    static bool IsListValid(const CZelTimer* timer);
    void ReportReuse(const CZelTimer* timer);
    void RestartTimer(CZelTimer*& timer);
    void ForgetList(CZelTimer*& timer);
    // The first user of the list into the object, or 25016 for an empty list.
    bool ServeFirstUser(VARIANT& object);
    // Ends the walk after this page when its next cursor is missing or one the walk has fetched.
    void CheckNextCursor();
    HRESULT FindFirstPeople(int32_t kind, BSTR bstrUser, VARIANT* pvUser);
    CZelString ApiCallUrl(const CZelString& method, const CZelString& format) const;
    void SaveKeyPair(const char* section, const char* firstKey, const CZelString& first,
                     const char* secondKey, const CZelString& second, BSTR bstrFilename);
    void LoadKeyPair(const char* section, const char* firstKey, CZelString& first,
                     const char* secondKey, CZelString& second, BSTR bstrFilename);

    int32_t lastError_ = 0;
    CZelString logFile_;
    CXTwitter rest_;
    int32_t useSsl_ = 0;
    // APICall's reply buffer, kept between calls up to kKeptReply bytes.
    static constexpr size_t kKeptReply = size_t{1} << 20;
    CZelString reply_;

    // What each kind of list was fetched for, and for how long it stands.
    ListCache timelineCache_, friendsCache_, followersCache_, searchCache_;
    XmlNodeList timeline_;
    size_t timelineNext_ = 0;

    // The one user list that friends, followers and searches share, and the walk over it.
    struct UserWalk {
        XmlNodeList users;
        size_t next = 0;
        // The kind the next-call follows.
        int32_t kind = kListSearch;
        // The kind the list holds now, whatever the last non-empty fetch set in kind: a first
        // call reuses the list only when it holds its own kind.
        int32_t heldKind = 0;
        // Whether the list holds its kind's first page: a first call is served only from that,
        // so that a walk that moved on to later pages is walked again from the start.
        bool heldFirstPage = false;
        // The cursors this friends or followers walk has been given, and the next one.
        std::unordered_set<std::string> cursorsGiven;
        CZelString cursor{"-1"};
    } walk_;

    uint32_t cacheTimeout_ = 60;
};
