// The Twitter object's methods that go to the service: the generic API call and the
// authorization exchange.
#include "automation/UniqueBstr.h"
#include "common/ResultCodes.h"
#include "component/Twitter.h"

void CTwitter::Finish(const char* method, int32_t clientCode) {
    lastError_ = MapResultCode(clientCode);
    LogResult(method);
}

CZelString CTwitter::ApiCallUrl(const CZelString& method, const CZelString& format) const {
    CZelString url(method);
    if (!url.Contains("://", false)) {
        // The REST host less its last dot-separated label: "api.twitter" for "api.twitter.com".
        std::string_view host = rest_.RestHost.View();
        size_t dot = host.rfind('.');
        std::string hostPrefix(dot == std::string_view::npos ? std::string_view{}
                                                             : host.substr(0, dot));
        if (!hostPrefix.empty() && url.StartsWith(hostPrefix.c_str(), false)) {
            url.Prepend("http://", true);
        } else {
            url.StripLeading('/');
            url.Prepend(rest_.RestBaseUrl.c_str(), true);  // "http(s)://host/1/" as UseSSL set it
        }
    }
    url.Append('.');
    url.Append(format);
    return url;
}

HRESULT CTwitter::APICall(BSTR bstrMethod, BSTR bstrFormat, BSTR bstrParameters,
                          VARIANT_BOOL bUsePost, BSTR* pbstrResponse) {
    lastError_ = 0;
    // What goes to the service is UTF-8, what goes to the log the code page's: the log's URL is
    // composed only when there is a log.
    CZelString url = ApiCallUrl(CZelString::Wire(bstrMethod), CZelString::Wire(bstrFormat));
    if (!GetLogFile().IsEmpty()) {
        CZelString format(bstrFormat);
        Log(LOG_VERBATIM, "-- APICall Url=[%s], Format[%s], UsePost[%s]",
            ApiCallUrl(CZelString(bstrMethod), format).c_str(), format.c_str(),
            bUsePost != 0 ? "True" : "False");
    }
    ParameterMap params;
    COAuth::ParseParameters(CZelString::Wire(bstrParameters), params);
    // The reply's buffer stays for the next call unless it grew large: a fresh one of a few
    // hundred kilobytes would cost a page fault per page on every call.
    CZelString& response = reply_;
    uint32_t post = bUsePost != 0 ? 1 : 0;
    int32_t code = Guarded([&] {
        if (!rest_.Token.IsEmpty())
            return rest_.MakeSignedRequest(url, post, std::move(params), response);
        Log(LOG_VERBATIM, "No AccessToken was supplied, calling this method without signing it.");
        return rest_.MakeUnsignedRequest(url, post, std::move(params), response);
    });
    // A reply too large to hand over is a failure, never an empty success.
    bool large = response.Length() > kKeptReply;
    UniqueBstr converted(large ? response.TakeBSTR() : response.ToBSTR());
    if (converted.get() == nullptr && !response.IsEmpty() && code == 0)
        code = rc::NoBuffer;
    if (!large)
        response.Assign("");
    Finish("APICall", code);
    if (pbstrResponse == nullptr)
        return E_POINTER;
    *pbstrResponse = converted.release();
    return S_OK;
}

HRESULT CTwitter::RequestAuthorization(BSTR bstrCallBack, BSTR* pbstrUrl) {
    lastError_ = 0;
    CZelString callback(bstrCallBack);
    Log(LOG_VERBATIM, "-- RequestAuthorization Callback=[%s]",
        callback.IsEmpty() ? "oob" : callback.c_str());
    CZelString url;
    int32_t code = rest_.GetRequestToken(url, CZelString::Wire(bstrCallBack).c_str());
    lastError_ = MapResultCode(code);
    if (lastError_ != 0)
        url.Assign("");
    Log(LOG_VERBATIM, "RequestAuthorization result: [%d: %s], Url=[%s]", lastError_,
        DescribeResultCode(lastError_), url.c_str());
    return ReturnText(url, pbstrUrl);
}

HRESULT CTwitter::RequestAccessToken(BSTR bstrVerifier) {
    lastError_ = 0;
    CZelString verifier(bstrVerifier);
    Log(LOG_VERBATIM, "-- RequestAccessToken Verifier=[%s]", verifier.c_str());
    lastError_ = MapResultCode(rest_.GetAccessToken(CZelString::Wire(bstrVerifier).c_str()));
    Log(LOG_VERBATIM, "RequestAccessToken result: [%d: %s], AccessToken=[%s]", lastError_,
        DescribeResultCode(lastError_), rest_.Token.c_str());
    return S_OK;
}
