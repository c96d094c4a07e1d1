// The Twitter object's enumerations: the timeline list and the one user list that friends,
// followers and user searches share, each reused while its timer runs.
#include "component/Tweet.h"
#include "component/Twitter.h"
#include "component/User.h"

HRESULT CTwitter::ReturnObject(UniqueVariant& object, VARIANT* out) {
    if (out == nullptr)
        return E_POINTER;
    *out = object.release();
    if (out->vt == VT_EMPTY) {  // no object: the null one
        out->vt = VT_UNKNOWN;
        out->punkVal = nullptr;
    }
    return S_OK;
}

void CTwitter::LogResult(const char* method) {
    Log(LOG_VERBATIM, "%s result: [%d: %s]", method, lastError_, DescribeResultCode(lastError_));
}

bool CTwitter::IsListValid(const CZelTimer* timer) {
    return timer != nullptr && !IsTimerExpired(timer);
}

void CTwitter::ReportReuse(const CZelTimer* timer) {
    Log(LOG_VERBATIM, "Not refreshing, the current list is still valid for [%d] seconds",
        static_cast<int>(TimerRemaining(timer) / 1000));
}

void CTwitter::RestartTimer(CZelTimer*& timer) {
    DeleteTimer(timer);
    timer = CreateTimer(cacheTimeout_ * 1000u);
}

// A failed fetch leaves no list to reuse, so that the same call asks the service again instead of
// reporting the emptied list.
void CTwitter::ForgetList(CZelTimer*& timer) {
    DeleteTimer(timer);
    timer = nullptr;
}

void CTwitter::CheckMade(HRESULT made) {
    if (FAILED(made))
        lastError_ = MapResultCode(rc::NoBuffer);
}

bool CTwitter::ServeFirstUser(VARIANT& object) {
    if (users_.empty()) {
        lastError_ = rc::NoMoreUsers;
        return false;
    }
    CheckMade(MakeUserObject(users_[0], &object));
    usersNext_ = 1;
    return true;
}

void CTwitter::CheckNextCursor() {
    if (cursor_ == "0")
        return;
    if (cursor_.IsEmpty() || !walkCursors_.insert(cursor_.Str()).second) {
        LogSized(LOG_VERBATIM, cursor_.Length() + 128,
                 "--> The next cursor [%s] is missing or was given before: the list ends here",
                 cursor_.c_str());
        cursor_.Assign("0");
    }
}

HRESULT CTwitter::FindFirstTweet(BSTR bstrTimeline, BSTR bstrSinceId, BSTR bstrMaxId, LONG lCount,
                                 LONG lPage, VARIANT* pvStatus) {
    lastError_ = 0;
    UniqueVariant status;
    Log(LOG_VERBATIM, "-- FindFirstTweet since_id=[%s], max_id[%s], count[%d], page[%d]",
        CZelString(bstrSinceId).c_str(), CZelString(bstrMaxId).c_str(), static_cast<int>(lCount),
        static_cast<int>(lPage));
    // The list's key and the request: UTF-8, as they go to the service.
    CZelString timeline = CZelString::Wire(bstrTimeline), sinceId = CZelString::Wire(bstrSinceId),
               maxId = CZelString::Wire(bstrMaxId);

    bool sameKey = timeline == timelineName_ && sinceId == timelineSinceId_ &&
                   maxId == timelineMaxId_ && lCount == timelineCount_ && lPage == timelinePage_;
    if (sameKey && IsListValid(timelineTimer_)) {
        ReportReuse(timelineTimer_);
        timelineNext_ = 0;
    } else {
        timelineNext_ = 0;
        timeline_.clear();
        RestartTimer(timelineTimer_);
        lastError_ = MapResultCode(Guarded([&] {
            return rest_.GetTimeline(timeline_, timeline.c_str(), sinceId.c_str(), maxId.c_str(),
                                     lCount, lPage);
        }));
        if (lastError_ == 0) {
            timelineName_ = timeline;
            timelineSinceId_ = sinceId;
            timelineMaxId_ = maxId;
            timelineCount_ = lCount;
            timelinePage_ = lPage;
        } else {
            Log(LOG_VERBATIM, "Could not get Tweet list");
            timeline_.clear();
            ForgetList(timelineTimer_);
        }
    }
    if (lastError_ == 0) {
        if (timeline_.empty())
            lastError_ = rc::NoMoreStatuses;
        else
            CheckMade(MakeTweetObject(timeline_[timelineNext_++], status.put()));
    }
    LogResult("FindFirstTweet");
    return ReturnObject(status, pvStatus);
}

HRESULT CTwitter::FindNextTweet(VARIANT* pvTweet) {
    lastError_ = 0;
    UniqueVariant status;
    Log(LOG_VERBATIM, "-- FindNextTweet");
    if (timelineNext_ < timeline_.size())
        CheckMade(MakeTweetObject(timeline_[timelineNext_++], status.put()));
    else
        lastError_ = rc::NoMoreStatuses;
    LogResult("FindNextTweet");
    return ReturnObject(status, pvTweet);
}

HRESULT CTwitter::FindFirstFriend(BSTR bstrUser, VARIANT* pvUser) {
    return FindFirstPeople(kListFriends, bstrUser, pvUser);
}

HRESULT CTwitter::FindFirstFollower(BSTR bstrUser, VARIANT* pvUser) {
    return FindFirstPeople(kListFollowers, bstrUser, pvUser);
}

HRESULT CTwitter::FindFirstPeople(int32_t kind, BSTR bstrUser, VARIANT* pvUser) {
    const bool friends = kind == kListFriends;
    lastError_ = 0;
    CZelString user = CZelString::Wire(bstrUser);  // the key and the request: UTF-8
    UniqueVariant object;
    // The followers' entry line shows the argument as passed, the friends' the user asked for.
    if (!friends)
        Log(LOG_VERBATIM, "-- FindFirstFollower user=[%s]", CZelString(bstrUser).c_str());
    bool fromToken = user.IsEmpty();
    if (fromToken) {
        CZelString token(rest_.Token);
        user = token.GetToken("-", "", 0);  // an access token begins with its owner's user id
    }
    if (friends)
        Log(LOG_VERBATIM, "-- FindFirstFriend user=[%s]",
            fromToken ? user.c_str() : CZelString(bstrUser).c_str());

    CZelTimer*& timer = friends ? friendsTimer_ : followersTimer_;
    CZelString& owner = friends ? friendsOwner_ : followersOwner_;
    if (user == owner && IsListValid(timer) && heldKind_ == kind && heldFirstPage_) {
        ReportReuse(timer);
        ServeFirstUser(*object.put());
    } else {
        usersNext_ = 0;
        users_.clear();
        heldKind_ = kind;
        heldFirstPage_ = false;
        RestartTimer(timer);
        cursor_.Assign("-1");
        walkCursors_.clear();
        walkCursors_.insert("-1");
        lastError_ = MapResultCode(Guarded([&] {
            return friends ? rest_.GetFriends(user.c_str(), users_, cursor_)
                           : rest_.GetFollowers(user.c_str(), users_, cursor_);
        }));
        // The next-call follows this walk from now on; an empty or refused first page ends it.
        listKind_ = kind;
        if (lastError_ == 0) {
            heldFirstPage_ = true;
            CheckNextCursor();
            if (!ServeFirstUser(*object.put()))
                cursor_.Assign("0");
            owner = user;
        } else {
            Log(LOG_VERBATIM, "Could not get friends list");
            users_.clear();
            cursor_.Assign("0");
            ForgetList(timer);
        }
    }
    LogResult(friends ? "FindFirstFriend" : "FindFirstFollower");
    return ReturnObject(object, pvUser);
}

HRESULT CTwitter::FindFirstUser(BSTR bstrQuery, LONG lPerPage, LONG lPage, VARIANT* pvUsers) {
    lastError_ = 0;
    UniqueVariant object;
    CZelString logged(bstrQuery);
    LogSized(LOG_VERBATIM, logged.Length() + 512,
             "-- FindFirstUser q=[%s], per_page=[%d], page[%d]", logged.c_str(),
             static_cast<int>(lPerPage), static_cast<int>(lPage));
    CZelString query = CZelString::Wire(bstrQuery);  // the key and the request: UTF-8

    bool sameKey = query == searchQuery_ && lPage == searchPage_ && lPerPage == searchPerPage_;
    if (sameKey && IsListValid(searchTimer_) && heldKind_ == kListSearch && heldFirstPage_) {
        ReportReuse(searchTimer_);
        ServeFirstUser(*object.put());
    } else {
        usersNext_ = 0;
        users_.clear();
        heldKind_ = kListSearch;
        heldFirstPage_ = false;
        RestartTimer(searchTimer_);
        lastError_ = MapResultCode(
            Guarded([&] { return rest_.SearchUsers(query.c_str(), users_, lPerPage, lPage); }));
        listKind_ = kListSearch;  // a search has one page: the next-call ends after it
        if (lastError_ == 0) {
            heldFirstPage_ = true;
            ServeFirstUser(*object.put());
            searchQuery_ = query;
            searchPage_ = lPage;
            searchPerPage_ = lPerPage;
        } else {
            Log(LOG_VERBATIM, "Could not get status list");
            users_.clear();
            ForgetList(searchTimer_);
        }
    }
    LogResult("FindFirstUser");
    return ReturnObject(object, pvUsers);
}

HRESULT CTwitter::FindNextUser(VARIANT* pvUser) {
    lastError_ = 0;
    UniqueVariant object;
    Log(LOG_VERBATIM, "-- FindNextUser");
    if (usersNext_ < users_.size()) {
        CheckMade(MakeUserObject(users_[usersNext_++], object.put()));
    } else if (cursor_ == "-1" || cursor_ == "0" || listKind_ == kListSearch) {
        lastError_ = rc::NoMoreUsers;
    } else {
        const bool friends = listKind_ == kListFriends;
        users_.clear();
        // The vector holds a later page of this kind from now on, or nothing.
        heldKind_ = listKind_;
        heldFirstPage_ = false;
        Log(LOG_VERBATIM,
            friends ? "--> Fetching some more friends" : "--> Fetching some more followers");
        lastError_ = MapResultCode(Guarded([&] {
            return friends ? rest_.GetFriends(friendsOwner_.c_str(), users_, cursor_)
                           : rest_.GetFollowers(followersOwner_.c_str(), users_, cursor_);
        }));
        usersNext_ = 0;
        if (lastError_ == 0) {
            CheckNextCursor();
            ServeFirstUser(*object.put());
        } else {
            users_.clear();
        }
    }
    LogResult("FindNextUser");
    return ReturnObject(object, pvUser);
}
