// The 8-bit string of the whole system, in the system's ANSI code page.
#pragma once

#include <cstdarg>
#include <memory>
#include <string>
#include <string_view>

#include "automation/Automation.h"

class CZelString {
  public:
    CZelString() = default;
    CZelString(const char* text);       // NOLINT: implicit, texts flow freely into strings
    CZelString(std::string_view text);  // NOLINT
    explicit CZelString(std::string&& text) noexcept : text_(std::move(text)) {}
    explicit CZelString(const OLECHAR* bstr);
    // A BSTR as it goes on the wire: UTF-8, which the service reads, whatever the code page.
    static CZelString Wire(const OLECHAR* bstr);
    // True when a NUL stands inside the text: as a file name it would name another file, cut there.
    bool HasNul() const;
    explicit CZelString(int value);
    explicit CZelString(char ch);
    CZelString(const CZelString& other);
    CZelString(CZelString&& other) noexcept;
    CZelString& operator=(const CZelString& other);
    CZelString& operator=(CZelString&& other) noexcept;
    virtual ~CZelString() = default;

    void Assign(const char* text);
    void Assign(const CZelString& other);
    void Assign(const OLECHAR* bstr);
    void Append(const char* text);
    void Append(const CZelString& other);
    void Append(char ch);
    void Append(const char* text, size_t length);
    void Reserve(size_t length) { text_.reserve(length); }

    // printf-style into at most 2,047 characters.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // printf-style without a length limit; "%ls" takes a BSTR.
    void FormatSized(const char* format, ...);

    // A new BSTR the caller owns; null when it could not be allocated.
    BSTR ToBSTR() const;
    // ToBSTR for a text not needed afterwards, which is left empty; without room for the
    // conversion it is null and the text stays.
    BSTR TakeBSTR();

    void MakeUpper();
    void MakeLower();
    bool IsAllDigits() const;
    void Trim();
    void StripLeading(char ch);
    void EnsureTrailing(char ch);
    bool StartsWith(const char* prefix, bool caseSensitive) const;
    void Prepend(const char* prefix, bool force = false);
    bool Contains(const char* text, bool caseSensitive) const;
    void Replace(const char* search, const char* replacement, bool caseSensitive);

    // Field `index` of the text split at `separator`, or `def` when it is missing or empty. A call
    // for the field after the previous call's continues from the remembered position.
    CZelString GetToken(const char* separator, const char* def, int index);
    int GetTokenInt(const char* separator, int def, int index);
    int CountTokens(const char* separator) const;

    const char* c_str() const { return text_.c_str(); }
    size_t Length() const { return text_.size(); }
    bool IsEmpty() const { return text_.empty(); }
    std::string_view View() const { return text_; }
    const std::string& Str() const { return text_; }
    // The text itself, for a new owner; this string is left empty.
    std::string TakeStr() {
        ForgetToken();
        std::string text = std::move(text_);
        text_.clear();
        return text;
    }

    friend bool operator==(const CZelString& a, const CZelString& b) { return a.text_ == b.text_; }
    friend bool operator==(const CZelString& a, const char* b) { return a.text_ == (b ? b : ""); }

  private:
    void ForgetToken();

    // Where the last GetToken stopped, so that the next field is found from there: few strings
    // are ever split, so the place is kept apart and every other string stays small (lists of
    // records hold hundreds of thousands).
    struct TokenCursor {
        int index = -1;
        size_t pos = std::string::npos;
        std::string separator;
    };

    std::string text_;
    std::unique_ptr<TokenCursor> token_;
};
