// The automation interfaces and the identities of the component, fixed once and never changed.
// On Windows they come from the interface description (compiled by widl); on Linux the same
// values are written here, and a test compares them with that description.
#pragma once

#include "automation/Automation.h"

#if defined(_WIN32)

#include "warbler.h"

template <class Interface>
const IID& IidOf() {
    return __uuidof(Interface);
}

#else

// Interfaces whose members the Linux dispatch tables serve: tags over IDispatch.
struct ITwitter : IDispatch {
  protected:
    ~ITwitter() = default;
};
struct ITweet : IDispatch {
  protected:
    ~ITweet() = default;
};
struct IUser : IDispatch {
  protected:
    ~IUser() = default;
};

inline constexpr CLSID CLSID_Twitter = {
    0xdc7d96f0, 0xe332, 0x4d41, {0xbb, 0xc5, 0xd9, 0x3c, 0xdb, 0x8f, 0x3d, 0x87}};
inline constexpr CLSID CLSID_Tweet = {
    0xdf374a98, 0xc6ba, 0x4aea, {0x9a, 0x6c, 0x69, 0x20, 0x62, 0x5c, 0xf1, 0xe7}};
inline constexpr CLSID CLSID_User = {
    0x2b67d5cd, 0x2072, 0x4a61, {0x87, 0x2b, 0xbb, 0xa6, 0x0b, 0x98, 0x57, 0x95}};
inline constexpr IID IID_ITwitter = {
    0x3d12e5bf, 0x95fd, 0x476d, {0x84, 0x37, 0xe6, 0x21, 0x6a, 0xca, 0xc8, 0xc7}};
inline constexpr IID IID_ITweet = {
    0xde8c0785, 0xcc9e, 0x49b0, {0xa7, 0x57, 0xea, 0xe4, 0xb6, 0x9b, 0x7e, 0x04}};
inline constexpr IID IID_IUser = {
    0x252dea60, 0x71dd, 0x4b66, {0xba, 0x75, 0x41, 0x22, 0x01, 0x4c, 0x0c, 0x78}};
inline constexpr GUID LIBID_WarblerLib = {
    0x2f01ab51, 0x1085, 0x4c69, {0xaf, 0x29, 0x36, 0x86, 0x9e, 0xf8, 0x71, 0x8b}};

template <class Interface>
const IID& IidOf();
template <>
inline const IID& IidOf<ITwitter>() {
    return IID_ITwitter;
}
template <>
inline const IID& IidOf<ITweet>() {
    return IID_ITweet;
}
template <>
inline const IID& IidOf<IUser>() {
    return IID_IUser;
}

#endif

// The application's identity in the registry; not part of the type library.
inline constexpr GUID APPID_Warbler = {
    0x3968ee95, 0xdcc0, 0x4ed9, {0x86, 0x7b, 0xfc, 0x3b, 0x16, 0xf8, 0x71, 0x8f}};
