#include "common/ZelString.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "automation/BstrText.h"
#include "platform/CodePage.h"

namespace {

char FoldUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameFolded(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (FoldUpper(a[i]) != FoldUpper(b[i]))
            return false;
    return true;
}

size_t FindText(std::string_view hay, std::string_view needle, size_t from, bool caseSensitive) {
    if (caseSensitive)
        return hay.find(needle, from);
    if (needle.size() > hay.size())
        return std::string_view::npos;
    for (size_t i = from; i + needle.size() <= hay.size(); ++i)
        if (SameFolded(hay.data() + i, needle.data(), needle.size()))
            return i;
    return std::string_view::npos;
}

// Formats one printf conversion with its argument taken from args.
void AppendConversion(std::string& out, const std::string& directive, char conv,
                      const std::string& len, va_list* args) {
    char small[128];
    auto emit = [&](auto value) {
        int n = std::snprintf(small, sizeof small, directive.c_str(), value);
        if (n < 0)
            return;
        if (static_cast<size_t>(n) < sizeof small) {
            out.append(small, static_cast<size_t>(n));
        } else {
            std::string big(static_cast<size_t>(n) + 1, '\0');
            std::snprintf(big.data(), big.size(), directive.c_str(), value);
            out.append(big.data(), static_cast<size_t>(n));
        }
    };
    switch (conv) {
        case 'd':
        case 'i':
            if (len == "l" || len == "z" || len == "t" || len == "j")
                emit(va_arg(*args, long));
            else if (len == "ll" || len == "q")
                emit(va_arg(*args, long long));
            else
                emit(va_arg(*args, int));
            break;
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            if (len == "l" || len == "z" || len == "t" || len == "j")
                emit(va_arg(*args, unsigned long));
            else if (len == "ll" || len == "q")
                emit(va_arg(*args, unsigned long long));
            else
                emit(va_arg(*args, unsigned int));
            break;
        case 'c':
            emit(va_arg(*args, int));
            break;
        case 'p':
            emit(va_arg(*args, void*));
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (len == "L")
                emit(va_arg(*args, long double));
            else
                emit(va_arg(*args, double));
            break;
        default:
            break;
    }
}

// Appends text through a "%...s" conversion built from the directive (flags, width, precision).
void AppendText(std::string& out, const std::string& directive, const char* text) {
    std::string conversion = directive + "s";
    int n = std::snprintf(nullptr, 0, conversion.c_str(), text);
    if (n <= 0)
        return;
    std::string piece(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(piece.data(), piece.size(), conversion.c_str(), text);
    out.append(piece.data(), static_cast<size_t>(n));
}

std::string FormatUnbounded(const char* format, va_list source) {
    va_list args;
    va_copy(args, source);
    std::string out;
    const char* p = format;
    while (*p != 0) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        std::string directive = "%";
        while (*p != 0 && std::strchr("-+ #0'", *p) != nullptr) directive += *p++;
        auto numberOrStar = [&]() {
            if (*p == '*') {
                directive += std::to_string(va_arg(args, int));
                ++p;
            } else {
                while (*p >= '0' && *p <= '9') directive += *p++;
            }
        };
        numberOrStar();
        if (*p == '.') {
            directive += *p++;
            numberOrStar();
        }
        std::string len;
        while (*p != 0 && std::strchr("hlLqjzt", *p) != nullptr) len += *p++;
        char conv = *p;
        if (conv == 0) {
            out.append(start);  // a dangling '%' is copied as text
            break;
        }
        ++p;
        if (conv == 's' && len == "l") {
            AppendText(out, directive,
                       automation::BstrToAnsi(va_arg(args, const OLECHAR*)).c_str());
        } else if (conv == 's') {
            const char* text = va_arg(args, const char*);
            AppendText(out, directive, text != nullptr ? text : "(null)");
        } else if (conv == 'n') {
            (void)va_arg(args, int*);  // never written: a format must not write memory
        } else {
            AppendConversion(out, directive + len + conv, conv, len, &args);
        }
    }
    va_end(args);
    return out;
}

}  // namespace

CZelString::CZelString(const char* text) : text_(text != nullptr ? text : "") {}
CZelString::CZelString(std::string_view text) : text_(text) {}
CZelString::CZelString(const OLECHAR* bstr) : text_(automation::BstrToAnsi(bstr)) {}

bool CZelString::HasNul() const {
    return text_.find('\0') != std::string::npos;
}

CZelString CZelString::Wire(const OLECHAR* bstr) {
    return CZelString(automation::BstrToUtf8(bstr));
}
CZelString::CZelString(int value) : text_(std::to_string(value)) {}
CZelString::CZelString(char ch) : text_(1, ch) {}
CZelString::CZelString(const CZelString& other) : text_(other.text_) {}
CZelString::CZelString(CZelString&& other) noexcept : text_(std::move(other.text_)) {
    other.ForgetToken();
}

CZelString& CZelString::operator=(const CZelString& other) {
    if (this != &other)
        Assign(other);
    return *this;
}

CZelString& CZelString::operator=(CZelString&& other) noexcept {
    if (this != &other) {
        text_ = std::move(other.text_);
        other.text_.clear();
        other.ForgetToken();
        ForgetToken();
    }
    return *this;
}

void CZelString::ForgetToken() {
    token_.reset();
}

void CZelString::Assign(const char* text) {
    text_ = text != nullptr ? text : "";
    ForgetToken();
}

void CZelString::Assign(const CZelString& other) {
    if (this == &other)
        return;
    text_ = other.text_;
    ForgetToken();
}

void CZelString::Assign(const OLECHAR* bstr) {
    text_ = automation::BstrToAnsi(bstr);
    ForgetToken();
}

void CZelString::Append(const char* text) {
    if (text != nullptr)
        text_ += text;
}

void CZelString::Append(const CZelString& other) {
    text_ += other.text_;
}

void CZelString::Append(const char* text, size_t length) {
    text_.append(text, length);
    ForgetToken();
}

void CZelString::Append(char ch) {
    text_ += ch;
}

void CZelString::Format(const char* format, ...) {
    if (format == nullptr) {
        Assign("");
        return;
    }
    char buffer[2048];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Assign(n < 0 ? "" : buffer);
}

void CZelString::FormatSized(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatUnbounded(format != nullptr ? format : "", args);
    va_end(args);
    text_ = std::move(text);
    ForgetToken();
}

BSTR CZelString::ToBSTR() const {
    return automation::AnsiToBstr(text_);
}

BSTR CZelString::TakeBSTR() {
    size_t units = 0;
    BSTR text = automation::AllocateBstrFor(text_, units);
    if (text != nullptr) {
        platform::AnsiToWideReleasing(text_, text, units);
        ForgetToken();
    }
    return text;
}

void CZelString::MakeUpper() {
    for (char& c : text_) c = FoldUpper(c);
    ForgetToken();
}

void CZelString::MakeLower() {
    for (char& c : text_)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    ForgetToken();
}

bool CZelString::IsAllDigits() const {
    for (char c : text_)
        if (c < '0' || c > '9')
            return false;
    return true;
}

void CZelString::Trim() {
    static constexpr const char* kSpace = " \r\n\t";
    size_t first = text_.find_first_not_of(kSpace);
    if (first == std::string::npos) {
        text_.clear();
    } else {
        text_.erase(text_.find_last_not_of(kSpace) + 1);
        text_.erase(0, first);
    }
    ForgetToken();
}

void CZelString::StripLeading(char ch) {
    size_t first = text_.find_first_not_of(ch);
    text_.erase(0, first == std::string::npos ? text_.size() : first);
    ForgetToken();
}

void CZelString::EnsureTrailing(char ch) {
    if (text_.empty() || text_.back() != ch)
        text_ += ch;
}

bool CZelString::StartsWith(const char* prefix, bool caseSensitive) const {
    if (prefix == nullptr)
        return true;
    size_t n = std::strlen(prefix);
    if (n > text_.size())
        return false;
    return caseSensitive ? text_.compare(0, n, prefix) == 0 : SameFolded(text_.data(), prefix, n);
}

void CZelString::Prepend(const char* prefix, bool force) {
    if (prefix == nullptr || *prefix == 0)
        return;
    if (!force && StartsWith(prefix, true))
        return;
    text_.insert(0, prefix);
    ForgetToken();
}

bool CZelString::Contains(const char* text, bool caseSensitive) const {
    if (text == nullptr || *text == 0 || text_.empty())
        return false;
    return FindText(text_, text, 0, caseSensitive) != std::string_view::npos;
}

void CZelString::Replace(const char* search, const char* replacement, bool caseSensitive) {
    if (search == nullptr || *search == 0)
        return;
    std::string_view needle(search);
    std::string_view with(replacement != nullptr ? replacement : "");
    std::string result;
    size_t from = 0;
    for (;;) {
        size_t at = FindText(text_, needle, from, caseSensitive);
        if (at == std::string_view::npos)
            break;
        result.append(text_, from, at - from);
        result.append(with);
        from = at + needle.size();
    }
    result.append(text_, from, std::string::npos);
    text_ = std::move(result);
    ForgetToken();
}

CZelString CZelString::GetToken(const char* separator, const char* def, int index) {
    std::string_view sep(separator != nullptr ? separator : "");
    size_t start = std::string::npos;
    if (index >= 0 && !sep.empty()) {
        if (token_ && index == token_->index + 1 && token_->pos != std::string::npos &&
            sep == token_->separator) {
            size_t next = text_.find(sep, token_->pos);
            if (next != std::string::npos)
                start = next + sep.size();
        } else {
            start = 0;
            for (int i = 0; i < index && start != std::string::npos; ++i) {
                size_t next = text_.find(sep, start);
                start = next == std::string::npos ? next : next + sep.size();
            }
        }
    } else if (index == 0) {
        start = 0;  // without a separator the whole text is the only field
    }
    if (start == std::string::npos) {
        ForgetToken();
        return CZelString(def);
    }
    if (!token_)
        token_ = std::make_unique<TokenCursor>();
    token_->index = index;
    token_->pos = start;
    token_->separator = sep;
    size_t end = sep.empty() ? std::string::npos : text_.find(sep, start);
    std::string_view field = std::string_view(text_).substr(
        start, end == std::string::npos ? std::string::npos : end - start);
    return field.empty() ? CZelString(def) : CZelString(field);
}

int CZelString::GetTokenInt(const char* separator, int def, int index) {
    CZelString field = GetToken(separator, "", index);
    if (field.IsEmpty())
        return def;
    errno = 0;
    long long value = std::strtoll(field.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

int CZelString::CountTokens(const char* separator) const {
    std::string_view sep(separator != nullptr ? separator : "");
    if (text_.empty())
        return 0;
    if (sep.empty())
        return 1;
    int count = 0;
    size_t start = 0;
    for (;;) {
        size_t end = text_.find(sep, start);
        size_t length = (end == std::string::npos ? text_.size() : end) - start;
        if (length == 0)
            break;
        ++count;
        if (end == std::string::npos)
            break;
        start = end + sep.size();
    }
    return count;
}
