// The Tweet automation object: a read-only snapshot of one status and its author.
#pragma once

#include "automation/AutomationObject.h"
#include "common/ZelString.h"
#include "rest/StatusRecord.h"

class CTweet final : public CAutomationObject<CTweet, ITweet> {
  public:
    CTweet();
    ~CTweet();
    static const dispatch::Table& Members();

    HRESULT STDMETHODCALLTYPE get_CreatedAt(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE get_Id(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE get_Text(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE get_Source(BSTR* pVal);
    // A copy of the held User, with a reference of the caller's own.
    HRESULT STDMETHODCALLTYPE get_User(VARIANT* pVal);
    HRESULT STDMETHODCALLTYPE get_XML(BSTR* pVal);

    CZelString CreatedAt, Id, Text, Source, XML;
    VARIANT User;
};

// A new Tweet from a record, with its User, as the only reference held by the VARIANT.
HRESULT MakeTweetObject(const StatusRecord& record, VARIANT* out);
