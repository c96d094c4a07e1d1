// The WinHTTP interface as the HTTP client reaches it through its binding's operation table: the
// signatures of the fourteen operations and the numbers the client uses.
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
