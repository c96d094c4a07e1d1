// Sequential GETs over keep-alive against a local nginx, a small body (argument 0) and a 137 KB
// timeline-sized one (argument 1): CZelHttpEx beside a plain libcurl easy-handle loop on the
// same URL. Placement is the caller's (taskset).
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <fstream>
#include <memory>
#include <string>

#include "Peers.h"
#include "http/ZelHttpEx.h"

namespace {

struct Nginx {
    Nginx()
        : http(peers::FreePort()),
          https(peers::FreePort()),
          peer("start_nginx.sh", {dir.Path(), std::to_string(http), std::to_string(https)}, http) {
        std::ofstream large(dir.File("www/timeline-137k.xml"));
        large << "<statuses>";
        while (large.tellp() < 137 * 1024)
            large << "<status><id>14785507974</id><text>x</text></status>";
        large << "</statuses>";
    }
    std::string Url(int64_t large) const {
        return "http://127.0.0.1:" + std::to_string(http) +
               (large != 0 ? "/timeline-137k.xml" : "/data.xml");
    }
    test::TempDir dir;
    int http, https;
    peers::Peer peer;
};

Nginx& Server() {
    static Nginx nginx;
    return nginx;
}

void ZelHttpExGet(benchmark::State& state) {
    CZelHttpEx client;
    if (client.Initialize() != 0) {
        state.SkipWithError("transport module not found");
        return;
    }
    CZelString url(Server().Url(state.range(0)).c_str()), response;
    for (auto _ : state) {
        if (client.Get(url, response) != 0 || client.LastStatusCode != 200) {
            state.SkipWithError("request failed");
            break;
        }
        benchmark::DoNotOptimize(response.Length());
    }
    state.SetItemsProcessed(state.iterations());
    client.Shutdown();
}

size_t Collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

void CurlEasyGet(benchmark::State& state) {
    CURL* easy = curl_easy_init();
    std::string url = Server().Url(state.range(0)), body;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    // The same request on the wire as the client's: it names its user agent.
    curl_easy_setopt(easy, CURLOPT_USERAGENT, CZelHttpEx().UserAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    for (auto _ : state) {
        body.clear();
        if (curl_easy_perform(easy) != CURLE_OK) {
            state.SkipWithError("request failed");
            break;
        }
        benchmark::DoNotOptimize(body.size());
    }
    state.SetItemsProcessed(state.iterations());
    curl_easy_cleanup(easy);
}

}  // namespace

BENCHMARK(ZelHttpExGet)->Arg(0)->Arg(1)->MinTime(3.0)->UseRealTime();
BENCHMARK(CurlEasyGet)->Arg(0)->Arg(1)->MinTime(3.0)->UseRealTime();
