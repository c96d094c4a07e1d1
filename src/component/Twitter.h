// The Twitter automation object: the properties, the last error and the list caches, over one
// REST client.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "automation/Automation.h"
#include "automation/AutomationObject.h"
#include "common/ResultCodes.h"
#include "common/ZelBase.h"
#include "rest/StatusRecord.h"
#include "rest/UserRecord.h"
#include "rest/XTwitter.h"

class CTwitter final : public CZelBase, public CAutomationObject<CTwitter, ITwitter> {
  public:
    CTwitter();
    ~CTwitter() override = default;
    static const dispatch::Table& Members();

    HRESULT STDMETHODCALLTYPE get_Version(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE get_Build(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE get_Module(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE Clear();
    HRESULT STDMETHODCALLTYPE get_LastError(LONG* pVal);
    HRESULT STDMETHODCALLTYPE GetErrorDescription(LONG lError, BSTR* pbstrDescription);
    HRESULT STDMETHODCALLTYPE get_LogFile(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_LogFile(BSTR newVal);
    HRESULT STDMETHODCALLTYPE get_ConsumerKey(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_ConsumerKey(BSTR newVal);
    HRESULT STDMETHODCALLTYPE get_ConsumerSecret(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_ConsumerSecret(BSTR newVal);
    HRESULT STDMETHODCALLTYPE get_AccessToken(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_AccessToken(BSTR newVal);
    HRESULT STDMETHODCALLTYPE get_AccessTokenSecret(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_AccessTokenSecret(BSTR newVal);
    HRESULT STDMETHODCALLTYPE get_ProxyServer(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_ProxyServer(BSTR newVal);
    HRESULT STDMETHODCALLTYPE get_ProxyAccount(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_ProxyAccount(BSTR newVal);
    HRESULT STDMETHODCALLTYPE get_ProxyPassword(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_ProxyPassword(BSTR newVal);
    HRESULT STDMETHODCALLTYPE get_HttpLibrary(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_HttpLibrary(BSTR newVal);
    HRESULT STDMETHODCALLTYPE get_UseSSL(VARIANT_BOOL* pVal);
    HRESULT STDMETHODCALLTYPE put_UseSSL(VARIANT_BOOL newVal);

    HRESULT STDMETHODCALLTYPE RequestAuthorization(BSTR bstrCallBack, BSTR* pbstrUrl);
    HRESULT STDMETHODCALLTYPE RequestAccessToken(BSTR bstrVerifier);
    HRESULT STDMETHODCALLTYPE APICall(BSTR bstrMethod, BSTR bstrFormat, BSTR bstrParameters,
                                      VARIANT_BOOL bUsePost, BSTR* pbstrResponse);

    HRESULT STDMETHODCALLTYPE FindFirstTweet(BSTR bstrTimeline, BSTR bstrSinceId, BSTR bstrMaxId,
                                             LONG lCount, LONG lPage, VARIANT* pvStatus);
    HRESULT STDMETHODCALLTYPE FindNextTweet(VARIANT* pvTweet);
    HRESULT STDMETHODCALLTYPE Tweet(BSTR bstrMessage, BSTR* pbstrTweetId);
    HRESULT STDMETHODCALLTYPE DirectTweet(BSTR bstrMessage, BSTR bstrTo, BSTR bstrReplyTweetId,
                                          BSTR* pbstrTweetId);
    HRESULT STDMETHODCALLTYPE Follow(BSTR bstrUserId);
    HRESULT STDMETHODCALLTYPE UnFollow(BSTR bstrUserId);
    HRESULT STDMETHODCALLTYPE FindFirstFriend(BSTR bstrUser, VARIANT* pvUser);
    HRESULT STDMETHODCALLTYPE FindFirstFollower(BSTR bstrUser, VARIANT* pvUser);
    HRESULT STDMETHODCALLTYPE FindFirstUser(BSTR bstrQuery, LONG lPerPage, LONG lPage,
                                            VARIANT* pvUsers);
    HRESULT STDMETHODCALLTYPE FindNextUser(VARIANT* pvUser);

    HRESULT STDMETHODCALLTYPE SaveAccessKey(BSTR bstrFilename);
    HRESULT STDMETHODCALLTYPE SaveConsumerKey(BSTR bstrFilename);
    HRESULT STDMETHODCALLTYPE LoadAccessKey(BSTR bstrFilename);
    HRESULT STDMETHODCALLTYPE LoadConsumerKey(BSTR bstrFilename);

    uint32_t CacheTimeout() const { return cacheTimeout_; }
    // For a caller that knows better than the machine-wide setting (the command's option).
    void SetCacheTimeout(uint32_t seconds) { cacheTimeout_ = seconds; }
    CXTwitter& Rest() { return rest_; }

    static constexpr int32_t kListFriends = 1;
    static constexpr int32_t kListFollowers = 2;
    static constexpr int32_t kListSearch = 3;

  private:
    static HRESULT ReturnText(const CZelString& text, BSTR* pVal);
    // Hands the object (or the null one) to the caller's out-argument.
    static HRESULT ReturnObject(VARIANT& object, VARIANT* out);
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
    HRESULT STDMETHODCALLTYPE FindFirstPeople(int32_t kind, BSTR bstrUser, VARIANT* pvUser);
    CZelString ApiCallUrl(const CZelString& method, const CZelString& format) const;
    void SaveKeyPair(const char* section, const char* firstKey, const CZelString& first,
                     const char* secondKey, const CZelString& second, BSTR bstrFilename);
    void LoadKeyPair(const char* section, const char* firstKey, CZelString& first,
                     const char* secondKey, CZelString& second, BSTR bstrFilename);

    CZelString timelineSinceId_;
    CZelString timelineMaxId_;
    int32_t timelineCount_ = 0;
    int32_t timelinePage_ = 0;
    int32_t searchPerPage_ = 0;
    int32_t searchPage_ = 0;
    CZelString searchQuery_;
    CZelString timelineName_{"home"};
    int32_t lastError_ = 0;
    CZelString logFile_;
    CXTwitter rest_;
    int32_t useSsl_ = 0;
    // APICall's reply buffer, kept between calls up to kKeptReply bytes.
    static constexpr size_t kKeptReply = size_t{1} << 20;
    CZelString reply_;

    CZelTimer* timelineTimer_ = nullptr;
    std::vector<StatusRecord> timeline_;
    size_t timelineNext_ = 0;

    std::vector<UserRecord> users_;
    size_t usersNext_ = 0;
    int32_t listKind_ = kListSearch;
    // The kind the vector holds now, whatever the last non-empty fetch set in listKind_: a first
    // call reuses the vector only when it holds its own kind.
    int32_t heldKind_ = 0;
    // Whether the vector holds its kind's first page: a first call is served only from that, so
    // that a walk that moved on to later pages is walked again from the start.
    bool heldFirstPage_ = false;
    // The cursors this friends or followers walk has been given.
    std::unordered_set<std::string> walkCursors_;
    CZelString cursor_{"-1"};
    CZelTimer* friendsTimer_ = nullptr;
    CZelString friendsOwner_;
    CZelTimer* followersTimer_ = nullptr;
    CZelString followersOwner_;
    CZelTimer* searchTimer_ = nullptr;

    uint32_t cacheTimeout_ = 60;
};
