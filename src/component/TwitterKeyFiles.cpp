// Saving and loading the key pairs in profile files. These methods write no log lines.
#include <string>

#include "common/ResultCodes.h"
#include "component/Twitter.h"
#include "platform/ProfileFile.h"

namespace {

constexpr char kAccessSection[] = "AccessTokenPair";
constexpr char kConsumerSection[] = "ConsumerTokenPair";

}  // namespace

void CTwitter::SaveKeyPair(const char* section, const char* firstKey, const CZelString& first,
                           const char* secondKey, const CZelString& second, BSTR bstrFilename) {
    CZelString file(bstrFilename);
    const char* keys[] = {firstKey, secondKey};
    const char* values[] = {first.c_str(), second.c_str()};
    // The pair is one update: a concurrent load sees both old values or both new ones.
    bool saved =
        !file.HasNul() && platform::WriteProfileStrings(section, keys, values, 2, file.c_str());
    lastError_ = saved ? 0 : rc::KeyFileWriteFailed;
}

void CTwitter::LoadKeyPair(const char* section, const char* firstKey, CZelString& first,
                           const char* secondKey, CZelString& second, BSTR bstrFilename) {
    lastError_ = 0;
    CZelString file(bstrFilename);
    if (file.HasNul() || !platform::FileExists(file.c_str())) {
        lastError_ = rc::KeyFileMissing;
        return;
    }
    const char* keys[] = {firstKey, secondKey};
    std::string values[2];
    platform::GetProfileStrings(section, keys, values, 2, "", file.c_str());
    first.Assign(values[0].c_str());
    second.Assign(values[1].c_str());
    if (first.IsEmpty() && second.IsEmpty())
        lastError_ = rc::KeyFileEmpty;
    else if (first.IsEmpty() || second.IsEmpty())
        lastError_ = rc::KeyFileHalf;
}

HRESULT CTwitter::SaveAccessKey(BSTR bstrFilename) {
    SaveKeyPair(kAccessSection, "AccessToken", rest_.Token, "AccessSecret", rest_.TokenSecret,
                bstrFilename);
    return S_OK;
}

HRESULT CTwitter::SaveConsumerKey(BSTR bstrFilename) {
    SaveKeyPair(kConsumerSection, "ConsumerToken", rest_.ConsumerKey, "ConsumerSecret",
                rest_.ConsumerSecret, bstrFilename);
    return S_OK;
}

HRESULT CTwitter::LoadAccessKey(BSTR bstrFilename) {
    LoadKeyPair(kAccessSection, "AccessToken", rest_.Token, "AccessSecret", rest_.TokenSecret,
                bstrFilename);
    return S_OK;
}

HRESULT CTwitter::LoadConsumerKey(BSTR bstrFilename) {
    LoadKeyPair(kConsumerSection, "ConsumerToken", rest_.ConsumerKey, "ConsumerSecret",
                rest_.ConsumerSecret, bstrFilename);
    return S_OK;
}
