// A caller's parameter text and URL through parsing, normalisation, the HTTP engine's split into
// host, port and path, and the Authorization line: the line stays one header line whatever the
// bytes, and a host never takes in the path.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/ZelHttpEx.h"
#include "oauth/OAuth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t split = text.find('\n');
    CZelString parameters(text.substr(0, split).c_str());
    CZelString url(split == std::string::npos ? "http://h/a" : text.substr(split + 1).c_str());
    ParameterMap params;
    COAuth::ParseParameters(parameters, params);
    COAuth::BuildBaseString("POST", COAuth::NormalizeUrl(url), COAuth::NormalizeParameters(params));
    COAuth::FormString(params);
    if (CZelHttpEx::SplitUrl(url).host.Contains("/", true))
        __builtin_trap();
    std::string line = COAuth::AuthorizationLine("Twitter API", params).Str();
    if (line.find('\r') != line.size() - 2 || line.find('\n') != line.size() - 1)
        __builtin_trap();  // one line, ended once
    return 0;
}
