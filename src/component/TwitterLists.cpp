// The Twitter object's enumerations: the timeline list and the one user list that friends,
// followers and user searches share, each reused while its timer runs.
#include "component/Tweet.h"
#include "component/Twitter.h"
#include "component/User.h"
#include "rest/RecordFiller.h"

namespace {

// The object for one element of a list, its record copied out only now: a long reply is held
// once, as its tree.
template <class Record, class Fill, class Make>
HRESULT MakeFrom(const XmlNode& node, Fill fill, Make make, VARIANT* out) {
    try {
        Record record;
        fill(node, record);
        return make(record, out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT MakeTweetAt(const XmlNodeList& statuses, size_t index, VARIANT* out) {
    return MakeFrom<StatusRecord>(statuses.Item(index), FillStatusRecord, MakeTweetObject, out);
}

HRESULT MakeUserAt(const XmlNodeList& users, size_t index, VARIANT* out) {
    return MakeFrom<UserRecord>(users.Item(index), FillUserRecord, MakeUserObject, out);
}

}  // namespace

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
    if (walk_.users.Length() == 0) {
        lastError_ = rc::NoMoreUsers;
        return false;
    }
    CheckMade(MakeUserAt(walk_.users, 0, &object));
    walk_.next = 1;
    return true;
}

void CTwitter::CheckNextCursor() {
    CZelString& cursor = walk_.cursor;
    if (cursor == "0")
        return;
    if (cursor.IsEmpty() || !walk_.cursorsGiven.insert(cursor.Str()).second) {
        LogSized(LOG_VERBATIM, cursor.Length() + 128,
                 "--> The next cursor [%s] is missing or was given before: the list ends here",
                 cursor.c_str());
        cursor.Assign("0");
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

    ListCache& cache = timelineCache_;
    if (cache.Asked(timeline, sinceId, maxId, lCount, lPage) && IsListValid(cache.timer)) {
        ReportReuse(cache.timer);
        timelineNext_ = 0;
    } else {
        timelineNext_ = 0;
        timeline_ = XmlNodeList();
        RestartTimer(cache.timer);
        lastError_ = MapResultCode(Guarded([&] {
            return rest_.GetTimeline(timeline_, timeline.c_str(), sinceId.c_str(), maxId.c_str(),
                                     lCount, lPage);
        }));
        if (lastError_ == 0) {
            CZelTimer* timer = cache.timer;
            cache = ListCache{timeline, sinceId, maxId, lCount, lPage, timer};
        } else {
            Log(LOG_VERBATIM, "Could not get Tweet list");
            timeline_ = XmlNodeList();
            ForgetList(cache.timer);
        }
    }
    if (lastError_ == 0) {
        if (timeline_.Length() == 0)
            lastError_ = rc::NoMoreStatuses;
        else
            CheckMade(MakeTweetAt(timeline_, timelineNext_++, status.put()));
    }
    LogResult("FindFirstTweet");
    return ReturnObject(status, pvStatus);
}

HRESULT CTwitter::FindNextTweet(VARIANT* pvTweet) {
    lastError_ = 0;
    UniqueVariant status;
    Log(LOG_VERBATIM, "-- FindNextTweet");
    if (timelineNext_ < timeline_.Length())
        CheckMade(MakeTweetAt(timeline_, timelineNext_++, status.put()));
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

    ListCache& cache = friends ? friendsCache_ : followersCache_;
    if (user == cache.key && IsListValid(cache.timer) && walk_.heldKind == kind &&
        walk_.heldFirstPage) {
        ReportReuse(cache.timer);
        ServeFirstUser(*object.put());
    } else {
        walk_.next = 0;
        walk_.users = XmlNodeList();
        walk_.heldKind = kind;
        walk_.heldFirstPage = false;
        RestartTimer(cache.timer);
        walk_.cursor.Assign("-1");
        walk_.cursorsGiven.clear();
        walk_.cursorsGiven.insert("-1");
        lastError_ = MapResultCode(Guarded([&] {
            return friends ? rest_.GetFriends(user.c_str(), walk_.users, walk_.cursor)
                           : rest_.GetFollowers(user.c_str(), walk_.users, walk_.cursor);
        }));
        // The next-call follows this walk from now on; an empty or refused first page ends it.
        walk_.kind = kind;
        if (lastError_ == 0) {
            walk_.heldFirstPage = true;
            CheckNextCursor();
            if (!ServeFirstUser(*object.put()))
                walk_.cursor.Assign("0");
            cache.key = user;
        } else {
            Log(LOG_VERBATIM, "Could not get friends list");
            walk_.users = XmlNodeList();
            walk_.cursor.Assign("0");
            ForgetList(cache.timer);
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

    ListCache& cache = searchCache_;
    if (cache.Asked(query, {}, {}, lPerPage, lPage) && IsListValid(cache.timer) &&
        walk_.heldKind == kListSearch && walk_.heldFirstPage) {
        ReportReuse(cache.timer);
        ServeFirstUser(*object.put());
    } else {
        walk_.next = 0;
        walk_.users = XmlNodeList();
        walk_.heldKind = kListSearch;
        walk_.heldFirstPage = false;
        RestartTimer(cache.timer);
        lastError_ = MapResultCode(Guarded(
            [&] { return rest_.SearchUsers(query.c_str(), walk_.users, lPerPage, lPage); }));
        walk_.kind = kListSearch;  // a search has one page: the next-call ends after it
        if (lastError_ == 0) {
            walk_.heldFirstPage = true;
            ServeFirstUser(*object.put());
            CZelTimer* timer = cache.timer;
            cache = ListCache{query, {}, {}, lPerPage, lPage, timer};
        } else {
            Log(LOG_VERBATIM, "Could not get status list");
            walk_.users = XmlNodeList();
            ForgetList(cache.timer);
        }
    }
    LogResult("FindFirstUser");
    return ReturnObject(object, pvUsers);
}

HRESULT CTwitter::FindNextUser(VARIANT* pvUser) {
    lastError_ = 0;
    UniqueVariant object;
    Log(LOG_VERBATIM, "-- FindNextUser");
    if (walk_.next < walk_.users.Length()) {
        CheckMade(MakeUserAt(walk_.users, walk_.next++, object.put()));
    } else if (walk_.cursor == "-1" || walk_.cursor == "0" || walk_.kind == kListSearch) {
        lastError_ = rc::NoMoreUsers;
    } else {
        const bool friends = walk_.kind == kListFriends;
        walk_.users = XmlNodeList();
        // The list holds a later page of this kind from now on, or nothing.
        walk_.heldKind = walk_.kind;
        walk_.heldFirstPage = false;
        Log(LOG_VERBATIM,
            friends ? "--> Fetching some more friends" : "--> Fetching some more followers");
        lastError_ = MapResultCode(Guarded([&] {
            return friends
                       ? rest_.GetFriends(friendsCache_.key.c_str(), walk_.users, walk_.cursor)
                       : rest_.GetFollowers(followersCache_.key.c_str(), walk_.users, walk_.cursor);
        }));
        walk_.next = 0;
        if (lastError_ == 0) {
            CheckNextCursor();
            ServeFirstUser(*object.put());
        } else {
            walk_.users = XmlNodeList();
        }
    }
    LogResult("FindNextUser");
    return ReturnObject(object, pvUser);
}
