#pragma once

#include <string>
#include <string_view>

#include "common/ZelString.h"

// Letters and digits stay, white space becomes "+", every other byte %XX (upper case), except
// the bytes listed in `keep`. Encodes `text` in place.
void UrlEncode(CZelString& text, const char* keep = nullptr);

// The same on a byte string, returning the encoded text.
std::string UrlEncoded(std::string_view text, std::string_view keep = {});

// The OAuth encoding: UrlEncoded with "-._~" kept and white space written as "%20".
std::string OAuthEncoded(std::string_view text);
// The same appended to out, without a string of its own.
void AppendOAuthEncoded(std::string& out, std::string_view text);
