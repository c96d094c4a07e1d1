// Creates a Twitter object, sets its properties, writes a few log lines and prints the log.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "component/ResultCodes.h"
#include "component/Twitter.h"

namespace {

struct Bstr {
    BSTR value = nullptr;
    ~Bstr() { SysFreeString(value); }
    std::string Text() const { return CZelString(value).Str(); }
};

BSTR Make(const char* text) { return CZelString(text).ToBSTR(); }

}  // namespace

int main(int argc, char** argv) {
    std::string logPath = argc > 1 ? argv[1] : "warbler-demo.log";
    std::remove(logPath.c_str());

    CTwitter twitter;
    for (auto [put, text] : {std::pair{&CTwitter::put_LogFile, logPath.c_str()},
                             std::pair{&CTwitter::put_ConsumerKey, "demo-consumer-key"},
                             std::pair{&CTwitter::put_ProxyServer, "127.0.0.1:8888"}}) {
        BSTR value = Make(text);
        (twitter.*put)(value);
        SysFreeString(value);
    }
    twitter.put_UseSSL(VARIANT_TRUE);

    Bstr version, key, proxy;
    VARIANT_BOOL ssl = VARIANT_FALSE;
    LONG lastError = -1;
    twitter.get_Version(&version.value);
    twitter.get_ConsumerKey(&key.value);
    twitter.get_ProxyServer(&proxy.value);
    twitter.get_UseSSL(&ssl);
    twitter.get_LastError(&lastError);

    std::cout << "Warbler " << version.Text() << "\n"
              << "  ConsumerKey = " << key.Text() << "\n"
              << "  ProxyServer = " << proxy.Text() << "\n"
              << "  UseSSL      = " << ssl << "\n"
              << "  REST base   = " << twitter.Rest().RestBaseUrl.c_str() << "\n"
              << "  Cache time-out = " << twitter.CacheTimeout() << " s\n"
              << "  LastError   = " << lastError << " (" << DescribeResultCode(lastError) << ")\n";

    twitter.Log(LOG_VERBATIM, "-- Demo ConsumerKey=[%s], UseSSL[%s]", key.Text().c_str(),
                ssl ? "True" : "False");
    twitter.Log(LOG_TO_FILE, "a message with\r\na line break, escaped\n");
    twitter.Log(LOG_VERBATIM, "Demo result: [%d: %s]", lastError, DescribeResultCode(lastError));

    std::cout << "\nLog file " << logPath << ":\n";
    std::ifstream log(logPath);
    std::cout << log.rdbuf();
    return 0;
}
