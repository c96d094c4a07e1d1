// A transport module whose replies the test scripts. Built twice: complete, and without
// WinHttpWriteData (FAKE_WITHOUT_WRITEDATA) to prove that a partial library is refused.
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "FakeWinHttpControl.h"
#include "platform/CodePage.h"
#include "platform/WinHttpTypes.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

FakeState g_state;

struct FakeHandle {
    std::string host;
    uint16_t port = 0;
    FakeSent sent;
    FakeReply reply;
    size_t offset = 0;
};

std::string Narrow(LPCWSTR text) {
    return text == nullptr ? std::string() : platform::WideToAnsi(std::u16string_view(text));
}

BOOL Fail(uint32_t error) {
    errno = static_cast<int>(error);
    return FALSE;
}

FakeHandle* Of(HINTERNET h) {
    return static_cast<FakeHandle*>(h);
}

}  // namespace

EXPORT FakeState* FakeWinHttpState() {
    return &g_state;
}

EXPORT HINTERNET WinHttpOpen(LPCWSTR, DWORD accessType, LPCWSTR proxy, LPCWSTR, DWORD) {
    g_state.accessType = accessType;
    g_state.proxy = Narrow(proxy);
    ++g_state.openHandles;
    return new FakeHandle;
}

EXPORT BOOL WinHttpSetOption(HINTERNET, DWORD, void*, DWORD) {
    return TRUE;
}
EXPORT BOOL WinHttpSetTimeouts(HINTERNET, int, int, int, int) {
    return TRUE;
}

EXPORT HINTERNET WinHttpConnect(HINTERNET, LPCWSTR server, INTERNET_PORT port, DWORD) {
    ++g_state.connects;
    ++g_state.openHandles;
    auto h = std::make_unique<FakeHandle>();  // a failed allocation below leaves nothing
    h->host = Narrow(server);
    h->port = port;
    return h.release();
}

EXPORT HINTERNET WinHttpOpenRequest(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR,
                                    LPCWSTR, LPCWSTR*, DWORD flags) {
    ++g_state.openHandles;
    auto h = std::make_unique<FakeHandle>();
    h->sent.verb = Narrow(verb);
    h->sent.host = Of(connection)->host;
    h->sent.port = Of(connection)->port;
    h->sent.path = Narrow(object);
    h->sent.secure = (flags & WINHTTP_FLAG_SECURE) != 0;
    return h.release();
}

EXPORT BOOL WinHttpSetCredentials(HINTERNET request, DWORD target, DWORD scheme, LPCWSTR user,
                                  LPCWSTR password, void*) {
    FakeSent& sent = Of(request)->sent;
    sent.credentialTarget = target;
    sent.credentialScheme = scheme;
    if (target < 2)
        sent.schemes[target] = scheme;
    sent.user = Narrow(user);
    sent.password = Narrow(password);
    return TRUE;
}

EXPORT BOOL WinHttpSendRequest(HINTERNET request, LPCWSTR headers, DWORD headersLength, void* body,
                               DWORD bodyLength, DWORD, DWORD_PTR) {
    FakeHandle* h = Of(request);
    if (headers != nullptr)
        h->sent.headers = platform::WideToAnsi(std::u16string_view(headers, headersLength));
    if (body != nullptr)
        h->sent.body.assign(static_cast<const char*>(body), bodyLength);
    g_state.sent.push_back(h->sent);
    if (g_state.onSend != nullptr)
        g_state.onSend();
    if (g_state.replies.empty())
        return Fail(12030);
    h->reply = g_state.replies.front();
    g_state.replies.erase(g_state.replies.begin());
    return h->reply.sendError != 0 ? Fail(h->reply.sendError) : TRUE;
}

EXPORT BOOL WinHttpReceiveResponse(HINTERNET request, void*) {
    uint32_t error = Of(request)->reply.receiveError;
    return error != 0 ? Fail(error) : TRUE;
}

EXPORT BOOL WinHttpQueryHeaders(HINTERNET request, DWORD level, LPCWSTR, void* buffer,
                                LPDWORD length, LPDWORD) {
    const FakeReply& reply = Of(request)->reply;
    if (level == (19 | 0x20000000)) {
        std::memcpy(buffer, &reply.status, 4);
        return TRUE;
    }
    if (level == (5 | 0x20000000)) {  // Content-Length
        auto size = static_cast<uint32_t>(reply.body.size());
        std::memcpy(buffer, &size, 4);
        return TRUE;
    }
    std::string value = level == 20   ? reply.reason
                        : level == 33 ? reply.location
                        : level == 37 ? reply.server
                        : level == 18 ? "HTTP/1.1"
                                      : "";
    if (value.empty()) {
        *length = 0;
        return Fail(12150);
    }
    std::u16string wide = platform::AnsiToWide(value);
    DWORD needed = static_cast<DWORD>((wide.size() + 1) * 2);
    if (buffer == nullptr || *length < needed) {
        *length = needed;
        return Fail(122);
    }
    std::memcpy(buffer, wide.c_str(), needed);
    *length = needed - 2;
    return TRUE;
}

EXPORT BOOL WinHttpQueryAuthSchemes(HINTERNET request, LPDWORD supported, LPDWORD first,
                                    LPDWORD target) {
    const FakeReply& reply = Of(request)->reply;
    if (reply.authSchemes == 0)
        return Fail(reply.authError != 0 ? reply.authError : 12019);
    *supported = reply.authSchemes;
    *first = reply.authSchemes & (~reply.authSchemes + 1);  // lowest bit
    *target = reply.status == 407 ? WINHTTP_AUTH_TARGET_PROXY : WINHTTP_AUTH_TARGET_SERVER;
    return TRUE;
}

EXPORT BOOL WinHttpQueryDataAvailable(HINTERNET request, LPDWORD available) {
    FakeHandle* h = Of(request);
    *available = static_cast<DWORD>(h->reply.body.size() - h->offset);
    return TRUE;
}

EXPORT BOOL WinHttpReadData(HINTERNET request, void* buffer, DWORD toRead, LPDWORD read) {
    FakeHandle* h = Of(request);
    size_t n = std::min<size_t>(toRead, h->reply.body.size() - h->offset);
    std::memcpy(buffer, h->reply.body.data() + h->offset, n);
    h->offset += n;
    *read = static_cast<DWORD>(n);
    return TRUE;
}

#ifndef FAKE_WITHOUT_WRITEDATA
EXPORT BOOL WinHttpWriteData(HINTERNET, const void*, DWORD, LPDWORD) {
    return Fail(12019);
}
#endif

EXPORT BOOL WinHttpCloseHandle(HINTERNET handle) {
    --g_state.openHandles;
    delete Of(handle);
    return TRUE;
}
