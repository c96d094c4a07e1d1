// The WinHTTP interface as the HTTP client reaches it through its binding's operation table and as
// the Linux transport module serves it: the signatures of the fourteen operations and every number
// either side uses (the system's header is never included: the library is loaded at run time).
#pragma once

#include <cstdint>

#include "platform/SystemTypes.h"

using HINTERNET = void*;
using INTERNET_PORT = WORD;
#if !defined(_WIN32)
using LPCWSTR = const WCHAR*;
using LPDWORD = DWORD*;
using DWORD_PTR = uintptr_t;
#define WINAPI
#endif

using PFN_WinHttpOpen = HINTERNET(WINAPI*)(LPCWSTR agent, DWORD accessType, LPCWSTR proxy,
                                           LPCWSTR proxyBypass, DWORD flags);
using PFN_WinHttpSetOption = BOOL(WINAPI*)(HINTERNET handle, DWORD option, void* buffer,
                                           DWORD length);
using PFN_WinHttpConnect = HINTERNET(WINAPI*)(HINTERNET session, LPCWSTR server, INTERNET_PORT port,
                                              DWORD reserved);
using PFN_WinHttpCloseHandle = BOOL(WINAPI*)(HINTERNET handle);
using PFN_WinHttpQueryAuthSchemes = BOOL(WINAPI*)(HINTERNET request, LPDWORD supported,
                                                  LPDWORD first, LPDWORD target);
using PFN_WinHttpQueryHeaders = BOOL(WINAPI*)(HINTERNET request, DWORD infoLevel, LPCWSTR name,
                                              void* buffer, LPDWORD bufferLength, LPDWORD index);
using PFN_WinHttpReceiveResponse = BOOL(WINAPI*)(HINTERNET request, void* reserved);
using PFN_WinHttpSendRequest = BOOL(WINAPI*)(HINTERNET request, LPCWSTR headers,
                                             DWORD headersLength, void* optional,
                                             DWORD optionalLength, DWORD totalLength,
                                             DWORD_PTR context);
using PFN_WinHttpSetCredentials = BOOL(WINAPI*)(HINTERNET request, DWORD targets, DWORD scheme,
                                                LPCWSTR user, LPCWSTR password, void* params);
using PFN_WinHttpSetTimeouts = BOOL(WINAPI*)(HINTERNET handle, int resolve, int connect, int send,
                                             int receive);
using PFN_WinHttpOpenRequest = HINTERNET(WINAPI*)(HINTERNET connect, LPCWSTR verb, LPCWSTR object,
                                                  LPCWSTR version, LPCWSTR referrer,
                                                  LPCWSTR* acceptTypes, DWORD flags);
using PFN_WinHttpReadData = BOOL(WINAPI*)(HINTERNET request, void* buffer, DWORD toRead,
                                          LPDWORD read);
using PFN_WinHttpWriteData = BOOL(WINAPI*)(HINTERNET request, const void* buffer, DWORD toWrite,
                                           LPDWORD written);
using PFN_WinHttpQueryDataAvailable = BOOL(WINAPI*)(HINTERNET request, LPDWORD available);

// The operation table a binding fills from the loaded library; a default-constructed table is
// the unloaded state.
struct WinHttpTable {
    PFN_WinHttpOpen WinHttpOpen = nullptr;
    PFN_WinHttpSetOption WinHttpSetOption = nullptr;
    PFN_WinHttpConnect WinHttpConnect = nullptr;
    PFN_WinHttpCloseHandle WinHttpCloseHandle = nullptr;
    PFN_WinHttpQueryAuthSchemes WinHttpQueryAuthSchemes = nullptr;
    PFN_WinHttpQueryHeaders WinHttpQueryHeaders = nullptr;
    PFN_WinHttpReceiveResponse WinHttpReceiveResponse = nullptr;
    PFN_WinHttpSendRequest WinHttpSendRequest = nullptr;
    PFN_WinHttpSetCredentials WinHttpSetCredentials = nullptr;
    PFN_WinHttpSetTimeouts WinHttpSetTimeouts = nullptr;
    PFN_WinHttpOpenRequest WinHttpOpenRequest = nullptr;
    PFN_WinHttpReadData WinHttpReadData = nullptr;
    PFN_WinHttpWriteData WinHttpWriteData = nullptr;
    PFN_WinHttpQueryDataAvailable WinHttpQueryDataAvailable = nullptr;
};

constexpr uint32_t WINHTTP_ACCESS_TYPE_DEFAULT_PROXY = 0;
constexpr uint32_t WINHTTP_ACCESS_TYPE_NAMED_PROXY = 3;

constexpr uint32_t WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT = 7;
constexpr uint32_t WINHTTP_OPTION_DISABLE_FEATURE = 63;
constexpr uint32_t WINHTTP_OPTION_CONFIGURE_PASSPORT_AUTH = 83;
constexpr uint32_t WINHTTP_OPTION_SECURE_PROTOCOLS = 84;
constexpr uint32_t WINHTTP_DISABLE_REDIRECTS = 2;
constexpr uint32_t WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 = 0x800;
constexpr uint32_t WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 = 0x2000;

// WinHttpOpenRequest's flags.
constexpr uint32_t WINHTTP_FLAG_BYPASS_PROXY_CACHE = 0x100;
constexpr uint32_t WINHTTP_FLAG_SECURE = 0x800000;

// WinHttpQueryHeaders' levels.
constexpr uint32_t WINHTTP_QUERY_CONTENT_TYPE = 1;
constexpr uint32_t WINHTTP_QUERY_CONTENT_LENGTH = 5;
constexpr uint32_t WINHTTP_QUERY_VERSION = 18;
constexpr uint32_t WINHTTP_QUERY_STATUS_CODE = 19;
constexpr uint32_t WINHTTP_QUERY_STATUS_TEXT = 20;
constexpr uint32_t WINHTTP_QUERY_RAW_HEADERS_CRLF = 22;
constexpr uint32_t WINHTTP_QUERY_LOCATION = 33;
constexpr uint32_t WINHTTP_QUERY_SERVER = 37;
constexpr uint32_t WINHTTP_QUERY_WWW_AUTHENTICATE = 40;
constexpr uint32_t WINHTTP_QUERY_PROXY_AUTHENTICATE = 41;
constexpr uint32_t WINHTTP_QUERY_VIA = 66;
constexpr uint32_t WINHTTP_QUERY_FLAG_NUMBER = 0x20000000;

// The authentication schemes (bits) and targets.
constexpr uint32_t WINHTTP_AUTH_SCHEME_BASIC = 1;
constexpr uint32_t WINHTTP_AUTH_SCHEME_NTLM = 2;
constexpr uint32_t WINHTTP_AUTH_SCHEME_PASSPORT = 4;
constexpr uint32_t WINHTTP_AUTH_SCHEME_DIGEST = 8;
constexpr uint32_t WINHTTP_AUTH_SCHEME_NEGOTIATE = 16;
constexpr uint32_t WINHTTP_AUTH_TARGET_SERVER = 0;
constexpr uint32_t WINHTTP_AUTH_TARGET_PROXY = 1;
