// Saving and loading the key pairs in profile files. These methods write no log lines.
#include <memory>

#include "component/ResultCodes.h"
#include "component/Twitter.h"
#include "platform/ProfileFile.h"

namespace {

constexpr char kAccessSection[] = "AccessTokenPair";
constexpr char kConsumerSection[] = "ConsumerTokenPair";

// A value is read with a 511-character limit first, and again with 65,535 when it filled it.
CZelString ReadValue(const char* section, const char* key, const char* file) {
    char small[512];
    uint32_t n = platform::GetProfileString(section, key, "", small, sizeof small, file);
    if (n < 510)
        return CZelString(small);
    auto large = std::make_unique<char[]>(65536);
    platform::GetProfileString(section, key, "", large.get(), 65536, file);
    return CZelString(large.get());
}

}  // namespace

void CTwitter::SaveKeyPair(const char* section, const char* firstKey, const CZelString& first,
                           const char* secondKey, const CZelString& second, BSTR bstrFilename) {
    CZelString file(bstrFilename);
    bool saved = platform::WriteProfileString(section, firstKey, first.c_str(), file.c_str()) &&
                 platform::WriteProfileString(section, secondKey, second.c_str(), file.c_str());
    lastError_ = saved ? 0 : rc::KeyFileWriteFailed;
}

void CTwitter::LoadKeyPair(const char* section, const char* firstKey, CZelString& first,
                           const char* secondKey, CZelString& second, BSTR bstrFilename) {
    lastError_ = 0;
    CZelString file(bstrFilename);
    if (!platform::FileExists(file.c_str())) {
        lastError_ = rc::KeyFileMissing;
        return;
    }
    first = ReadValue(section, firstKey, file.c_str());
    second = ReadValue(section, secondKey, file.c_str());
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
