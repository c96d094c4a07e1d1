#include "component/Tweet.h"

#include <memory>
#include <new>

#include "WarblerObjects.h"

#include "component/User.h"

CTweet::CTweet() {
    VariantInit(&User);
    User.vt = VT_UNKNOWN;
    User.punkVal = nullptr;
}

CTweet::~CTweet() {
    VariantClear(&User);
}

HRESULT CTweet::get_CreatedAt(BSTR* pVal) {
    return CUser::Text(CreatedAt, pVal);
}
HRESULT CTweet::get_Id(BSTR* pVal) {
    return CUser::Text(Id, pVal);
}
HRESULT CTweet::get_Text(BSTR* pVal) {
    return CUser::Text(Text, pVal);
}
HRESULT CTweet::get_Source(BSTR* pVal) {
    return CUser::Text(Source, pVal);
}
HRESULT CTweet::get_XML(BSTR* pVal) {
    return CUser::Text(XML, pVal);
}

HRESULT CTweet::get_User(VARIANT* pVal) {
    if (pVal == nullptr)
        return E_POINTER;
    VariantInit(pVal);
    return VariantCopy(pVal, &User);
}

HRESULT MakeTweetObject(const StatusRecord& record, VARIANT* out) {
    if (out == nullptr)
        return E_POINTER;
    // Until it is handed out, no reference holds it: it goes with the holder.
    std::unique_ptr<objects::Tweet> tweet(new (std::nothrow) objects::Tweet);
    if (!tweet)
        return E_OUTOFMEMORY;
    try {
        tweet->CreatedAt = record.created_at;
        tweet->Id = record.id;
        tweet->Text = record.text;
        tweet->Source = record.source;
        tweet->XML = record.xml;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = MakeUserObject(record.user, &tweet->User);
    if (FAILED(hr))
        return hr;
    tweet.release()->HandTo(out);
    return S_OK;
}
