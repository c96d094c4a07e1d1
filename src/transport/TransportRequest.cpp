#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/LastError.h"
#include "transport/TransportHandles.h"

namespace {

// A reply larger than this is refused rather than allowed to exhaust memory.
constexpr size_t kMaxBody = size_t{1} << 30;

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<TransportRequest*>(user);
    size_t length = size * count;
    std::string_view line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    ResponseHead& head = request->incoming;
    if (line.substr(0, 5) == "HTTP/") {
        // A new block: an interim, proxy CONNECT or authentication round came before it.
        head = ResponseHead{};
        size_t sp1 = line.find(' ');
        head.version = line.substr(0, sp1);
        if (sp1 != std::string_view::npos) {
            head.status = static_cast<uint32_t>(
                std::strtoul(std::string(line.substr(sp1 + 1, 3)).c_str(), nullptr, 10));
            size_t sp2 = line.find(' ', sp1 + 1);
            if (sp2 != std::string_view::npos)
                head.reason = line.substr(sp2 + 1);
        }
    } else if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !head.headers.empty()) {
        std::string_view more = line.substr(line.find_first_not_of(" \t"));
        head.headers.back().second.append(" ").append(more);
    } else if (size_t colon = line.find(':'); colon != std::string_view::npos) {
        size_t start = line.find_first_not_of(" \t", colon + 1);
        head.headers.emplace_back(line.substr(0, colon), start == std::string_view::npos
                                                             ? std::string_view{}
                                                             : line.substr(start));
    }
    return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<TransportRequest*>(user);
    size_t length = size * count;
    if (request->body.size() + length > kMaxBody) {
        request->bodyTooLarge = true;
        return 0;
    }
    request->body.append(data, length);
    return length;
}

long CurlAuthOf(uint32_t scheme) {
    switch (scheme) {
        case 1:
            return CURLAUTH_BASIC;
        case 2:
            return CURLAUTH_NTLM;
        case 8:
            return CURLAUTH_DIGEST;
        case 16:
            return CURLAUTH_NEGOTIATE;
        default:
            return CURLAUTH_NONE;
    }
}

uint32_t WinHttpErrorOf(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ERROR_WINHTTP_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT:
            return ERROR_WINHTTP_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT:
            return ERROR_WINHTTP_TIMEOUT;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_CLIENTCERT:
            return ERROR_WINHTTP_SECURE_FAILURE;
        default:
            return ERROR_WINHTTP_CONNECTION_ERROR;
    }
}

std::string BuildUrl(const TransportRequest& request) {
    const TransportConnection& connection = *request.connection;
    std::string host = connection.host;
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = "[" + host + "]";
    std::string object =
        request.object.empty() || request.object[0] != '/' ? "/" + request.object : request.object;
    uint16_t port = connection.port != 0 ? connection.port : (request.secure ? 443 : 80);
    return std::string(request.secure ? "https://" : "http://") + host + ":" +
           std::to_string(port) + object;
}

// The options that stay for the life of a connection: set again only when the session's
// settings changed. Resetting the handle per request would cost as much as a small request.
void Configure(TransportConnection& connection) {
    const TransportSession& session = *connection.session;
    if (connection.configured && connection.appliedVersion == session.settingsVersion)
        return;
    CURL* easy = connection.easy.get();
    curl_easy_reset(easy);  // keeps the handle's live connections
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
    if (!session.userAgent.empty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, session.userAgent.c_str());
    std::string proxy = session.proxy;
    if (session.accessType == 3 && !proxy.empty()) {
        if (proxy.find("://") == std::string::npos)
            proxy = "http://" + proxy;
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
    } else if (session.accessType == 1) {
        curl_easy_setopt(easy, CURLOPT_PROXY, "");  // no proxy, whatever the environment says
    }
    int connectMs = std::max(session.resolveTimeoutMs, session.connectTimeoutMs);
    if (connectMs > 0)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectMs));
    // A receive time-out is a longest silence, which libcurl expresses as a lowest speed.
    if (session.receiveTimeoutMs > 0) {
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>((session.receiveTimeoutMs + 999) / 1000));
    }
    // libcurl on Debian ignores SSL_CERT_FILE; a test or a site CA bundle is named through it.
    if (const char* caFile = std::getenv("SSL_CERT_FILE"); caFile != nullptr && *caFile != 0)
        curl_easy_setopt(easy, CURLOPT_CAINFO, caFile);
    connection.configured = true;
    connection.appliedVersion = session.settingsVersion;
}

void ApplyCredentials(CURL* easy, const Credentials& server, const Credentials& proxy) {
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH,
                     server.scheme != 0 ? CurlAuthOf(server.scheme) : CURLAUTH_BASIC);
    curl_easy_setopt(easy, CURLOPT_USERNAME, server.scheme != 0 ? server.user.c_str() : nullptr);
    curl_easy_setopt(easy, CURLOPT_PASSWORD,
                     server.scheme != 0 ? server.password.c_str() : nullptr);
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH,
                     proxy.scheme != 0 ? CurlAuthOf(proxy.scheme) : CURLAUTH_BASIC);
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxy.scheme != 0 ? proxy.user.c_str() : nullptr);
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD,
                     proxy.scheme != 0 ? proxy.password.c_str() : nullptr);
}

}  // namespace

bool TransportRequest::Send(const std::string& extraHeaders, const char* bodyData,
                            size_t bodyLength, uint32_t* error) {
    CURL* easy = connection->easy.get();
    if (easy == nullptr) {
        *error = ERROR_WINHTTP_INTERNAL_ERROR;
        return false;
    }
    Configure(*connection);
    responded = false;
    incoming = ResponseHead{};
    body.clear();
    readOffset = 0;
    bodyTooLarge = false;

    std::string url = BuildUrl(*this);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);

    CurlList headerList;
    auto addHeader = [&headerList](const std::string& line) {
        curl_slist* grown = curl_slist_append(headerList.get(), line.c_str());
        if (grown != nullptr) {
            (void)headerList.release();
            headerList.reset(grown);
        }
    };
    size_t start = 0;
    while (start < extraHeaders.size()) {
        size_t end = extraHeaders.find("\r\n", start);
        if (end == std::string::npos)
            end = extraHeaders.size();
        if (end > start)
            addHeader(extraHeaders.substr(start, end - start));
        start = end + 2;
    }
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
    if (verb == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (verb == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        addHeader("Expect:");  // the body goes at once, without waiting for 100 Continue
        curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodyLength));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, bodyLength > 0 ? bodyData : "");
        if (verb != "POST")
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList.get());
    ApplyCredentials(easy, credentials[0], credentials[1]);

    CURLcode code = curl_easy_perform(easy);
    long connectCode = 0;
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
    if (code != CURLE_OK && !(connectCode == 407 && incoming.status == 407)) {
        *error = bodyTooLarge ? ERROR_WINHTTP_CONNECTION_ERROR : WinHttpErrorOf(code);
        body.clear();
        return false;
    }
    // A proxy's 407 to CONNECT ends the transfer with an error; it stands as the response so
    // that the proxy credentials can be retried as for plain HTTP.
    head = std::move(incoming);
    responded = true;
    return true;
}

bool TransportRequest::FindHeader(const char* name, std::string& value) const {
    bool found = false;
    for (const auto& [headerName, headerValue] : head.headers) {
        if (strcasecmp(headerName.c_str(), name) != 0)
            continue;
        value = found ? value + ", " + headerValue : headerValue;
        found = true;
    }
    return found;
}
