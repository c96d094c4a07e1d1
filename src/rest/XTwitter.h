// The REST client: the OAuth signer plus the REST base URL, the request layer and the REST
// endpoints the Twitter object calls.
#pragma once

#include "oauth/OAuth.h"
#include "xml/XmlDocumentWrapper.h"

class CXTwitter : public COAuth {
  public:
    CXTwitter();
    ~CXTwitter() override = default;

    void SetUseSSL(bool useSsl);

    // Host names are configuration: WARBLER_API_HOST and WARBLER_OAUTH_HOST (host or host:port)
    // replace the service's own.
    static CZelString ApiHost();
    static CZelString OAuthHost();

    // Sends the method (".xml" appended), signed when a token is set, and parses the reply.
    int32_t CallApi(const CZelString& methodUrl, const ParameterMap& params, XmlNode& root,
                    bool usePost);

    int32_t UpdateStatus(const char* message, const char* replyToId, CZelString& statusId);
    int32_t CreateFriendship(const char* user);
    int32_t DestroyFriendship(const char* user);
    // The lists are the reply's own elements (rest/RecordFiller.h copies one out): a long reply
    // is held once, as its tree.
    int32_t GetTimeline(XmlNodeList& statuses, const char* timeline, const char* sinceId,
                        const char* maxId, int32_t count, int32_t page);
    int32_t GetFriends(const char* user, XmlNodeList& users, CZelString& cursor);
    int32_t GetFollowers(const char* user, XmlNodeList& users, CZelString& cursor);
    int32_t SearchUsers(const char* query, XmlNodeList& users, int32_t perPage, int32_t page);

    CZelString RestBaseUrl;
    // The REST host that RestBaseUrl names, read from the environment with it.
    CZelString RestHost;
    // The service's own error text of the last call that had one ("/hash/error"), else empty.
    CZelString LastServiceError;

  private:
    int32_t Friendship(const char* path, const char* user, XmlNode& root);
    int32_t GetPeople(const char* path, const char* user, XmlNodeList& users, CZelString& cursor);
    static void AddUserParameter(ParameterMap& params, const CZelString& user);
};
