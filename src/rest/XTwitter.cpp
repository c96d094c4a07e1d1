#include "rest/XTwitter.h"

#include <cstdlib>
#include <string>

#include "common/ResultCodes.h"
#include "oauth/UrlEncode.h"
#include "xml/ReplyBuffer.h"

namespace {

CZelString HostFromEnvironment(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return CZelString(value != nullptr && *value != 0 ? value : fallback);
}

bool Present(const char* text) {
    return text != nullptr && *text != 0;
}

struct TimelinePath {
    const char* name;
    const char* path;
};

constexpr TimelinePath kTimelines[] = {
    {"public", "statuses/public_timeline"},
    {"home", "statuses/home_timeline"},
    {"friends", "statuses/friends_timeline"},
    {"mentions", "statuses/mentions"},
    {"retweeted_by_me", "statuses/retweeted_by_me"},
    {"retweeted_to_me", "statuses/retweeted_to_me"},
    {"retweeted_of_me", "statuses/retweets_of_me"},
};

}  // namespace

CXTwitter::CXTwitter() {
    Realm.Assign("Twitter API");
    SetUseSSL(false);
}

CZelString CXTwitter::ApiHost() {
    return HostFromEnvironment("WARBLER_API_HOST", "api.twitter.com");
}

CZelString CXTwitter::OAuthHost() {
    return HostFromEnvironment("WARBLER_OAUTH_HOST", "twitter.com");
}

void CXTwitter::SetUseSSL(bool useSsl) {
    const char* scheme = useSsl ? "https://" : "http://";
    CZelString oauthHost = OAuthHost();
    RestHost = ApiHost();
    RestBaseUrl.Format("%s%s/1/", scheme, RestHost.c_str());
    RequestTokenUrl.Format("%s%s/oauth/request_token", scheme, oauthHost.c_str());
    AccessTokenUrl.Format("%s%s/oauth/access_token", scheme, oauthHost.c_str());
    AuthorizeUrl.Format("%s%s/oauth/authorize", scheme, oauthHost.c_str());
}

int32_t CXTwitter::CallApi(const CZelString& methodUrl, const ParameterMap& params, XmlNode& root,
                           bool usePost) {
    CZelString url = methodUrl;
    url.Append(".xml");
    // The status that callers judge must be this request's: none when nothing is sent.
    Http.LastStatusCode = 0;
    LastServiceError.Assign("");
    CZelString response(xml::TakeReplyBuffer());
    int32_t result = Token.IsEmpty() ? MakeUnsignedRequest(url, usePost ? 1 : 0, params, response)
                                     : MakeSignedRequest(url, usePost ? 1 : 0, params, response);
    CXmlDocumentWrapper document;
    if (!document.Load(std::move(response))) {
        if (document.RefusedAllowance() == 0)
            return result != 0 ? result : rc::XmlLoadFailed;
        Log(LOG_VERBATIM, "Call ended: the reply's XML tree would take more than [%llu] bytes",
            static_cast<unsigned long long>(document.RefusedAllowance()));
        return rc::NoBuffer;
    }
    root = document.Root();
    CZelString error = root.GetNodeText("/hash/error");
    if (!error.IsEmpty()) {
        Log(LOG_VERBATIM, "--> Twitter API error: [%s]", error.c_str());
        LastServiceError = std::move(error);
        return rc::ServiceError;
    }
    return result;
}

void CXTwitter::AddUserParameter(ParameterMap& params, const CZelString& user) {
    params.Assign(user.IsAllDigits() ? "user_id" : "screen_name", user.Str());
}

int32_t CXTwitter::UpdateStatus(const char* message, const char* replyToId, CZelString& statusId) {
    statusId.Assign("");
    if (!Present(message)) {
        Log(LOG_VERBATIM, "Twitter error: [Need a message]");
        return rc::NoMessage;
    }
    ParameterMap params;
    params.Assign("status", message);
    if (Present(replyToId))
        params.Assign("in_reply_to_status_id", replyToId);
    XmlNode root;
    int32_t result = CallApi(CZelString(RestBaseUrl.Str() + "statuses/update"), params, root, true);
    if (Http.LastStatusCode == 403)
        result = rc::StatusForbidden;
    if (result == 0) {
        statusId = root.GetNodeText("/status/id");
        Log(LOG_VERBATIM, "Tweet success, status id: [%s]", statusId.c_str());
    }
    return result;
}

int32_t CXTwitter::Friendship(const char* path, const char* user, XmlNode& root) {
    CZelString who(user);
    if (who.IsEmpty()) {
        Log(LOG_VERBATIM, "Twitter error: [Need a user id or name]");
        return rc::NoUser;
    }
    ParameterMap params;
    AddUserParameter(params, who);
    // One path segment, whatever the text holds: "/", "?", "#" or "%" must not steer the request.
    return CallApi(CZelString(RestBaseUrl.Str() + path + OAuthEncoded(who.View())), params, root,
                   false);
}

int32_t CXTwitter::CreateFriendship(const char* user) {
    XmlNode root;
    int32_t result = Friendship("friendships/create/", user, root);
    if (result != rc::NoUser && Http.LastStatusCode == 403)
        result = rc::FollowForbidden;
    return result;
}

int32_t CXTwitter::DestroyFriendship(const char* user) {
    XmlNode root;
    return Friendship("friendships/destroy/", user, root);
}

int32_t CXTwitter::GetTimeline(XmlNodeList& statuses, const char* timeline, const char* sinceId,
                               const char* maxId, int32_t count, int32_t page) {
    statuses = XmlNodeList();
    CZelString name(timeline);
    ParameterMap params;
    const char* path = nullptr;
    for (const TimelinePath& entry : kTimelines)
        if (name == entry.name)
            path = entry.path;
    if (path == nullptr) {
        path = "statuses/user_timeline";
        AddUserParameter(params, name);
    }
    if (Present(sinceId))
        params.Assign("since_id", sinceId);
    if (Present(maxId))
        params.Assign("max_id", maxId);
    if (count != 0)
        params.Assign("count", std::to_string(count));
    if (page != 0)
        params.Assign("page", std::to_string(page));

    XmlNode root;
    int32_t result = CallApi(CZelString(RestBaseUrl.Str() + path), params, root, false);
    if (!root)
        return result;  // nothing parsed: the request's own code, never 0 here
    statuses = root.SelectNodes("/statuses/status");
    return statuses ? result : rc::MissingElement;
}

int32_t CXTwitter::GetPeople(const char* path, const char* user, XmlNodeList& users,
                             CZelString& cursor) {
    users = XmlNodeList();
    CZelString who(user);
    if (who.IsEmpty())
        return rc::NoUser;
    ParameterMap params;
    AddUserParameter(params, who);
    if (cursor.IsEmpty())
        cursor.Assign("-1");
    params.Assign("cursor", cursor.Str());
    XmlNode root;
    int32_t result = CallApi(CZelString(RestBaseUrl.Str() + path), params, root, false);
    // A refused page leaves the cursor where it was: asking again asks for the same page.
    if (!root || result != 0)
        return result;
    users = root.SelectNodes("/users_list/users/user");
    if (!users)
        return rc::MissingElement;
    cursor = root.GetNodeText("/users_list/next_cursor");
    Log(LOG_VERBATIM, "Cursor position: [%s]", cursor.c_str());
    return result;
}

int32_t CXTwitter::GetFriends(const char* user, XmlNodeList& users, CZelString& cursor) {
    return GetPeople("statuses/friends", user, users, cursor);
}

int32_t CXTwitter::GetFollowers(const char* user, XmlNodeList& users, CZelString& cursor) {
    return GetPeople("statuses/followers", user, users, cursor);
}

int32_t CXTwitter::SearchUsers(const char* query, XmlNodeList& users, int32_t perPage,
                               int32_t page) {
    users = XmlNodeList();
    if (!Present(query))
        return rc::NoQuery;
    ParameterMap params;
    params.Assign("q", query);
    if (perPage != 0)
        params.Assign("per_page", std::to_string(perPage));
    if (page != 0)
        params.Assign("page", std::to_string(page));
    XmlNode root;
    int32_t result = CallApi(CZelString(RestBaseUrl.Str() + "users/search"), params, root, false);
    if (!root)
        return result;
    users = root.SelectNodes("/users/user");
    return users ? result : rc::MissingElement;
}
