// The Twitter object's methods that change the account: posting and following.
#include "common/ResultCodes.h"
#include "component/Twitter.h"

HRESULT CTwitter::Tweet(BSTR bstrMessage, BSTR* pbstrTweetId) {
    lastError_ = 0;
    CZelString message(bstrMessage);
    Log(LOG_VERBATIM, "-- Tweet status=[%s],", message.c_str());
    CZelString id;
    Finish("Tweet", rest_.UpdateStatus(message.c_str(), nullptr, id));
    return ReturnText(id, pbstrTweetId);
}

HRESULT CTwitter::DirectTweet(BSTR bstrMessage, BSTR bstrTo, BSTR bstrReplyTweetId,
                              BSTR* pbstrTweetId) {
    lastError_ = 0;
    CZelString message(bstrMessage), to(bstrTo), replyTo(bstrReplyTweetId);
    Log(LOG_VERBATIM, "-- Tweet status=[%s], to=[%s], in_reply_to_status_id=[%s]", message.c_str(),
        to.c_str(), replyTo.c_str());
    CZelString prefix;
    prefix.FormatSized("@%ls ", bstrTo);
    message.Prepend(prefix.c_str());  // case-sensitive: "@Bob " does not stand for "@bob "
    CZelString id;
    Finish("Tweet", rest_.UpdateStatus(message.c_str(), replyTo.c_str(), id));
    return ReturnText(id, pbstrTweetId);
}

HRESULT CTwitter::Follow(BSTR bstrUserId) {
    lastError_ = 0;
    CZelString user(bstrUserId);
    Log(LOG_VERBATIM, "-- Follow user_id=[%s]", user.c_str());
    Finish("Follow", rest_.CreateFriendship(user.c_str()));
    return S_OK;
}

HRESULT CTwitter::UnFollow(BSTR bstrUserId) {
    lastError_ = 0;
    CZelString user(bstrUserId);
    Log(LOG_VERBATIM, "-- UnFollow user_id=[%s]", user.c_str());
    Finish("UnFollow", rest_.DestroyFriendship(user.c_str()));
    return S_OK;
}
