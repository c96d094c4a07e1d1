// The calling thread's last error, as the transport's operations report it. On Linux the
// transport module sets errno to the WinHTTP error number as the last thing before it returns
// failure: errno is per thread and shared by every module without linking them together.
#pragma once

#include <cerrno>
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace platform {

#if defined(_WIN32)
inline uint32_t LastError() {
    return GetLastError();
}
inline void SetLastError(uint32_t code) {
    ::SetLastError(code);
}
#else
inline uint32_t LastError() {
    return static_cast<uint32_t>(errno);
}
inline void SetLastError(uint32_t code) {
    errno = static_cast<int>(code);
}
#endif

}  // namespace platform

// WinHTTP's error numbers that the system tells apart.
constexpr uint32_t ERROR_WINHTTP_TIMEOUT = 12002;
constexpr uint32_t ERROR_WINHTTP_INTERNAL_ERROR = 12004;
constexpr uint32_t ERROR_WINHTTP_INVALID_URL = 12005;
constexpr uint32_t ERROR_WINHTTP_NAME_NOT_RESOLVED = 12007;
constexpr uint32_t ERROR_WINHTTP_LOGIN_FAILURE = 12015;
constexpr uint32_t ERROR_WINHTTP_OPERATION_CANCELLED = 12017;
constexpr uint32_t ERROR_WINHTTP_INCORRECT_HANDLE_TYPE = 12018;
constexpr uint32_t ERROR_WINHTTP_INCORRECT_HANDLE_STATE = 12019;
constexpr uint32_t ERROR_WINHTTP_CANNOT_CONNECT = 12029;
constexpr uint32_t ERROR_WINHTTP_CONNECTION_ERROR = 12030;
constexpr uint32_t ERROR_WINHTTP_HEADER_NOT_FOUND = 12150;
constexpr uint32_t ERROR_WINHTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr uint32_t ERROR_WINHTTP_SECURE_FAILURE = 12175;
constexpr uint32_t ERROR_WINHTTP_HEADER_SIZE_OVERFLOW = 12182;
// The Windows headers have the general ones.
#if !defined(_WIN32)
constexpr uint32_t ERROR_INVALID_HANDLE = 6;
constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr uint32_t ERROR_INVALID_OPERATION = 4317;
#endif

namespace platform {

// What a WinHTTP error number means, in a few words for the log.
inline const char* WinHttpErrorText(uint32_t error) {
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT:
            return "the operation timed out";
        case ERROR_WINHTTP_INTERNAL_ERROR:
            return "an internal error of the transport";
        case ERROR_WINHTTP_INVALID_URL:
            return "the URL is invalid";
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            return "the server name cannot be resolved";
        case ERROR_WINHTTP_LOGIN_FAILURE:
            return "the login attempt failed";
        case ERROR_WINHTTP_OPERATION_CANCELLED:
            return "the operation was cancelled";
        case ERROR_WINHTTP_INCORRECT_HANDLE_TYPE:
            return "the handle is of the wrong type";
        case ERROR_WINHTTP_INCORRECT_HANDLE_STATE:
            return "the handle is not in the state for this operation";
        case ERROR_WINHTTP_CANNOT_CONNECT:
            return "the connection to the server failed";
        case ERROR_WINHTTP_CONNECTION_ERROR:
            return "the connection was reset or closed";
        case ERROR_WINHTTP_HEADER_NOT_FOUND:
            return "the header was not found";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return "the server's response cannot be parsed";
        case ERROR_WINHTTP_SECURE_FAILURE:
            return "the server's certificate is not trusted or TLS failed";
        case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW:
            return "the response head is too large";
        case ERROR_NOT_ENOUGH_MEMORY:
            return "not enough memory";
        case ERROR_INVALID_PARAMETER:
            return "a parameter is invalid";
        case ERROR_INSUFFICIENT_BUFFER:
            return "the buffer is too small";
        case ERROR_INVALID_OPERATION:
            return "the operation is not valid here";
        default:
            return "an error the system does not tell apart";
    }
}

}  // namespace platform
