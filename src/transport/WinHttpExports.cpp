// The fourteen WinHttp* functions of libwarbler_winhttp.so, with WinHTTP's signatures, over
// libcurl. Failures set the thread's last error (errno) to WinHTTP's numbers.

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/WinHttpTypes.h"
#include "transport/TransportRequest.h"

namespace {

constexpr uint32_t kChunk = 1u << 20;  // the most one read hands over

// The words of the calling thread's last failure of a request, for WarblerTransportReason.
thread_local std::string t_reason;

// Every live handle, so that a stale or foreign handle is refused instead of followed.
class HandleTable {
  public:
    HINTERNET Add(std::shared_ptr<TransportHandle> handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        HINTERNET key = handle.get();
        handles_[key] = std::move(handle);
        return key;
    }
    template <typename T>
    std::shared_ptr<T> Find(HINTERNET key, TransportHandle::Kind kind) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = handles_.find(key);
        if (it == handles_.end() || it->second->GetKind() != kind)
            return nullptr;
        return std::static_pointer_cast<T>(it->second);
    }
    bool Remove(HINTERNET key) {
        std::shared_ptr<TransportHandle> dying;  // destroyed outside the lock
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = handles_.find(key);
        if (it == handles_.end())
            return false;
        dying = std::move(it->second);
        handles_.erase(it);
        return true;
    }

  private:
    std::mutex mutex_;
    std::unordered_map<HINTERNET, std::shared_ptr<TransportHandle>> handles_;
};

// Lives until the module is unloaded, and is freed then: a module loaded and unloaded again and
// again (each HttpLibrary switch) leaves nothing behind.
HandleTable& Handles() {
    static HandleTable table;
    return table;
}

std::string Narrow(LPCWSTR text) {
    if (text == nullptr)
        return {};
    return platform::WideToAnsi(std::u16string_view(text));
}

BOOL Fail(uint32_t error) {
    platform::SetLastError(error);
    return FALSE;
}

// A request's operation that failed: its words are kept for the thread, then the failure.
BOOL FailWithReason(const TransportRequest& request, uint32_t error) {
    t_reason = request.reason;
    return Fail(error);
}

HINTERNET FailHandle(uint32_t error) {
    platform::SetLastError(error);
    return nullptr;
}

// Nothing thrown inside an operation crosses into its caller, which is C: memory that could not be
// had fails the operation as WinHTTP says it, anything else as its internal error.
template <class Result, class Body>
Result Guarded(Result failed, Body&& body) noexcept {
    uint32_t error = ERROR_WINHTTP_INTERNAL_ERROR;
    try {
        return body();
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
    }
    platform::SetLastError(error);
    return failed;
}

std::shared_ptr<TransportRequest> RequestOf(HINTERNET handle) {
    return Handles().Find<TransportRequest>(handle, TransportHandle::Kind::Request);
}

// The request of a handle whose response has come, for the operations that read it; null, with
// the thread's last error set, otherwise.
std::shared_ptr<TransportRequest> RespondedRequestOf(HINTERNET handle) {
    auto request = RequestOf(handle);
    if (!request) {
        platform::SetLastError(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
    } else if (!request->responded) {
        platform::SetLastError(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        request.reset();
    }
    return request;
}

// The header names behind the query numbers the client uses.
const char* HeaderNameOf(DWORD level) {
    switch (level) {
        case WINHTTP_QUERY_CONTENT_TYPE:
            return "Content-Type";
        case WINHTTP_QUERY_CONTENT_LENGTH:
            return "Content-Length";
        case WINHTTP_QUERY_LOCATION:
            return "Location";
        case WINHTTP_QUERY_SERVER:
            return "Server";
        case WINHTTP_QUERY_WWW_AUTHENTICATE:
            return "WWW-Authenticate";
        case WINHTTP_QUERY_PROXY_AUTHENTICATE:
            return "Proxy-Authenticate";
        case WINHTTP_QUERY_VIA:
            return "Via";
        default:
            return nullptr;
    }
}

uint32_t SchemeBit(std::string_view challenge) {
    std::string_view name = challenge.substr(0, challenge.find_first_of(" ,"));
    static constexpr std::pair<const char*, uint32_t> kSchemes[] = {
        {"Basic", WINHTTP_AUTH_SCHEME_BASIC},
        {"NTLM", WINHTTP_AUTH_SCHEME_NTLM},
        {"Passport1.4", WINHTTP_AUTH_SCHEME_PASSPORT},
        {"Digest", WINHTTP_AUTH_SCHEME_DIGEST},
        {"Negotiate", WINHTTP_AUTH_SCHEME_NEGOTIATE}};
    for (auto [scheme, bit] : kSchemes)
        if (SameName(name, scheme))
            return bit;
    return 0;
}

}  // namespace

extern "C" {

// Not WinHTTP's: how a host's interrupt (the Python package's Ctrl-C) ends the call that waits,
// where WinHTTP would need a second thread to close the handle. Safe in a signal handler.
__attribute__((visibility("default"))) void WarblerTransportInterrupt(int on) {
    TransportRequest::Interrupt(on != 0);
}

__attribute__((visibility("default"))) HINTERNET WinHttpOpen(LPCWSTR agent, DWORD accessType,
                                                             LPCWSTR proxy, LPCWSTR, DWORD) {
    return Guarded<HINTERNET>(nullptr, [&]() -> HINTERNET {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        auto session = std::make_shared<TransportSession>();
        session->userAgent = Narrow(agent);
        session->accessType = accessType;
        session->proxy = Narrow(proxy);
        if (accessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && session->proxy.empty())
            return FailHandle(ERROR_INVALID_PARAMETER);
        return Handles().Add(std::move(session));
    });
}

__attribute__((visibility("default"))) BOOL WinHttpSetOption(HINTERNET handle, DWORD option,
                                                             void* buffer, DWORD length) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        // The time the head of a response may take in all, however it trickles in.
        if (option == WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT) {
            auto request = Handles().Find<TransportRequest>(handle, TransportHandle::Kind::Request);
            if (!request)
                return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
            if (buffer == nullptr || length != sizeof(DWORD))
                return Fail(ERROR_INVALID_PARAMETER);
            std::memcpy(&request->responseTimeoutMs, buffer, sizeof(DWORD));
            return TRUE;
        }
        // Secure protocols, passport and redirect settings are accepted: libcurl negotiates TLS 1.2
        // or later and this module never follows a redirect.
        for (auto kind : {TransportHandle::Kind::Session, TransportHandle::Kind::Connection,
                          TransportHandle::Kind::Request})
            if (Handles().Find<TransportHandle>(handle, kind))
                return TRUE;
        return Fail(ERROR_INVALID_HANDLE);
    });
}

__attribute__((visibility("default"))) BOOL WinHttpSetTimeouts(HINTERNET handle, int resolve,
                                                               int connect, int send, int receive) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto session = Handles().Find<TransportSession>(handle, TransportHandle::Kind::Session);
        if (!session)
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
        if (resolve < -1 || connect < -1 || send < -1 || receive < -1)
            return Fail(ERROR_INVALID_PARAMETER);
        session->resolveTimeoutMs = std::max(resolve, 0);
        session->connectTimeoutMs = std::max(connect, 0);
        session->sendTimeoutMs = std::max(send, 0);
        session->receiveTimeoutMs = std::max(receive, 0);
        ++session->settingsVersion;
        return TRUE;
    });
}

__attribute__((visibility("default"))) HINTERNET WinHttpConnect(HINTERNET sessionHandle,
                                                                LPCWSTR server, INTERNET_PORT port,
                                                                DWORD) {
    return Guarded<HINTERNET>(nullptr, [&]() -> HINTERNET {
        auto session =
            Handles().Find<TransportSession>(sessionHandle, TransportHandle::Kind::Session);
        if (!session)
            return FailHandle(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
        std::string host = Narrow(server);
        if (host.empty() || host.find_first_of(" /\r\n") != std::string::npos)
            return FailHandle(ERROR_WINHTTP_INVALID_URL);
        auto connection = std::make_shared<TransportConnection>(session, host, port);
        if (!connection->easy)
            return FailHandle(ERROR_WINHTTP_INTERNAL_ERROR);
        return Handles().Add(std::move(connection));
    });
}

__attribute__((visibility("default"))) HINTERNET WinHttpOpenRequest(HINTERNET connectHandle,
                                                                    LPCWSTR verb, LPCWSTR object,
                                                                    LPCWSTR, LPCWSTR, LPCWSTR*,
                                                                    DWORD flags) {
    return Guarded<HINTERNET>(nullptr, [&]() -> HINTERNET {
        auto connection =
            Handles().Find<TransportConnection>(connectHandle, TransportHandle::Kind::Connection);
        if (!connection)
            return FailHandle(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
        std::string method = verb != nullptr ? Narrow(verb) : "GET";
        std::string path = Narrow(object);
        // Blanks and other unsafe bytes are escaped when the request is sent, as WinHTTP does;
        // line breaks could end the request line and are refused.
        if (method.empty() || path.find_first_of("\r\n") != std::string::npos)
            return FailHandle(ERROR_WINHTTP_INVALID_URL);
        return Handles().Add(std::make_shared<TransportRequest>(
            connection, method, path, (flags & WINHTTP_FLAG_SECURE) != 0,
            (flags & WINHTTP_FLAG_BYPASS_PROXY_CACHE) != 0));
    });
}

__attribute__((visibility("default"))) BOOL WinHttpSetCredentials(HINTERNET handle, DWORD target,
                                                                  DWORD scheme, LPCWSTR user,
                                                                  LPCWSTR password, void*) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto request = RequestOf(handle);
        if (!request)
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
        bool known = scheme == WINHTTP_AUTH_SCHEME_BASIC || scheme == WINHTTP_AUTH_SCHEME_NTLM ||
                     scheme == WINHTTP_AUTH_SCHEME_DIGEST ||
                     scheme == WINHTTP_AUTH_SCHEME_NEGOTIATE;
        if (target > WINHTTP_AUTH_TARGET_PROXY || !known)
            return Fail(ERROR_INVALID_PARAMETER);
        request->credentials[target] = Credentials{scheme, Narrow(user), Narrow(password)};
        return TRUE;
    });
}

__attribute__((visibility("default"))) BOOL WinHttpSendRequest(HINTERNET handle, LPCWSTR headers,
                                                               DWORD headersLength, void* optional,
                                                               DWORD optionalLength, DWORD,
                                                               DWORD_PTR) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto request = RequestOf(handle);
        if (!request)
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
        std::string extra;
        if (headers != nullptr) {
            std::u16string_view wide = headersLength == 0xFFFFFFFFu
                                           ? std::u16string_view(headers)
                                           : std::u16string_view(headers, headersLength);
            extra = platform::WideToAnsi(wide);
        }
        uint32_t error = 0;
        if (!request->Send(extra, static_cast<const char*>(optional), optional ? optionalLength : 0,
                           &error))
            return FailWithReason(*request, error);
        return TRUE;
    });
}

__attribute__((visibility("default"))) BOOL WinHttpReceiveResponse(HINTERNET handle, void*) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto request = RequestOf(handle);
        if (!request)
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
        uint32_t error = 0;
        return request->Receive(&error) ? TRUE : FailWithReason(*request, error);
    });
}

__attribute__((visibility("default"))) BOOL WinHttpQueryHeaders(HINTERNET handle, DWORD level,
                                                                LPCWSTR, void* buffer,
                                                                LPDWORD bufferLength, LPDWORD) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto request = RequestOf(handle);
        if (!request)
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
        if (bufferLength == nullptr)
            return Fail(ERROR_INVALID_PARAMETER);
        if (!request->responded)
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        bool asNumber = (level & WINHTTP_QUERY_FLAG_NUMBER) != 0;
        DWORD query = level & 0xFFFF;
        std::string value;
        bool found = true;
        switch (query) {
            case WINHTTP_QUERY_VERSION:
                value = request->head.Version();
                break;
            case WINHTTP_QUERY_STATUS_CODE:
                value = std::to_string(request->head.status);
                break;
            case WINHTTP_QUERY_STATUS_TEXT:
                value = request->head.Reason();
                break;
            case WINHTTP_QUERY_RAW_HEADERS_CRLF: {  // all headers, each line ended by CRLF
                const ResponseHead& head = request->head;
                value.append(head.Version()).append(" ").append(std::to_string(head.status));
                value.append(" ").append(head.Reason()).append("\r\n");
                for (size_t i = 0; i < head.HeaderCount(); ++i)
                    value.append(head.Name(i)).append(": ").append(head.Value(i)).append("\r\n");
                value += "\r\n";
                break;
            }
            default: {
                const char* name = HeaderNameOf(query);
                found = name != nullptr && request->FindHeader(name, value);
            }
        }
        if (!found)
            return Fail(ERROR_WINHTTP_HEADER_NOT_FOUND);
        if (asNumber) {
            if (buffer == nullptr || *bufferLength < sizeof(DWORD)) {
                *bufferLength = sizeof(DWORD);
                return Fail(ERROR_INSUFFICIENT_BUFFER);
            }
            DWORD number = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
            std::memcpy(buffer, &number, sizeof number);
            *bufferLength = sizeof number;
            return TRUE;
        }
        std::u16string wide = platform::AnsiToWide(value);
        DWORD needed = static_cast<DWORD>((wide.size() + 1) * sizeof(char16_t));
        if (buffer == nullptr || *bufferLength < needed) {
            *bufferLength = needed;
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        }
        std::memcpy(buffer, wide.c_str(), needed);
        *bufferLength = needed - sizeof(char16_t);
        return TRUE;
    });
}

__attribute__((visibility("default"))) BOOL WinHttpQueryAuthSchemes(HINTERNET handle,
                                                                    LPDWORD supported,
                                                                    LPDWORD first, LPDWORD target) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto request = RequestOf(handle);
        if (!request)
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
        if (supported == nullptr || first == nullptr || target == nullptr)
            return Fail(ERROR_INVALID_PARAMETER);
        uint32_t status = request->head.status;
        if (!request->responded || (status != 401 && status != 407))
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        const char* header = status == 401 ? "WWW-Authenticate" : "Proxy-Authenticate";
        DWORD bits = 0, preferred = 0;
        const ResponseHead& head = request->head;
        for (size_t i = 0; i < head.HeaderCount(); ++i) {
            if (!SameName(head.Name(i), header))
                continue;
            uint32_t bit = SchemeBit(head.Value(i));
            bits |= bit;
            if (preferred == 0)
                preferred = bit;
        }
        if (bits == 0)  // a challenge without a scheme this module knows
            return Fail(ERROR_INVALID_OPERATION);
        *supported = bits;
        *first = preferred;
        *target = status == 401 ? WINHTTP_AUTH_TARGET_SERVER : WINHTTP_AUTH_TARGET_PROXY;
        return TRUE;
    });
}

__attribute__((visibility("default"))) BOOL WinHttpQueryDataAvailable(HINTERNET handle,
                                                                      LPDWORD available) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto request = RespondedRequestOf(handle);
        if (!request)
            return FALSE;
        size_t count = 0;
        uint32_t error = 0;
        if (!request->Available(&count, &error))
            return FailWithReason(*request, error);
        if (available != nullptr)
            *available = static_cast<DWORD>(std::min<size_t>(count, kChunk));
        return TRUE;
    });
}

__attribute__((visibility("default"))) BOOL WinHttpReadData(HINTERNET handle, void* buffer,
                                                            DWORD toRead, LPDWORD read) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto request = RespondedRequestOf(handle);
        if (!request)
            return FALSE;
        if (buffer == nullptr && toRead > 0)
            return Fail(ERROR_INVALID_PARAMETER);
        size_t count = 0;
        uint32_t error = 0;
        if (!request->Read(static_cast<char*>(buffer), toRead, &count, &error))
            return FailWithReason(*request, error);
        if (read != nullptr)
            *read = static_cast<DWORD>(count);
        return TRUE;
    });
}

// Present because the binding requires all fourteen; the body of a request always travels
// with WinHttpSendRequest here.
__attribute__((visibility("default"))) BOOL WinHttpWriteData(HINTERNET handle, const void*, DWORD,
                                                             LPDWORD) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (!RequestOf(handle))
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
        return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
    });
}

__attribute__((visibility("default"))) BOOL WinHttpCloseHandle(HINTERNET handle) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        return Handles().Remove(handle) ? TRUE : Fail(ERROR_INVALID_HANDLE);
    });
}

}  // extern "C"

// Beyond WinHTTP's fourteen: the words of the thread's last failed request operation ("Failed to
// connect to 127.0.0.1 port 1: Connection refused"), which WinHTTP has only as a number.
extern "C" __attribute__((visibility("default"))) const char* WarblerTransportReason() {
    return t_reason.c_str();
}
