// The Twitter object's methods that change the account: posting and following. What goes to the
// service is UTF-8, what goes to the log the code page's.
#include "common/ResultCodes.h"
#include "component/Twitter.h"

HRESULT CTwitter::Tweet(BSTR bstrMessage, BSTR* pbstrTweetId) {
    lastError_ = 0;
    Log(LOG_VERBATIM, "-- Tweet status=[%s],", CZelString(bstrMessage).c_str());
    CZelString id;
    Finish("Tweet", rest_.UpdateStatus(CZelString::Wire(bstrMessage).c_str(), nullptr, id));
    return ReturnText(id, pbstrTweetId);
}

HRESULT CTwitter::DirectTweet(BSTR bstrMessage, BSTR bstrTo, BSTR bstrReplyTweetId,
                              BSTR* pbstrTweetId) {
    lastError_ = 0;
    CZelString message(bstrMessage), to(bstrTo), replyTo(bstrReplyTweetId);
    Log(LOG_VERBATIM, "-- Tweet status=[%s], to=[%s], in_reply_to_status_id=[%s]", message.c_str(),
        to.c_str(), replyTo.c_str());
    CZelString wire = CZelString::Wire(bstrMessage);
    CZelString prefix("@" + CZelString::Wire(bstrTo).Str() + " ");
    wire.Prepend(prefix.c_str());  // case-sensitive: "@Bob " does not stand for "@bob "
    CZelString id;
    Finish("Tweet", rest_.UpdateStatus(wire.c_str(), replyTo.c_str(), id));
    return ReturnText(id, pbstrTweetId);
}

HRESULT CTwitter::Follow(BSTR bstrUserId) {
    lastError_ = 0;
    Log(LOG_VERBATIM, "-- Follow user_id=[%s]", CZelString(bstrUserId).c_str());
    Finish("Follow", rest_.CreateFriendship(CZelString::Wire(bstrUserId).c_str()));
    return S_OK;
}

HRESULT CTwitter::UnFollow(BSTR bstrUserId) {
    lastError_ = 0;
    Log(LOG_VERBATIM, "-- UnFollow user_id=[%s]", CZelString(bstrUserId).c_str());
    Finish("UnFollow", rest_.DestroyFriendship(CZelString::Wire(bstrUserId).c_str()));
    return S_OK;
}
