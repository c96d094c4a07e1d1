// One contender of the comparative benchmark (bench/compare.py), run as its own process so that
// each is pinned and measured alike:
//   apicall_loop apicall|curl URL SECONDS   signed APICall GETs of URL, or plain libcurl GETs
//                                           with the same headers; prints calls per second
//   apicall_loop rss URL COUNT              COUNT signed calls; prints the resident set before
//                                           and after, in KiB
//   apicall_loop peak URL                   one call; prints the peak resident set, in KiB
#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "WarblerObjects.h"

namespace {

long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::string(field).size());
    return -1;
}

BSTR Text(const char* text) {
    return CZelString(text).ToBSTR();
}

// A Twitter object with a consumer and an access pair: every APICall is signed.
objects::Twitter* SignedTwitter() {
    auto* twitter = new objects::Twitter;
    twitter->InnerUnknown()->AddRef();
    for (auto [put, value] : {std::pair{&CTwitter::put_ConsumerKey, "wbDemoConsumerKey2010"},
                              std::pair{&CTwitter::put_ConsumerSecret, "wbDemoConsumerSecret"},
                              std::pair{&CTwitter::put_AccessToken, "14785507-wbDemoAccessToken"},
                              std::pair{&CTwitter::put_AccessTokenSecret, "wbDemoAccessSecret"}}) {
        BSTR text = Text(value);
        (twitter->*put)(text);
        SysFreeString(text);
    }
    return twitter;
}

// The method URL without ".xml": APICall appends the format.
bool Call(objects::Twitter* twitter, const std::string& url) {
    BSTR method = Text(url.substr(0, url.size() - 4).c_str()), format = Text("xml"), none = nullptr,
         response = nullptr;
    twitter->APICall(method, format, none, VARIANT_FALSE, &response);
    LONG code = -1;
    twitter->get_LastError(&code);
    bool ok = code == 0 && SysStringLen(response) > 0;
    SysFreeString(method);
    SysFreeString(format);
    SysFreeString(response);
    return ok;
}

size_t Collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

template <class Body>
double PerSecond(double seconds, Body body) {
    auto start = std::chrono::steady_clock::now();
    long calls = 0;
    double elapsed = 0;
    do {
        if (!body())
            return -1;
        ++calls;
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } while (elapsed < seconds);
    return calls / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    std::string mode = argv[1], url = argv[2];
    if (mode == "apicall") {
        objects::Twitter* twitter = SignedTwitter();
        std::printf("%.1f\n", PerSecond(std::atof(argv[3]), [&] { return Call(twitter, url); }));
        twitter->InnerUnknown()->Release();
    } else if (mode == "curl") {
        // The same request on the wire: the user agent and an Authorization header of the length
        // the signed call sends.
        CURL* easy = curl_easy_init();
        std::string body;
        curl_slist* headers = curl_slist_append(
            nullptr,
            ("Authorization: OAuth realm=\"Twitter API\", " + std::string(290, 'x')).c_str());
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_USERAGENT, CZelHttpEx().UserAgent.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
        std::printf("%.1f\n", PerSecond(std::atof(argv[3]), [&] {
                        body.clear();
                        return curl_easy_perform(easy) == CURLE_OK && !body.empty();
                    }));
        curl_slist_free_all(headers);
        curl_easy_cleanup(easy);
    } else if (mode == "rss") {
        objects::Twitter* twitter = SignedTwitter();
        long count = std::atol(argv[3]);
        for (long i = 0; i < count / 10; ++i) Call(twitter, url);  // warm up
        long before = StatusKiB("VmRSS:");
        for (long i = 0; i < count; ++i)
            if (!Call(twitter, url))
                return 1;
        std::printf("%ld %ld\n", before, StatusKiB("VmRSS:"));
        twitter->InnerUnknown()->Release();
    } else if (mode == "peak") {
        objects::Twitter* twitter = SignedTwitter();
        long before = StatusKiB("VmHWM:");
        if (!Call(twitter, url))
            return 1;
        std::printf("%ld %ld\n", before, StatusKiB("VmHWM:"));
        twitter->InnerUnknown()->Release();
    } else {
        return 2;
    }
    return 0;
}
