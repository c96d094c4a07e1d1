// What a Tweet object holds and answers: a read-only snapshot of one status and its author
// (objects::Tweet is it behind ITweet).
#pragma once

#include "automation/Automation.h"
#include "common/ZelString.h"
#include "rest/StatusRecord.h"

class CTweet {
  public:
    CTweet();
    ~CTweet();
    CTweet(const CTweet&) = delete;
    CTweet& operator=(const CTweet&) = delete;

    HRESULT get_CreatedAt(BSTR* pVal);
    HRESULT get_Id(BSTR* pVal);
    HRESULT get_Text(BSTR* pVal);
    HRESULT get_Source(BSTR* pVal);
    // A copy of the held User, with a reference of the caller's own.
    HRESULT get_User(VARIANT* pVal);
    HRESULT get_XML(BSTR* pVal);

    CZelString CreatedAt, Id, Text, Source, XML;
    VARIANT User;
};

// A new Tweet from a record, with its User, as the only reference held by the VARIANT.
HRESULT MakeTweetObject(const StatusRecord& record, VARIANT* out);
