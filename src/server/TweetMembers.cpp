// The members of ITweet and IUser, with their dispatch identifiers.
#include "automation/Interfaces.h"
#include "component/Tweet.h"
#include "component/User.h"
#include "server/MemberThunks.h"

namespace {

using namespace dispatch;

HRESULT TweetUserThunk(void* o, uint16_t, VARIANT*, VARIANT* r) {
    return static_cast<CTweet*>(o)->get_User(r);
}

const Member kTweetMembers[] = {
    {"CreatedAt", 1, kGet, VT_BSTR, nullptr, 0, &TextGetter<CTweet, &CTweet::get_CreatedAt>},
    {"Id", 2, kGet, VT_BSTR, nullptr, 0, &TextGetter<CTweet, &CTweet::get_Id>},
    {"Text", 3, kGet, VT_BSTR, nullptr, 0, &TextGetter<CTweet, &CTweet::get_Text>},
    {"Source", 4, kGet, VT_BSTR, nullptr, 0, &TextGetter<CTweet, &CTweet::get_Source>},
    {"User", 5, kGet, VT_VARIANT, nullptr, 0, &TweetUserThunk},
    {"XML", 6, kGet, VT_BSTR, nullptr, 0, &TextGetter<CTweet, &CTweet::get_XML>},
};

HRESULT ProtectedThunk(void* o, uint16_t, VARIANT*, VARIANT* r) {
    r->vt = VT_BOOL;
    return static_cast<CUser*>(o)->get_Protected(&r->boolVal);
}

template <HRESULT (CUser::*Get)(LONG*)>
HRESULT CountThunk(void* o, uint16_t, VARIANT*, VARIANT* r) {
    r->vt = VT_I4;
    return (static_cast<CUser*>(o)->*Get)(&r->lVal);
}

const Member kUserMembers[] = {
    {"Id", 1, kGet, VT_BSTR, nullptr, 0, &TextGetter<CUser, &CUser::get_Id>},
    {"Name", 2, kGet, VT_BSTR, nullptr, 0, &TextGetter<CUser, &CUser::get_Name>},
    {"ScreenName", 3, kGet, VT_BSTR, nullptr, 0, &TextGetter<CUser, &CUser::get_ScreenName>},
    {"Location", 4, kGet, VT_BSTR, nullptr, 0, &TextGetter<CUser, &CUser::get_Location>},
    {"Description", 5, kGet, VT_BSTR, nullptr, 0, &TextGetter<CUser, &CUser::get_Description>},
    {"ProfileImage", 6, kGet, VT_BSTR, nullptr, 0, &TextGetter<CUser, &CUser::get_ProfileImage>},
    {"Url", 7, kGet, VT_BSTR, nullptr, 0, &TextGetter<CUser, &CUser::get_Url>},
    {"Protected", 8, kGet, VT_BOOL, nullptr, 0, &ProtectedThunk},
    {"NumFollowers", 9, kGet, VT_I4, nullptr, 0, &CountThunk<&CUser::get_NumFollowers>},
    {"NumFriends", 10, kGet, VT_I4, nullptr, 0, &CountThunk<&CUser::get_NumFriends>},
    {"NumTweets", 11, kGet, VT_I4, nullptr, 0, &CountThunk<&CUser::get_NumTweets>},
    {"CreatedAt", 12, kGet, VT_BSTR, nullptr, 0, &TextGetter<CUser, &CUser::get_CreatedAt>},
    {"XML", 13, kGet, VT_BSTR, nullptr, 0, &TextGetter<CUser, &CUser::get_XML>},
};

const Table kTweetTable = {"ITweet", &IID_ITweet, kTweetMembers,
                           sizeof kTweetMembers / sizeof kTweetMembers[0]};
const Table kUserTable = {"IUser", &IID_IUser, kUserMembers,
                          sizeof kUserMembers / sizeof kUserMembers[0]};

}  // namespace

const dispatch::Table& CTweet::Members() {
    return kTweetTable;
}
const dispatch::Table& CUser::Members() {
    return kUserTable;
}
