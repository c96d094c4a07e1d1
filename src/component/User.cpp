#include "component/User.h"

#include <memory>
#include <new>

#include "WarblerObjects.h"

HRESULT CUser::Text(const CZelString& text, BSTR* pVal) {
    if (pVal == nullptr)
        return E_POINTER;
    *pVal = text.ToBSTR();
    return S_OK;
}

HRESULT CUser::Number(int32_t value, LONG* pVal) {
    if (pVal == nullptr)
        return E_POINTER;
    *pVal = value;
    return S_OK;
}

HRESULT CUser::get_Protected(VARIANT_BOOL* pVal) {
    if (pVal == nullptr)
        return E_POINTER;
    *pVal = Protected != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT MakeUserObject(const UserRecord& record, VARIANT* out) {
    if (out == nullptr)
        return E_POINTER;
    // Until it is handed out, no reference holds it: it goes with the holder.
    std::unique_ptr<objects::User> user(new (std::nothrow) objects::User);
    if (!user)
        return E_OUTOFMEMORY;  // the caller's VARIANT is left as it was
    try {
        user->Id = record.id;
        user->Name = record.name;
        user->ScreenName = record.screen_name;
        user->Location = record.location;
        user->Description = record.description;
        user->ProfileImage = record.profile_image_url;
        user->Url = record.url;
        user->XML = record.xml;
        user->Protected = record.protected_;
        user->NumFollowers = record.followers_count;
        user->NumFriends = record.friends_count;
        user->NumTweets = record.statuses_count;
        user->CreatedAt = record.created_at;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    user.release()->HandTo(out);
    return S_OK;
}
