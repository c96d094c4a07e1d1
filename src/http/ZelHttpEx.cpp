#include "http/ZelHttpEx.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/UrlEscape.h"

namespace {

constexpr int32_t kTimedOut = 10060;
constexpr int32_t kInvalidHostname = 22021;
constexpr int32_t kCannotConnect = 22024;
constexpr int32_t kProxyCredentialsRequired = 22380;
constexpr int32_t kNoBuffer = 22382;
constexpr int32_t kLoadFailed = 22390;
constexpr int32_t kNotLoaded = 22391;
constexpr int32_t kNoSession = 22401;
constexpr int32_t kNoConnection = 22404;
constexpr int32_t kProxyLogonFailed = 22405;
constexpr int32_t kSendFailed = 22406;
constexpr int32_t kNoResponse = 22407;
constexpr int32_t kNoHeader = 22408;
constexpr int32_t kNoAuthSchemes = 22409;
constexpr int32_t kDeadline = 22410;
constexpr int32_t kWebLogonFailed = 22412;
constexpr int32_t kDataSizeFailed = 22413;
constexpr int32_t kHeaderBufferFailed = 22414;
constexpr int32_t kReadFailed = 22415;
constexpr int32_t kSecureFailure = 22450;

// A reply announcing more than this is not believed enough to reserve room for it at once.
constexpr uint32_t kReserveLimit = 64u << 20;
// The most one read asks for: what the transport has buffered may be far more.
constexpr DWORD kReadChunk = 64u << 10;

// The mapped transport failures; anything else becomes the caller's fallback.
int32_t MapLastError(uint32_t error, int32_t fallback) {
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT:
            return kTimedOut;
        case ERROR_WINHTTP_CANNOT_CONNECT:
            return kCannotConnect;
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            return kInvalidHostname;
        case ERROR_WINHTTP_SECURE_FAILURE:
            return kSecureFailure;
        default:
            return fallback;
    }
}

// A proxy named with its credentials ("user:password@host:port", with a scheme or without) as the
// log may show it: the password masked.
std::string WithoutPassword(const CZelString& proxy) {
    std::string text = proxy.Str();
    size_t start = text.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t at = text.rfind('@');
    if (at == std::string::npos || at < start)
        return text;
    size_t colon = text.find(':', start);
    if (colon != std::string::npos && colon < at)
        text.replace(colon + 1, at - colon - 1, "*****");
    return text;
}

}  // namespace

CZelHttpEx::CZelHttpEx() : CZelBase("CZelHttpEx") {}

// Handles are closed by Shutdown, which the owner calls; the cache records die with the list.
CZelHttpEx::~CZelHttpEx() = default;

void CZelHttpEx::SetLogFile(const char* path) {
    CZelBase::SetLogFile(path);
    Binding.SetLogFile(path);
}

int32_t CZelHttpEx::Initialize() {
    if (Initialized == 1)
        return 0;
    if (!Binding.IsLoaded() && Binding.Load() != 0) {
        Shutdown();
        return kLoadFailed;
    }
    int32_t result = OpenSession();
    if (result != 0) {
        Shutdown();
        return result;
    }
    ApplyTimeouts();  // a refusal leaves the transport's own time-outs in force
    Initialized = 1;
    return 0;
}

int32_t CZelHttpEx::OpenSession() {
    Log(LOG_VERBATIM | LOG_TO_PROFILE, "HTTP proxy server: [%s]",
        ProxyServer.IsEmpty() ? "NONE" : WithoutPassword(ProxyServer).c_str());
    if (!Binding.IsLoaded())
        return kNotLoaded;
    platform::WideString agent = platform::AnsiToWide(UserAgent.View());
    platform::WideString proxy = platform::AnsiToWide(ProxyServer.View());
    Session = ProxyServer.IsEmpty()
                  ? Binding.WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, nullptr,
                                        nullptr, 0)
                  : Binding.WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                                        proxy.c_str(), nullptr, 0);
    if (Session == nullptr)
        return kNoSession;
    // TLS 1.2 and 1.3: SSL 3.0 and TLS 1.0 (0xA0) are broken, and today's servers refuse them.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    Binding.WinHttpSetOption(Session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                             sizeof protocols);
    DWORD passport = 0;
    Binding.WinHttpSetOption(Session, WINHTTP_OPTION_CONFIGURE_PASSPORT_AUTH, &passport,
                             sizeof passport);
    return 0;
}

int32_t CZelHttpEx::ApplyTimeouts() {
    if (!Binding.IsLoaded())
        return kNotLoaded;
    int t = static_cast<int>(Timeout);
    return Binding.WinHttpSetTimeouts(Session, t, t, t, static_cast<int>(ReceiveTimeout))
               ? 0
               : kNoSession;
}

int32_t CZelHttpEx::Get(const CZelString& url, CZelString& response) {
    return Transfer("GET", url, nullptr, response);
}

int32_t CZelHttpEx::Post(const CZelString& url, const CZelString& body, CZelString& response) {
    return Transfer("POST", url, &body, response);
}

// One call: one deadline for every attempt; a form body carries its Content-Type line only for
// the length of the request. The body is read whenever a record came back.
int32_t CZelHttpEx::Transfer(const char* method, const CZelString& url, const CZelString* form,
                             CZelString& response) {
    response.Assign("");
    LastFailure.Assign("");
    CZelTimer* deadline = CreateTimer(Timeout);
    ceiling_ = CreateTimer(Timeout * kCeilingFactor);
    CZelString savedHeaders;
    if (form != nullptr) {
        savedHeaders = ExtraHeaders;
        ExtraHeaders.Append("Content-Type: application/x-www-form-urlencoded\r\n");
    }
    CZelConnectionInfo* record = nullptr;
    int32_t result = ExecuteRequest(
        method, url, deadline, &record, form != nullptr ? form->c_str() : nullptr,
        form != nullptr ? static_cast<uint32_t>(form->Length()) : 0, 0, WINHTTP_AUTH_TARGET_SERVER);
    if (form != nullptr)
        ExtraHeaders = savedHeaders;
    if (record != nullptr) {
        int32_t read = ReadResponse(record->Request, response);
        if (result == 0)
            result = read;
        // A body left unread cannot share the connection with the next request.
        if (read != 0)
            CloseHandle(record->Request);
    }
    DeleteTimer(deadline);
    DeleteTimer(ceiling_);
    ceiling_ = nullptr;
    return result;
}

bool CZelHttpEx::CeilingReached() {
    if (ceiling_ == nullptr || !IsTimerExpired(ceiling_))
        return false;
    CZelString line;
    line.FormatSized("Call ended: it took longer than [%u] ms in all",
                     static_cast<unsigned>(Timeout * kCeilingFactor));
    if (!(LastFailure == line.c_str()))  // said once, however many steps find it
        Explain(std::move(line));
    return true;
}

void CZelHttpEx::Explain(CZelString line) {
    LogSized(LOG_VERBATIM, line.Length() + 16, "%s", line.c_str());
    LastFailure = std::move(line);
}

int32_t CZelHttpEx::GiveUp(const char* operation, int32_t code) {
    uint32_t error = platform::LastError();  // before anything else can change it
    const char* reason = Binding.TransportReason != nullptr ? Binding.TransportReason() : "";
    CZelString line;
    line.FormatSized("Request to [%s:%u] failed in %s: [%u: %s]%s%s%s", peerHost_.c_str(),
                     static_cast<unsigned>(peerPort_), operation, static_cast<unsigned>(error),
                     platform::WinHttpErrorText(error), *reason != 0 ? " (" : "", reason,
                     *reason != 0 ? ")" : "");
    Explain(std::move(line));
    return code;
}

// Credential retries and redirects start a new attempt in this loop rather than by recursion,
// so that a long chain inside the deadline cannot exhaust the stack.
int32_t CZelHttpEx::ExecuteRequest(const CZelString& method, const CZelString& url,
                                   CZelTimer* deadline, CZelConnectionInfo** record,
                                   const char* body, uint32_t bodyLength, uint32_t scheme,
                                   uint32_t target) {
    if (!Binding.IsLoaded() || Session == nullptr)
        return kNotLoaded;  // Initialize comes first
    // The URL of this attempt: the caller's, or a redirect's target once there was one.
    CZelString attempt = url;
    // The scheme each target (server, proxy) asked for and was answered with; 0: not asked.
    uint32_t asked[2] = {0, 0};
    if (scheme != 0)
        asked[target == WINHTTP_AUTH_TARGET_PROXY ? WINHTTP_AUTH_TARGET_PROXY
                                                  : WINHTTP_AUTH_TARGET_SERVER] = scheme;
    for (;;) {
        Log(LOG_VERBATIM, "Timeout [%d]", static_cast<int>(TimerRemaining(deadline)));
        if (IsTimerExpired(deadline) || CeilingReached())
            return kDeadline;
        UrlParts parts = SplitUrl(attempt);
        CZelConnectionInfo* current = nullptr;
        if (int32_t failed = Connect(method, parts, current); failed != 0)
            return failed;
        if (int32_t failed = SetCredentials(current->Request, asked); failed != 0)
            return failed;
        if (int32_t failed = SendAndReceive(current->Request, body, bodyLength, target);
            failed != 0)
            return failed;
        int32_t result =
            QueryHeaderNumber(current->Request, WINHTTP_QUERY_STATUS_CODE, LastStatusCode);
        LogResponseHead(current->Request);
        *record = current;
        if (LastStatusCode == 401 || LastStatusCode == 407) {
            if (int32_t refused = AnswerChallenge(current->Request, asked); refused != 0)
                return refused;
            *record = nullptr;  // its body is consumed; the next attempt hands back its own
            continue;
        }
        if (LastStatusCode == 301 || LastStatusCode == 302) {
            attempt = RedirectTarget(current->Request, attempt, parts);
            asked[WINHTTP_AUTH_TARGET_SERVER] = asked[WINHTTP_AUTH_TARGET_PROXY] = 0;
            *record = nullptr;
            continue;
        }
        return result;
    }
}

int32_t CZelHttpEx::Connect(const CZelString& method, const UrlParts& parts,
                            CZelConnectionInfo*& current) {
    CZelString key(parts.host.Str() + std::to_string(parts.port));
    // Kept for the failure line only: the buffer is reused, so an attempt allocates nothing.
    peerHost_.Assign(parts.host);
    peerPort_ = parts.port;
    LogSized(LOG_VERBATIM, key.Length() + 64, "Looking for an existing connection on key [%s]",
             key.c_str());
    platform::WideString host = platform::AnsiToWide(parts.host.View());
    current = FindConnection(key);
    if (current != nullptr) {
        Log(LOG_VERBATIM, "Found one, re-use it and reset its expiration timer");
        CloseHandle(current->Request);
        current->Request = OpenRequest(current->Connection, method, parts);
        if (current->Request != nullptr)
            return 0;
        Log(LOG_VERBATIM, "Re-using the connection failed. Trying to re-connect");
        CloseHandle(current->Connection);
        current->Connection = Binding.WinHttpConnect(Session, host.c_str(), parts.port, 0);
        if (current->Connection == nullptr)
            return GiveUp("WinHttpConnect", kNoConnection);
        current->Request = OpenRequest(current->Connection, method, parts);
        return current->Request != nullptr ? 0 : GiveUp("WinHttpOpenRequest", kNoConnection);
    }
    Log(LOG_VERBATIM, "Did not find one, creating a new connection to expire in [%d] ms",
        static_cast<int>(ConnectionLifetime));
    // Until the pool holds it, whatever ends the attempt (a step, or memory) closes what it opened.
    auto closeUnpooled = [this](CZelConnectionInfo* info) {
        CloseHandle(info->Request);
        CloseHandle(info->Connection);
        delete info;
    };
    std::unique_ptr<CZelConnectionInfo, decltype(closeUnpooled)> fresh(
        new CZelConnectionInfo(key, ConnectionLifetime), closeUnpooled);
    fresh->Connection = Binding.WinHttpConnect(Session, host.c_str(), parts.port, 0);
    if (fresh->Connection != nullptr)
        fresh->Request = OpenRequest(fresh->Connection, method, parts);
    if (fresh->Request == nullptr)
        return GiveUp(fresh->Connection == nullptr ? "WinHttpConnect" : "WinHttpOpenRequest",
                      kNoConnection);
    AddConnection(fresh.get());  // the pool's last step takes it
    current = fresh.release();
    return 0;
}

// WinHTTP applies credentials to the request handle they are set on: each attempt's new handle
// carries every one the call was asked for, or a proxy and a server that both ask would take turns
// for ever.
int32_t CZelHttpEx::SetCredentials(HINTERNET request, const uint32_t asked[2]) {
    for (uint32_t t : {WINHTTP_AUTH_TARGET_PROXY, WINHTTP_AUTH_TARGET_SERVER}) {
        if (asked[t] == 0)
            continue;
        bool proxy = t == WINHTTP_AUTH_TARGET_PROXY;
        const CZelString& user = proxy ? ProxyAccount : WebAccount;
        const CZelString& password = proxy ? ProxyPassword : WebPassword;
        LogSized(LOG_VERBATIM | LOG_TO_PROFILE, user.Length() + 128,
                 proxy ? "Proxy account: %s" : "HTTP web account: %s", user.c_str());
        platform::WideString wideUser = platform::AnsiToWide(user.View());
        platform::WideString widePassword = platform::AnsiToWide(password.View());
        if (!Binding.WinHttpSetCredentials(request, t, asked[t], wideUser.c_str(),
                                           widePassword.c_str(), nullptr)) {
            Log(LOG_VERBATIM | LOG_TO_PROFILE, "Authorization failed");
            return kWebLogonFailed;
        }
    }
    return 0;
}

int32_t CZelHttpEx::SendAndReceive(HINTERNET request, const char* body, uint32_t bodyLength,
                                   uint32_t target) {
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    Binding.WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);
    platform::WideString headers = platform::AnsiToWide(ExtraHeaders.View());
    if (!Binding.WinHttpSendRequest(request, headers.empty() ? nullptr : headers.c_str(),
                                    static_cast<DWORD>(headers.size()), const_cast<char*>(body),
                                    bodyLength, bodyLength, 0))
        return GiveUp("WinHttpSendRequest", MapLastError(platform::LastError(), kSendFailed));
    // The head of this attempt may take what is left of the call, however it trickles in.
    if (ceiling_ != nullptr) {
        DWORD left = std::max<DWORD>(1, static_cast<DWORD>(TimerRemaining(ceiling_)));
        Binding.WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &left,
                                 sizeof left);
    }
    if (Binding.WinHttpReceiveResponse(request, nullptr))
        return 0;
    if (CeilingReached())
        return kDeadline;
    if (platform::LastError() == ERROR_WINHTTP_LOGIN_FAILURE)
        return GiveUp("WinHttpReceiveResponse",
                      target == WINHTTP_AUTH_TARGET_SERVER ? kWebLogonFailed : kProxyLogonFailed);
    return GiveUp("WinHttpReceiveResponse", kNoResponse);
}

// These headers are read for the log alone: without one they cost nothing.
void CZelHttpEx::LogResponseHead(HINTERNET request) {
    if (!GetLogFile().IsEmpty()) {
        CZelString server, version, via, statusText;
        QueryHeaderText(request, WINHTTP_QUERY_SERVER, server);
        QueryHeaderText(request, WINHTTP_QUERY_VERSION, version);
        QueryHeaderText(request, WINHTTP_QUERY_VIA, via);
        QueryHeaderText(request, WINHTTP_QUERY_STATUS_TEXT, statusText);
        for (const auto& [label, text] :
             {std::pair<const char*, const CZelString*>{"proxy server", &via},
              {"remote server", &server},
              {"remote version", &version},
              {"response text", &statusText}}) {
            if (!text->IsEmpty())
                LogSized(LOG_VERBATIM, text->Length() + 128, "HTTP %s: [%s]", label, text->c_str());
        }
    }
    Log(LOG_VERBATIM, "HTTP response code: [%ld]", static_cast<long>(LastStatusCode));
}

int32_t CZelHttpEx::AnswerChallenge(HINTERNET request, uint32_t asked[2]) {
    if (LastStatusCode == 407 && ProxyServer.IsEmpty())
        return kProxyCredentialsRequired;
    DWORD supported = 0, first = 0, authTarget = 0;
    bool known = Binding.WinHttpQueryAuthSchemes(request, &supported, &first, &authTarget);
    // A challenge of no scheme WinHTTP knows (OAuth's own) ends the call as a refusal: Wine's
    // WinHTTP reports success for it, with no scheme, and asking again would only be refused again
    // until the deadline.
    if (known && first == 0) {
        platform::SetLastError(ERROR_INVALID_OPERATION);
        known = false;
    }
    if (!known)
        return GiveUp("WinHttpQueryAuthSchemes",
                      MapLastError(platform::LastError(), kNoAuthSchemes));
    if (authTarget > WINHTTP_AUTH_TARGET_PROXY)
        authTarget = WINHTTP_AUTH_TARGET_SERVER;
    bool server = authTarget == WINHTTP_AUTH_TARGET_SERVER;
    if (asked[authTarget] != 0) {  // answered already, and asking again
        Log(LOG_VERBATIM,
            server ? "Authentication failed on server" : "Authentication failed on proxy");
        DropResponse(request);
        return server ? kWebLogonFailed : kProxyLogonFailed;
    }
    LogAuthScheme(first);
    DropResponse(request);
    asked[authTarget] = first;
    return 0;
}

CZelString CZelHttpEx::RedirectTarget(HINTERNET request, const CZelString& attempt,
                                      const UrlParts& parts) {
    DropResponse(request);
    CZelString location;
    QueryHeaderText(request, WINHTTP_QUERY_LOCATION, location);
    if (!location.Contains("://", true)) {
        CZelString base = attempt;
        base.EnsureTrailing('/');
        location.Prepend(location.StartsWith("/", true) ? parts.host.c_str() : base.c_str(), true);
    }
    LogSized(LOG_VERBATIM, location.Length() + 128, "--> Redirected to: [%s]", location.c_str());
    // A fragment names a place in the document, never part of what is asked for.
    if (size_t fragment = location.View().find('#'); fragment != std::string_view::npos)
        location = CZelString(location.View().substr(0, fragment));
    return location;
}

HINTERNET CZelHttpEx::OpenRequest(HINTERNET connection, const CZelString& method,
                                  const UrlParts& url) {
    platform::WideString verb = platform::AnsiToWide(method.View());
    // Bytes beyond ASCII are escaped here, so that no code page takes part on their way.
    std::string escaped;
    escaped.reserve(url.path.Length());
    platform::AppendEscapedPath(escaped, url.path.View());
    platform::WideString object = platform::AnsiToWide(escaped);
    return Binding.WinHttpOpenRequest(
        connection, verb.c_str(), object.c_str(), nullptr, nullptr, nullptr,
        url.secure ? WINHTTP_FLAG_SECURE : WINHTTP_FLAG_BYPASS_PROXY_CACHE);
}

void CZelHttpEx::CloseHandle(HINTERNET& handle) {
    if (handle != nullptr && Binding.IsLoaded())
        Binding.WinHttpCloseHandle(handle);
    handle = nullptr;
}

int32_t CZelHttpEx::ReadResponse(HINTERNET request, CZelString& text) {
    if (!Binding.IsLoaded())
        return kNotLoaded;
    uint32_t announced = 0;
    if (QueryHeaderNumber(request, WINHTTP_QUERY_CONTENT_LENGTH, announced) == 0 &&
        announced <= kReserveLimit) {
        try {
            text.Reserve(text.Length() + announced);
        } catch (const std::bad_alloc&) {
            return kNoBuffer;
        }
    }
    for (;;) {
        if (CeilingReached())
            return kDeadline;
        DWORD available = 0;
        if (!Binding.WinHttpQueryDataAvailable(request, &available))
            return GiveUp("WinHttpQueryDataAvailable", kDataSizeFailed);
        if (available == 0)
            return 0;
        DWORD wanted = std::min(available, kReadChunk);
        try {
            if (readBuffer_.size() < static_cast<size_t>(wanted) + 1)
                readBuffer_.resize(static_cast<size_t>(wanted) + 1);
        } catch (const std::bad_alloc&) {
            return kNoBuffer;
        }
        DWORD read = 0;
        if (!Binding.WinHttpReadData(request, readBuffer_.data(), wanted, &read))
            return GiveUp("WinHttpReadData", kReadFailed);
        if (read > wanted)
            read = wanted;
        // A chunk ends at its first zero byte.
        const void* zero = std::memchr(readBuffer_.data(), 0, read);
        size_t length =
            zero != nullptr
                ? static_cast<size_t>(static_cast<const char*>(zero) - readBuffer_.data())
                : read;
        if (text.Length() + length > kMaxReply) {
            CZelString line;
            line.FormatSized("Call ended: the reply is larger than [%u] bytes",
                             static_cast<unsigned>(kMaxReply));
            Explain(std::move(line));
            // A cut reply is never parsed, and its memory goes at once (assigning an empty
            // string would keep the capacity).
            CZelString dropped(std::move(text));
            text.Assign("");
            return kNoBuffer;
        }
        try {
            text.Append(readBuffer_.data(), length);
        } catch (const std::bad_alloc&) {
            return kNoBuffer;
        }
        if (read == 0)
            return 0;
    }
}

void CZelHttpEx::DropResponse(HINTERNET request) {
    CZelString scratch;
    ReadResponse(request, scratch);
}

int32_t CZelHttpEx::QueryHeaderText(HINTERNET request, uint32_t query, CZelString& text) {
    DWORD bytes = 0;
    Binding.WinHttpQueryHeaders(request, query, nullptr, nullptr, &bytes, nullptr);
    if (bytes == 0)
        return kNoHeader;
    size_t units = bytes / 2 + 1;
    std::unique_ptr<WCHAR[]> buffer(new (std::nothrow) WCHAR[units]);
    if (!buffer)
        return kHeaderBufferFailed;
    bytes = static_cast<DWORD>(units * 2);
    if (!Binding.WinHttpQueryHeaders(request, query, nullptr, buffer.get(), &bytes, nullptr))
        return kNoHeader;
    size_t length = std::min<size_t>(bytes / 2, units - 1);
    for (size_t i = 0; i < length; ++i)
        if (buffer[i] == 0)
            buffer[i] = u'\n';
    text.Assign(platform::WideToAnsi(platform::WideView(buffer.get(), length)).c_str());
    return 0;
}

int32_t CZelHttpEx::QueryHeaderNumber(HINTERNET request, uint32_t query, uint32_t& value) {
    DWORD number = 0;
    DWORD length = sizeof number;
    if (!Binding.WinHttpQueryHeaders(request, query | WINHTTP_QUERY_FLAG_NUMBER, nullptr, &number,
                                     &length, nullptr))
        return kNoHeader;
    value = number;
    return 0;
}

void CZelHttpEx::LogAuthScheme(uint32_t scheme) {
    const char* name;
    switch (scheme) {
        case 1:
            name = "BASIC AUTH";
            break;
        case 2:
            name = "NTLM AUTH";
            break;
        case 4:
            name = "PASSPORT AUTH";
            break;
        case 8:
            name = "DIGEST AUTH";
            break;
        case 16:
            name = "NEGOTIATE (NTLM or Kerberos)";
            break;
        default:
            name = "UNKNOWN AUTH - Hoping WINHTTP knows .. ";
            break;
    }
    Log(LOG_VERBATIM, "--> Authorization required, trying again using [%s]", name);
}

CZelHttpEx::UrlParts CZelHttpEx::SplitUrl(const CZelString& url) {
    UrlParts parts;
    CZelString whole(url);
    CZelString remainder = whole.GetToken("//", "", 1);
    CZelString prefix = whole.GetToken("//", "", 0);
    int defaultPort = 80;
    if (prefix == "https:") {
        defaultPort = 443;
        parts.secure = true;
    } else if (!(prefix == "http:")) {
        remainder = url;
    }
    parts.host = remainder.GetToken("/", "", 0);
    parts.port = static_cast<uint16_t>(parts.host.GetTokenInt(":", defaultPort, 1));
    if (parts.host.Contains(":", true))
        parts.host = remainder.GetToken(":", "", 0);
    size_t slash = remainder.View().find('/');
    if (slash != std::string_view::npos)
        parts.path = CZelString(remainder.View().substr(slash));
    return parts;
}

CZelConnectionInfo* CZelHttpEx::FindConnection(const CZelString& key) {
    for (CZelBase* item = Connections.First(); item != nullptr; item = Connections.Next()) {
        auto* record = static_cast<CZelConnectionInfo*>(item);
        if (record->Key == key) {
            ResetTimer(record->Expiry);
            return record;
        }
    }
    return nullptr;
}

void CZelHttpEx::AddConnection(CZelConnectionInfo* record) {
    if (Connections.Count() < ConnectionLimit) {
        Log(LOG_VERBATIM, "There's room enough, just added this connection");
        Connections.Add(record);
        return;
    }
    Log(LOG_VERBATIM, "Connection pool full, making room");
    Connections.Sort();
    bool removed = false;
    for (auto* head = static_cast<CZelConnectionInfo*>(Connections.Head());
         head != nullptr && head->Remaining() == 0;
         head = static_cast<CZelConnectionInfo*>(Connections.Head())) {
        LogSized(LOG_VERBATIM, head->Key.Length() + 64, "Removing expired connection with key [%s]",
                 head->Key.c_str());
        CloseHandle(head->Request);
        CloseHandle(head->Connection);
        Connections.RemoveHead();
        removed = true;
    }
    auto* oldest = static_cast<CZelConnectionInfo*>(Connections.Head());
    if (!removed && oldest != nullptr) {
        LogSized(LOG_VERBATIM, oldest->Key.Length() + 64,
                 "Did not find any expired connections, removing oldest connection. [%s] had only "
                 "[%d] ms left",
                 oldest->Key.c_str(), static_cast<int>(oldest->Remaining()));
        CloseHandle(oldest->Request);
        CloseHandle(oldest->Connection);
        Connections.RemoveHead();
    }
    Connections.Add(record);
}

void CZelHttpEx::Shutdown() {
    for (CZelBase* item = Connections.First(); item != nullptr; item = Connections.Next()) {
        auto* record = static_cast<CZelConnectionInfo*>(item);
        CloseHandle(record->Request);
        CloseHandle(record->Connection);
    }
    Connections.Clear();
    if (Session != nullptr && Binding.IsLoaded())
        Binding.WinHttpCloseHandle(Session);
    Session = nullptr;
    Binding.Unload();
    Initialized = 0;
}
