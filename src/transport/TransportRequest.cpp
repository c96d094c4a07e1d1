#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "platform/Clock.h"
#include "platform/LastError.h"
#include "platform/UrlEscape.h"
#include "transport/TransportRequest.h"

namespace {

// A reply larger than this is refused rather than allowed to exhaust memory.
constexpr size_t kMaxBody = size_t{1} << 30;
// The largest body buffer a connection keeps for its next request.
constexpr size_t kKeptBody = size_t{1} << 20;

// WinHTTP's default limit on the size of a response head.
constexpr size_t kMaxHead = size_t{64} << 10;

// Returning less than it was given stops the transfer; an exception must not cross libcurl.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<TransportRequest*>(user);
    size_t length = size * count;
    request->activity = true;
    std::string_view line(data, length);
    if (line.substr(0, 5) == "HTTP/")
        request->headComplete = false;  // a new block began
    try {
        // Before the request goes out, a block is a proxy's answer to CONNECT: it stands as the
        // response only when it refuses the tunnel, which Receive decides.
        if (ParseHeaderLine(request->incoming, line) && request->requestStarted)
            request->headComplete = request->incoming.status >= 200;  // not an interim (1xx) head
    } catch (const std::bad_alloc&) {
        request->refused = ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    request->incoming.bytes += length;
    if (request->incoming.bytes > kMaxHead) {
        request->refused = ERROR_WINHTTP_HEADER_SIZE_OVERFLOW;
        return 0;
    }
    return length;
}

// RFC 9110's idempotent methods: sending one of them twice does what sending it once does.
bool Idempotent(const std::string& verb) {
    return verb == "GET" || verb == "HEAD" || verb == "PUT" || verb == "DELETE" ||
           verb == "OPTIONS" || verb == "TRACE";
}

// Called once the connection (and a proxy's tunnel, and TLS) stands, before the request is sent:
// what came before is the tunnel's, and the request bytes counted so far are the CONNECT's.
int OnRequestStart(void* user, char*, char*, int, int) {
    auto* request = static_cast<TransportRequest*>(user);
    // libcurl sends a request again on a new connection when the reused one closes before any
    // answer; the server may have read it and acted (a post published twice). A request that is
    // not idempotent fails instead.
    if (request->requestStarted && request->incoming.status == 0 && !Idempotent(request->verb)) {
        request->refused = ERROR_WINHTTP_CONNECTION_ERROR;
        return CURL_PREREQFUNC_ABORT;
    }
    request->requestStarted = true;
    request->incoming.Reset();
    request->headComplete = false;
    curl_easy_getinfo(request->connection->easy.get(), CURLINFO_REQUEST_SIZE,
                      &request->tunnelRequestBytes);
    return CURL_PREREQFUNC_OK;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<TransportRequest*>(user);
    size_t length = size * count;
    request->activity = true;
    request->bodyStarted = true;
    // What was read already is dropped rather than kept: the body is held until it is read.
    if (request->readOffset == request->body.size()) {
        request->body.clear();
        request->readOffset = 0;
    }
    if (request->body.size() - request->readOffset + length > kMaxBody) {
        request->refused = ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    try {
        if (request->body.empty()) {
            curl_off_t expected = -1;
            CURL* easy = request->connection->easy.get();
            if (curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected) ==
                    CURLE_OK &&
                expected > 0)
                // The reader takes the body as it comes: room for all of a large one would
                // only be held.
                request->body.reserve(std::min(static_cast<size_t>(expected), kKeptBody));
        }
        request->body.append(data, length);
    } catch (const std::bad_alloc&) {
        request->refused = ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
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

// A transfer that failed after its head arrived: the body stops there.
uint32_t BodyErrorOf(CURLcode code) {
    return code == CURLE_OPERATION_TIMEDOUT ? ERROR_WINHTTP_TIMEOUT
                                            : ERROR_WINHTTP_CONNECTION_ERROR;
}

bool Proxied(const TransportSession& session) {
    return session.accessType == 3 && !session.proxy.empty();
}

// The request line's target into target: the path as the caller gave it (no dot segment taken
// out, a trailing '?' kept), with the bytes WinHTTP escapes escaped ('#' among them, so that
// libcurl's parser takes no fragment and a Digest answer signs this path); a plain request
// through a proxy names the whole URL. The URL for libcurl into url: the same.
void BuildTarget(const TransportRequest& request, std::string& url, std::string& target) {
    const TransportConnection& connection = *request.connection;
    const std::string& host = connection.host;
    bool bracket = host.find(':') != std::string::npos && host.front() != '[';
    uint16_t defaultPort = request.secure ? 443 : 80;
    uint16_t port = connection.port != 0 ? connection.port : defaultPort;
    url.clear();
    url.append(request.secure ? "https://" : "http://");
    url.append(bracket ? "[" : "").append(host).append(bracket ? "]" : "");
    if (port != defaultPort)
        url.append(1, ':').append(std::to_string(port));
    target.clear();
    if (!request.secure && Proxied(*connection.session))
        target.append(url);
    size_t path = target.size();
    if (request.object.empty() || request.object[0] != '/')
        target.append(1, '/');
    // Unsafe bytes are escaped as WinHTTP escapes them without WINHTTP_FLAG_ESCAPE_DISABLE,
    // which the engine never passes.
    platform::AppendEscapedPath(target, request.object);
    url.append(std::string_view(target).substr(path));
}

// A proxy named without a port is reached on 80, as WinHTTP does (libcurl would take 1080).
std::string ProxyUrl(std::string proxy) {
    if (proxy.find("://") == std::string::npos)
        proxy = "http://" + proxy;
    size_t hostStart = proxy.find("://") + 3;
    size_t at = proxy.find('@', hostStart);
    if (at != std::string::npos)
        hostStart = at + 1;
    std::string_view rest = std::string_view(proxy).substr(hostStart);
    size_t portColon = rest.front() == '[' ? rest.find("]:") : rest.find(':');
    if (portColon == std::string_view::npos)
        proxy += ":80";
    return proxy;
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
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &OnRequestStart);
    if (session.cookies) {
        curl_easy_setopt(easy, CURLOPT_SHARE, session.cookies.get());
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // the cookie engine, from no file
    }
    if (!session.userAgent.empty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, session.userAgent.c_str());
    if (Proxied(session)) {
        curl_easy_setopt(easy, CURLOPT_PROXY, ProxyUrl(session.proxy).c_str());
    } else if (session.accessType == 1) {
        curl_easy_setopt(easy, CURLOPT_PROXY, "");  // no proxy, whatever the environment says
    }
    int connectMs = std::max(session.resolveTimeoutMs, session.connectTimeoutMs);
    if (connectMs > 0)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectMs));
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

// Set from a signal handler (SIGINT in a script): lock-free, so that storing it there is safe.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

void TransportRequest::Interrupt(bool on) {
    gInterrupted.store(on, std::memory_order_relaxed);
}

TransportRequest::~TransportRequest() {
    Detach();
    if (body.capacity() <= kKeptBody && body.capacity() > connection->spareBody.capacity()) {
        body.clear();
        connection->spareBody.swap(body);
    }
}

// Takes the easy handle out of a transfer this request started and did not finish: the
// connection cannot be reused then, and libcurl closes it.
void TransportRequest::Detach() {
    if (connection->active == this) {
        curl_multi_remove_handle(connection->multi.get(), connection->easy.get());
        connection->active = nullptr;
    }
    running_ = false;
}

void TransportRequest::Finish(uint32_t error) {
    Detach();
    finished_ = true;
    if (error != 0 && bodyError_ == 0)
        bodyError_ = error;
}

bool TransportRequest::Pump(bool (TransportRequest::*ready)() const, int silenceMs,
                            uint32_t totalMs) {
    CURLM* multi = connection->multi.get();
    const uint32_t started = platform::SystemTicks();
    // The transfer moves at least once: what a finished transfer left in the handle's counters
    // (the request size) says nothing of this one until it has run.
    for (bool first = true; running_ && (first || !(this->*ready)()); first = false) {
        if (gInterrupted.load(std::memory_order_relaxed)) {
            reason = "interrupted";
            refused = ERROR_WINHTTP_OPERATION_CANCELLED;
            Detach();
            return false;
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == connection->easy.get()) {
                result_ = message->data.result;
                Finish(0);
            }
        }
        if (!running_ || (this->*ready)())
            break;
        // The clock is read only before a wait, not for every piece of data.
        if (silenceMs > 0 || totalMs > 0) {
            uint32_t now = platform::SystemTicks();
            if (activity) {
                lastActivityMs = now;
                activity = false;
            } else if (silenceMs > 0 && now - lastActivityMs > static_cast<uint32_t>(silenceMs)) {
                reason = "nothing came for " + std::to_string(silenceMs) + " ms";
                Detach();
                return false;
            }
            if (totalMs > 0 && now - started > totalMs) {
                reason = "the response head took longer than " + std::to_string(totalMs) + " ms";
                Detach();
                return false;
            }
        }
        // A wait that a socket ends is a packet, as WinHTTP times its waits: a head that comes a
        // byte at a time is alive, though libcurl hands over whole lines only.
        int signalled = 0;
        curl_multi_poll(multi, nullptr, 0, 50, &signalled);
        if (signalled > 0)
            activity = true;
    }
    return true;
}

uint32_t TransportRequest::PumpFailure() const {
    return refused == ERROR_WINHTTP_OPERATION_CANCELLED ? refused : ERROR_WINHTTP_TIMEOUT;
}

uint32_t TransportRequest::Failure(uint32_t (*of)(CURLcode)) {
    // libcurl refuses a head line beyond its own limit (100 KiB) as if memory ran out, before
    // the head callback sees it: WinHTTP's limit is lower, and it says the head is too large.
    if (result_ == CURLE_OUT_OF_MEMORY && !headComplete && refused == 0)
        refused = ERROR_WINHTTP_HEADER_SIZE_OVERFLOW;
    if (refused == ERROR_WINHTTP_HEADER_SIZE_OVERFLOW)
        reason = "the response head is larger than 64 KiB";
    else if (refused == ERROR_WINHTTP_OPERATION_CANCELLED)
        reason = "interrupted";
    else if (refused == ERROR_WINHTTP_CONNECTION_ERROR)
        reason = "the connection closed before any answer came; the " + verb +
                 " was not re-sent, as the server may have carried it out";
    else if (refused != 0)
        reason = "no memory for what came";
    else
        reason = curlError[0] != 0 ? curlError : curl_easy_strerror(result_);
    return refused != 0 ? refused : of(result_);
}

bool TransportRequest::RequestWritten() const {
    if (!requestStarted)
        return false;  // the counters are a CONNECT request's, if any
    curl_off_t uploaded = 0;
    long requestSize = 0;
    CURL* easy = connection->easy.get();
    curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &requestSize);
    curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
    return (requestSize > tunnelRequestBytes && static_cast<size_t>(uploaded) >= bodyLength_) ||
           !incoming.Version().empty();
}

// A 401 or 407 head may be one that libcurl answers itself (a Digest round): it stands only when
// its body begins or the transfer ends.
bool TransportRequest::HeadArrived() const {
    if (!headComplete)
        return false;
    bool challenge = incoming.status == 401 || incoming.status == 407;
    return !challenge || bodyStarted;
}

bool TransportRequest::BodyBuffered() const {
    return body.size() > readOffset;
}

void TransportRequest::PrepareTransfer(size_t bodyLength) {
    CURL* easy = connection->easy.get();
    // A request of the same connection still in transfer gives the handle up.
    if (connection->active != nullptr && connection->active != this)
        connection->active->Detach();
    Detach();
    Configure(*connection);
    responded = false;
    incoming.Reset();
    headComplete = bodyStarted = finished_ = false;
    result_ = CURLE_OK;
    bodyError_ = 0;
    connectRefused_ = false;
    refused = 0;
    if (body.capacity() < connection->spareBody.capacity())
        body.swap(connection->spareBody);
    body.clear();
    readOffset = 0;
    bodyLength_ = bodyLength;

    // libcurl copies the URL it is given, and reads the target from the connection's buffer.
    BuildTarget(*this, connection->urlText, connection->targetText);
    curl_easy_setopt(easy, CURLOPT_URL, connection->urlText.c_str());
    curl_easy_setopt(easy, CURLOPT_REQUEST_TARGET, connection->targetText.c_str());
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
    curlError[0] = 0;
    reason.clear();
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, curlError);
    requestStarted = false;
    tunnelRequestBytes = 0;
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
}

void TransportRequest::SetMethodAndHeaders(const std::string& extraHeaders, const char* bodyData,
                                           size_t bodyLength) {
    CURL* easy = connection->easy.get();
    // The header lines, each ended by a zero, with the list libcurl reads them from: in the
    // connection's buffers, which the transfer holds alone until the next request is sent.
    std::string& lines = connection->headerLines;
    lines.clear();
    auto addHeader = [&lines](std::string_view line) { lines.append(line).append(1, '\0'); };
    addHeader("Accept:");  // WinHTTP with the default accept types sends none
    if (refresh) {
        addHeader("Pragma: no-cache");
        addHeader("Cache-Control: no-cache");
    }
    size_t start = 0;
    while (start < extraHeaders.size()) {
        size_t end = extraHeaders.find("\r\n", start);
        if (end == std::string::npos)
            end = extraHeaders.size();
        if (end > start)
            addHeader(std::string_view(extraHeaders).substr(start, end - start));
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
        curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, bodyLength > 0 ? bodyData : "");
        if (verb != "POST")
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
    std::vector<curl_slist>& nodes = connection->headerNodes;
    nodes.clear();
    for (size_t at = 0; at < lines.size(); at = lines.find('\0', at) + 1)
        nodes.push_back(curl_slist{lines.data() + at, nullptr});
    for (size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i].next = &nodes[i + 1];
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nodes.data());
    const Credentials& proxy =
        credentials[1].scheme != 0 ? credentials[1] : connection->session->proxyCredentials;
    ApplyCredentials(easy, credentials[0], proxy);
}

bool TransportRequest::Send(const std::string& extraHeaders, const char* bodyData,
                            size_t bodyLength, uint32_t* error) {
    CURL* easy = connection->easy.get();
    CURLM* multi = connection->multi.get();
    if (easy == nullptr || multi == nullptr) {
        *error = ERROR_WINHTTP_INTERNAL_ERROR;
        return false;
    }
    PrepareTransfer(bodyLength);
    SetMethodAndHeaders(extraHeaders, bodyData, bodyLength);
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        *error = ERROR_WINHTTP_INTERNAL_ERROR;
        return false;
    }
    connection->active = this;
    running_ = true;
    lastActivityMs = platform::SystemTicks();
    activity = false;
    const TransportSession& session = *connection->session;
    if (!Pump(&TransportRequest::RequestWritten, session.sendTimeoutMs)) {
        *error = PumpFailure();
        return false;
    }
    // Failing before anything was sent is a failure to send; after it, to receive.
    bool tunnelRefused = !requestStarted && incoming.status == 407;
    // A request stopped rather than re-sent may have reached the server: never a failure to send,
    // which the engine would answer by sending it again.
    bool mayHaveArrived = refused == ERROR_WINHTTP_CONNECTION_ERROR;
    if (finished_ && result_ != CURLE_OK && !RequestWritten() && !tunnelRefused &&
        !mayHaveArrived) {
        *error = Failure(&WinHttpErrorOf);
        return false;
    }
    return true;
}

bool TransportRequest::Receive(uint32_t* error) {
    const TransportSession& session = *connection->session;
    if (!Pump(&TransportRequest::HeadArrived, session.receiveTimeoutMs, responseTimeoutMs)) {
        *error = PumpFailure();
        return false;
    }
    // A proxy's 407 to CONNECT ends the transfer with an error; it stands as the response so
    // that the proxy credentials can be retried as for plain HTTP.
    long connectCode = 0;
    curl_easy_getinfo(connection->easy.get(), CURLINFO_HTTP_CONNECTCODE, &connectCode);
    connectRefused_ = connectCode == 407 && incoming.status == 407;
    if (!headComplete && !connectRefused_) {
        reason = "the server's reply is no HTTP response";
        *error = finished_ && result_ != CURLE_OK ? Failure(&WinHttpErrorOf)
                                                  : ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
        if (*error == ERROR_WINHTTP_CANNOT_CONNECT || *error == ERROR_WINHTTP_CONNECTION_ERROR)
            *error = ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
        return false;
    }
    if (finished_ && result_ != CURLE_OK && !connectRefused_)
        bodyError_ = Failure(&BodyErrorOf);
    // The head is complete: lines that may still come (trailers) never joined it.
    std::swap(head, incoming);
    incoming.Reset();
    responded = true;
    // A proxy that accepted the credentials it was sent keeps getting them.
    if (credentials[1].scheme != 0 && head.status != 407)
        connection->session->proxyCredentials = credentials[1];
    return true;
}

bool TransportRequest::Available(size_t* count, uint32_t* error) {
    const TransportSession& session = *connection->session;
    if (!BodyBuffered() && !Pump(&TransportRequest::BodyBuffered, session.receiveTimeoutMs))
        bodyError_ = PumpFailure();
    if (finished_ && result_ != CURLE_OK && bodyError_ == 0 && !connectRefused_)
        bodyError_ = Failure(&BodyErrorOf);
    size_t buffered = body.size() - readOffset;
    if (buffered == 0 && bodyError_ != 0) {
        // The bytes still expected: the failure itself comes from ReadData, as with WinHTTP.
        curl_off_t expected = -1, received = 0;
        curl_easy_getinfo(connection->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
        curl_easy_getinfo(connection->easy.get(), CURLINFO_SIZE_DOWNLOAD_T, &received);
        buffered = expected > received ? static_cast<size_t>(expected - received) : 1;
    }
    (void)error;
    *count = buffered;
    return true;
}

bool TransportRequest::Read(char* buffer, size_t size, size_t* read, uint32_t* error) {
    size_t available = 0;
    if (!BodyBuffered() && bodyError_ == 0)
        Available(&available, error);
    size_t count = std::min(size, body.size() - readOffset);
    if (count == 0 && bodyError_ != 0 && size > 0) {
        *error = bodyError_;
        return false;
    }
    if (count > 0)
        std::memcpy(buffer, body.data() + readOffset, count);
    readOffset += count;
    // All that came is read: a buffer that grew large goes back rather than stay with the handle,
    // which the engine keeps open until the connection's next request.
    if (readOffset == body.size() && body.capacity() > kKeptBody) {
        std::string().swap(body);
        readOffset = 0;
    }
    *read = count;
    return true;
}

bool TransportRequest::FindHeader(const char* name, std::string& value) const {
    for (size_t i = 0; i < head.HeaderCount(); ++i) {
        if (SameName(head.Name(i), name)) {
            value = head.Value(i);
            return true;
        }
    }
    return false;
}
