#include "oauth/OAuth.h"

#include <algorithm>
#include <array>
#include <vector>

#include "common/ResultCodes.h"
#include "oauth/HmacSha1.h"
#include "oauth/UrlEncode.h"
#include "oauth/ZelBase64.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/ProcessId.h"
#include "platform/UrlEscape.h"

namespace {

int64_t SystemTime() {
    return platform::UnixTime();
}

// Each object draws its nonces from a generator of its own, seeded from the system's entropy as
// well as the time: objects created in the same second must not repeat each other's nonces,
// which a provider would refuse as replays.
std::mt19937 SeededGenerator() {
    std::random_device entropy;
    std::seed_seq seed{entropy(), entropy(), static_cast<unsigned>(platform::UnixTime())};
    return std::mt19937(seed);
}

// A value is written as it is when it holds printable ASCII other than quote, backslash and
// percent sign only: anything else could break the header line, or a server would decode it to
// something else.
constexpr std::array<bool, 256> kPlainInValue = [] {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b <= 0x7E; ++b) plain[b] = b != '"' && b != '\\' && b != '%';
    return plain;
}();

bool PlainInValue(const std::string& value) {
    for (char ch : value)
        if (!kPlainInValue[static_cast<unsigned char>(ch)])
            return false;
    return true;
}

}  // namespace

COAuth::COAuth()
    : CZelBase("COAuth"),
      Clock(&SystemTime),
      Random([this] { return Draw(); }),
      generator_(SeededGenerator()),
      seededIn_(platform::ProcessId()) {}

// A forked child holds a copy of its parent's generator: it draws anew rather than repeat the
// parent's nonces, which a provider would refuse as replays.
uint32_t COAuth::Draw() {
    if (uint32_t process = platform::ProcessId(); process != seededIn_) {
        generator_ = SeededGenerator();
        seededIn_ = process;
    }
    return generator_();
}

COAuth::~COAuth() {
    if (Http.IsInitialized())
        Http.Shutdown();
}

void COAuth::SetLogFile(const char* path) {
    CZelBase::SetLogFile(path);
    Http.SetLogFile(path);
}

std::string COAuth::PercentEncode(std::string_view text) {
    return OAuthEncoded(text);
}

std::string COAuth::FormEncode(std::string_view text) {
    return UrlEncoded(text);
}

// Pairs sort as whole "name=value" texts. That is the names' own order unless a name is the start
// of the next one and the longer goes on with a byte up to '=' ("a-b" sorts before "a"): only
// then are the pairs built apart and sorted.
CZelString COAuth::NormalizeParameters(const ParameterMap& params) {
    bool namesInPairOrder = true;
    size_t total = 0;
    const std::string* previous = nullptr;
    for (const auto& [name, value] : params) {
        if (previous != nullptr && name.size() > previous->size() &&
            name.compare(0, previous->size(), *previous) == 0 &&
            static_cast<unsigned char>(name[previous->size()]) <= '=')
            namesInPairOrder = false;
        previous = &name;
        total += name.size() + 2 + value.size() + value.size() / 2;
    }
    std::string joined;
    joined.reserve(total);
    if (namesInPairOrder) {
        for (const auto& [name, value] : params) {
            if (!joined.empty())
                joined += '&';
            joined.append(name).append(1, '=');
            AppendOAuthEncoded(joined, value);
        }
        return CZelString(std::move(joined));
    }
    std::vector<std::string> pairs;
    pairs.reserve(params.Size());
    for (const auto& [name, value] : params) {
        std::string pair = name + '=';
        AppendOAuthEncoded(pair, value);
        pairs.push_back(std::move(pair));
    }
    std::sort(pairs.begin(), pairs.end());
    for (const auto& pair : pairs) {
        if (!joined.empty())
            joined += '&';
        joined += pair;
    }
    return CZelString(std::move(joined));
}

CZelString COAuth::FormString(const ParameterMap& params) {
    std::string form;
    for (const auto& [name, value] : params) {
        if (!form.empty())
            form += '&';
        form += name + "=" + FormEncode(value);
    }
    return CZelString(form);
}

void COAuth::ParseParameters(CZelString text, ParameterMap& params) {
    params.Clear();
    std::string_view all = text.View();
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('&', start);
        std::string_view field =
            all.substr(start, end == std::string_view::npos ? end : end - start);
        if (field.empty())
            break;  // fields after the first empty one are not taken
        size_t eq = field.find('=');
        std::string name(field.substr(0, eq));
        std::string value;
        if (eq != std::string_view::npos) {
            std::string_view rest = field.substr(eq + 1);
            value = rest.substr(0, rest.find('='));
        }
        params.Assign(name, value);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

CZelString COAuth::NormalizeUrl(const CZelString& url) {
    std::string_view all = url.View();
    size_t sep = all.find("://");
    std::string_view scheme =
        sep == std::string_view::npos ? std::string_view{} : all.substr(0, sep);
    std::string_view rest = sep == std::string_view::npos ? all : all.substr(sep + 3);
    rest = rest.substr(0, rest.find("://"));
    size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    std::string_view path =
        slash == std::string_view::npos ? std::string_view{} : rest.substr(slash);
    path = path.substr(0, path.find('?'));
    size_t colon = authority.find(':');
    std::string_view host = authority.substr(0, colon);
    std::string_view port;
    if (colon != std::string_view::npos) {
        std::string_view after = authority.substr(colon + 1);
        port = after.substr(0, after.find(':'));
    }
    if ((port == "80" && scheme == "http") || (port == "443" && scheme == "https"))
        port = {};
    if (scheme.empty())
        scheme = "http";
    std::string out;
    out.reserve(scheme.size() + host.size() + port.size() + path.size() + 6);
    auto appendLower = [&out](std::string_view text) {
        for (char c : text) out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    appendLower(scheme);
    out.append("://");
    appendLower(host);
    if (!port.empty())
        out.append(port[0] != ':' ? ":" : "").append(port);
    // The path as it goes on the wire: what is signed is what the service receives.
    if (!path.empty())
        out.append(path[0] != '/' ? "/" : "");
    platform::AppendEscapedPath(out, path);
    return CZelString(std::move(out));
}

CZelString COAuth::GenerateNonce() {
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string nonce(12, ' ');
    for (char& ch : nonce) ch = kAlphabet[Random() % 62];
    return CZelString(nonce);
}

CZelString COAuth::Timestamp() const {
    return CZelString(std::to_string(static_cast<int32_t>(Clock())));
}

CZelString COAuth::BuildBaseString(const char* method, const CZelString& url,
                                   const CZelString& params) {
    std::string base;
    base.reserve(16 + (url.Length() + params.Length()) * 3 / 2);
    base.append(method).append(1, '&');
    AppendOAuthEncoded(base, url.View());
    base.append(1, '&');
    AppendOAuthEncoded(base, params.View());
    return CZelString(std::move(base));
}

CZelString COAuth::ComputeSignature(const CZelString& base) const {
    std::string key;
    key.reserve(ConsumerSecret.Length() + TokenSecret.Length() + 16);
    AppendOAuthEncoded(key, ConsumerSecret.View());
    key.append(1, '&');
    AppendOAuthEncoded(key, TokenSecret.View());
    uint8_t digest[20];
    CHmacSha1 hmac;
    hmac.Compute(reinterpret_cast<const uint8_t*>(base.c_str()),
                 static_cast<uint32_t>(base.Length()), reinterpret_cast<const uint8_t*>(key.data()),
                 static_cast<int32_t>(key.size()), digest);
    char encoded[CZelBase64::EncodedLength(sizeof digest)];
    size_t length = CZelBase64::EncodeTo(digest, sizeof digest, encoded);
    std::string signature;
    signature.reserve(length + 8);  // '+', '/' and '=' take three bytes each
    AppendOAuthEncoded(signature, std::string_view(encoded, length));
    return CZelString(std::move(signature));
}

CZelString COAuth::AuthorizationLine(const CZelString& realm, const ParameterMap& params) {
    size_t length = 32 + realm.Length();
    for (const auto& [name, value] : params) length += name.size() + value.size() + 6;
    std::string line;
    line.reserve(length + length / 4);
    line.append("Authorization: OAuth realm=\"").append(realm.Str()).append(1, '"');
    for (const auto& [name, value] : params) {
        bool encode = !PlainInValue(value) && name != "oauth_signature";
        line.append(", ");
        // A name of unreserved characters comes out as it is; any other byte (a quote, a comma,
        // a line break) could end the field or the line, or plant another field.
        AppendOAuthEncoded(line, name);
        line.append("=\"");
        if (encode)
            AppendOAuthEncoded(line, value);
        else
            line.append(value);
        line.append(1, '"');
    }
    line.append("\r\n");
    return CZelString(std::move(line));
}

int32_t COAuth::EnsureHttp() {
    if (Http.IsInitialized())
        return 0;
    Log(LOG_VERBATIM, "Initializing HttpEx");
    return Http.Initialize();
}

int32_t COAuth::JudgeStatus(int32_t result) const {
    if (Http.LastStatusCode == 401)
        return rc::Unauthorized;
    if (Http.LastStatusCode != 200 && result == 0)
        return rc::UnexpectedStatus;
    return result;
}

int32_t COAuth::MakeAuthRequest(const CZelString& url, uint32_t post, ParameterMap protocol,
                                ParameterMap request, CZelString& response) {
    int32_t result = EnsureHttp();
    if (result == 0) {
        if (ConsumerKey.IsEmpty())
            result = rc::NoConsumerKey;
        if (ConsumerSecret.IsEmpty())
            result = rc::NoConsumerSecret;
    }
    if (result == 0) {
        protocol.Reserve(protocol.Size() + request.Size() + 7);
        protocol.Assign("oauth_consumer_key", ConsumerKey.Str());
        protocol.Assign("oauth_signature_method", SignatureMethod.Str());
        protocol.Assign("oauth_timestamp", Timestamp().Str());
        protocol.Assign("oauth_nonce", GenerateNonce().Str());
        protocol.Assign("oauth_version", "1.0");
        if (!Token.IsEmpty())
            protocol.Assign("oauth_token", Token.Str());
        for (const auto& [name, value] : request) protocol.Insert(name, value);

        CZelString params = NormalizeParameters(protocol);
        CZelString normalized = NormalizeUrl(url);
        const char* method = post != 0 ? "POST" : "GET";
        protocol.Assign("oauth_signature",
                        ComputeSignature(BuildBaseString(method, normalized, params)).Str());
        Http.ExtraHeaders = AuthorizationLine(Realm, protocol);
        CZelString form = FormString(request);
        if (post != 0) {
            Log(LOG_VERBATIM, "OAuth signed request posted to: [%s]",
                platform::Utf8ToAnsi(normalized.View()).c_str());
            result = Http.Post(normalized, form, response);
        } else {
            Log(LOG_VERBATIM, "OAuth signed get request to: [%s]",
                platform::Utf8ToAnsi(normalized.View()).c_str());
            CZelString target = std::move(normalized);
            if (!form.IsEmpty()) {
                target.Append('?');
                target.Append(form);
            }
            result = Http.Get(target, response);
        }
        result = JudgeStatus(result);
    }
    Http.ExtraHeaders.Assign("");
    return result;
}

int32_t COAuth::MakeSignedRequest(const CZelString& url, uint32_t post, ParameterMap request,
                                  CZelString& response) {
    int32_t result = 0;
    if (Token.IsEmpty())
        result = rc::NoToken;
    if (TokenSecret.IsEmpty())
        result = rc::NoTokenSecret;
    if (result != 0)
        return result;
    return MakeAuthRequest(url, post, ParameterMap{}, std::move(request), response);
}

int32_t COAuth::MakeUnsignedRequest(const CZelString& url, uint32_t post, ParameterMap request,
                                    CZelString& response) {
    int32_t result = EnsureHttp();
    if (result != 0)
        return result;
    CZelString form = FormString(request);
    if (post != 0) {
        Log(LOG_VERBATIM, "OAuth unsigned request posted to: [%s]",
            platform::Utf8ToAnsi(url.View()).c_str());
        result = Http.Post(url, form, response);
    } else {
        Log(LOG_VERBATIM, "OAuth unsigned get request to: [%s]",
            platform::Utf8ToAnsi(url.View()).c_str());
        CZelString target = url;
        target.Append('?');
        target.Append(form);
        result = Http.Get(target, response);
    }
    return JudgeStatus(result);
}

int32_t COAuth::StoreTokenReply(const CZelString& reply) {
    ParameterMap fields;
    ParseParameters(reply, fields);
    const std::string* token = fields.Find("oauth_token");
    const std::string* secret = fields.Find("oauth_token_secret");
    Token.Assign(token != nullptr ? token->c_str() : "");
    TokenSecret.Assign(secret != nullptr ? secret->c_str() : "");
    return token != nullptr && secret != nullptr ? 0 : rc::NoTokenReply;
}

int32_t COAuth::GetRequestToken(CZelString& authorizeUrl, const char* callback) {
    Token.Assign("");
    TokenSecret.Assign("");
    ParameterMap protocol;
    protocol.Assign("oauth_callback", callback != nullptr && *callback != 0 ? callback : "oob");
    CZelString reply;
    int32_t result =
        MakeAuthRequest(RequestTokenUrl, 0, std::move(protocol), ParameterMap{}, reply);
    if (result != 0)
        return result;
    result = StoreTokenReply(reply);
    authorizeUrl = AuthorizeUrl;
    authorizeUrl.Append('?');
    authorizeUrl.Append(reply);
    return result;
}

int32_t COAuth::GetAccessToken(const char* verifier) {
    TokenSecret.Assign("");
    if (Token.IsEmpty())
        return rc::NoToken;
    ParameterMap protocol;
    protocol.Assign("oauth_verifier", verifier != nullptr ? verifier : "");
    CZelString reply;
    int32_t result = MakeAuthRequest(AccessTokenUrl, 0, std::move(protocol), ParameterMap{}, reply);
    if (result != 0)
        return result;
    return StoreTokenReply(reply);
}
