// Signing a typical status update: the signature base string and the HMAC-SHA1 signature,
// beside OpenSSL's HMAC-SHA1 of the same key and text (the floor).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <string>

#include "oauth/OAuth.h"

namespace {

struct StatusUpdate {
    StatusUpdate() {
        signer.ConsumerSecret.Assign("kd94hf93k423kf44LmQ0rT7yU8iO9pA1sD2f");
        signer.TokenSecret.Assign("pfkkdhi9sl3r4s00ZxCvBnM1qW2eR3tY4uI5o");
        params.Assign("oauth_consumer_key", "dpf43f3p2l4k3l03Zx9Qw");
        params.Assign("oauth_nonce", "kllo9940pd93");
        params.Assign("oauth_signature_method", "HMAC-SHA1");
        params.Assign("oauth_timestamp", "1318622958");
        params.Assign("oauth_token", "14785507-nnch734d00sl2jdkQwErTyUiOp");
        params.Assign("oauth_version", "1.0");
        params.Assign("status",
                      "Reading the timelines over breakfast: caf\xC3\xA9, toast & the news "
                      "from @warbler_demo #xml");
        url = "http://api.twitter.com/1/statuses/update.xml";
    }
    COAuth signer;
    ParameterMap params;
    CZelString url;
};

void BuildAndSign(benchmark::State& state) {
    StatusUpdate update;
    for (auto _ : state) {
        CZelString base =
            COAuth::BuildBaseString("POST", update.url, COAuth::NormalizeParameters(update.params));
        CZelString signature = update.signer.ComputeSignature(base);
        benchmark::DoNotOptimize(signature.c_str());
    }
    state.SetItemsProcessed(state.iterations());
}

void OwnHmacOnly(benchmark::State& state) {
    StatusUpdate update;
    CZelString base =
        COAuth::BuildBaseString("POST", update.url, COAuth::NormalizeParameters(update.params));
    for (auto _ : state) benchmark::DoNotOptimize(update.signer.ComputeSignature(base).c_str());
    state.SetItemsProcessed(state.iterations());
}

void OpenSslHmac(benchmark::State& state) {
    StatusUpdate update;
    CZelString base =
        COAuth::BuildBaseString("POST", update.url, COAuth::NormalizeParameters(update.params));
    std::string key = COAuth::PercentEncode(update.signer.ConsumerSecret.View()) + "&" +
                      COAuth::PercentEncode(update.signer.TokenSecret.View());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    for (auto _ : state) {
        HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()),
             reinterpret_cast<const unsigned char*>(base.c_str()), base.Length(), digest, &length);
        benchmark::DoNotOptimize(digest);
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BuildAndSign);
BENCHMARK(OwnHmacOnly);
BENCHMARK(OpenSslHmac);
