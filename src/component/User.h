// What a User object holds and answers: a read-only snapshot of one account (objects::User is it
// behind IUser).
#pragma once

#include "automation/Automation.h"
#include "common/ZelString.h"
#include "rest/UserRecord.h"

class CUser {
  public:
    HRESULT get_Id(BSTR* pVal) { return Text(Id, pVal); }
    HRESULT get_Name(BSTR* pVal) { return Text(Name, pVal); }
    HRESULT get_ScreenName(BSTR* pVal) { return Text(ScreenName, pVal); }
    HRESULT get_Location(BSTR* pVal) { return Text(Location, pVal); }
    HRESULT get_Description(BSTR* pVal) { return Text(Description, pVal); }
    HRESULT get_ProfileImage(BSTR* pVal) { return Text(ProfileImage, pVal); }
    HRESULT get_Url(BSTR* pVal) { return Text(Url, pVal); }
    HRESULT get_Protected(VARIANT_BOOL* pVal);
    HRESULT get_NumFollowers(LONG* pVal) { return Number(NumFollowers, pVal); }
    HRESULT get_NumFriends(LONG* pVal) { return Number(NumFriends, pVal); }
    HRESULT get_NumTweets(LONG* pVal) { return Number(NumTweets, pVal); }
    HRESULT get_CreatedAt(BSTR* pVal) { return Text(CreatedAt, pVal); }
    HRESULT get_XML(BSTR* pVal) { return Text(XML, pVal); }

    CZelString Id, Name, ScreenName, Location, Description, ProfileImage, Url, XML;
    int32_t Protected = 0, NumFollowers = 0, NumFriends = 0, NumTweets = 0;
    CZelString CreatedAt;

    static HRESULT Text(const CZelString& text, BSTR* pVal);
    static HRESULT Number(int32_t value, LONG* pVal);
};

// A new User from a record, as the only reference held by the VARIANT (VT_DISPATCH).
HRESULT MakeUserObject(const UserRecord& record, VARIANT* out);
