#include "platform/XmlWellFormed.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

namespace {

// What each byte means to the scan of content: nothing, or the start of something to check.
enum ByteClass : uint8_t { kPlain = 0, kMarkup, kReference, kBracket, kControl };

struct ByteClasses {
    uint8_t of[256] = {};
    constexpr ByteClasses() {
        for (int c = 0; c < 0x20; ++c) of[c] = kControl;
        of[static_cast<int>('\t')] = of[static_cast<int>('\n')] = of[static_cast<int>('\r')] =
            kPlain;
        of[static_cast<int>('<')] = kMarkup;
        of[static_cast<int>('&')] = kReference;
        of[static_cast<int>(']')] = kBracket;
    }
};
constexpr ByteClasses kClasses;

uint8_t ClassOf(char c) {
    return kClasses.of[static_cast<unsigned char>(c)];
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsControl(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

bool IsAllowedCharacter(uint32_t code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// The length of the reference that starts at text[at] ('&'), or 0 when it is none XML allows.
size_t ReferenceLength(std::string_view text, size_t at) {
    // The name ends at the first ';' within a few bytes: no search over the rest of the text.
    size_t end = at + 1;
    while (end < text.size() && end - at <= 12 && text[end] != ';') ++end;
    if (end >= text.size() || text[end] != ';')
        return 0;
    std::string_view name = text.substr(at + 1, end - at - 1);
    switch (name.size()) {
        case 2:
            if ((name[0] == 'l' || name[0] == 'g') && name[1] == 't')
                return 4;
            break;
        case 3:
            if (name[0] == 'a' && name[1] == 'm' && name[2] == 'p')
                return 5;
            break;
        case 4:
            if (name == "quot" || name == "apos")
                return 6;
            break;
        default:
            break;
    }
    if (name.size() < 2 || name[0] != '#')
        return 0;
    bool hex = name[1] == 'x';
    std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty())
        return 0;
    uint32_t code = 0;
    for (char c : digits) {
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            return 0;
        code = code * (hex ? 16 : 10) + digit;
        if (code > 0x10FFFF)
            return 0;
    }
    return IsAllowedCharacter(code) ? end - at + 1 : 0;
}

// Checks a start tag from its '<' and returns the index after its '>', or npos. Sets closed when
// the tag ends with "/>".
size_t CheckStartTag(std::string_view text, size_t at, bool& closed) {
    std::vector<std::string_view> names;
    size_t i = at + 1;
    while (i < text.size() && !IsBlank(text[i]) && text[i] != '>' && text[i] != '/') {
        if (ClassOf(text[i]) == kControl)
            return std::string_view::npos;
        ++i;
    }
    for (;;) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i >= text.size())
            return std::string_view::npos;
        if (text[i] == '>' || (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '>')) {
            closed = text[i] == '/';
            return i + (closed ? 2 : 1);
        }
        size_t nameStart = i;
        while (i < text.size() && text[i] != '=' && !IsBlank(text[i])) ++i;
        std::string_view name = text.substr(nameStart, i - nameStart);
        for (std::string_view seen : names)
            if (seen == name)
                return std::string_view::npos;  // an attribute given twice
        names.push_back(name);
        while (i < text.size() && text[i] != '\'' && text[i] != '"') ++i;
        if (i >= text.size())
            return std::string_view::npos;
        char quote = text[i++];
        for (; i < text.size() && text[i] != quote; ++i) {
            if (IsControl(static_cast<unsigned char>(text[i])))
                return std::string_view::npos;
            if (text[i] == '&') {
                size_t length = ReferenceLength(text, i);
                if (length == 0)
                    return std::string_view::npos;
                i += length - 1;
            }
        }
        if (i >= text.size())
            return std::string_view::npos;
        ++i;
    }
}

// The index after the terminator that closes the construct starting at 'from', or npos.
size_t After(std::string_view text, size_t from, std::string_view terminator) {
    size_t end = text.find(terminator, from);
    return end == std::string_view::npos ? end : end + terminator.size();
}

bool ScanWellFormed(std::string_view text) {
    size_t depth = 0;
    bool sawRoot = false;
    size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;  // a byte-order mark
    const size_t size = text.size();
    while (i < size) {
        if (depth > 0) {
            // Content: most bytes need no look at all.
            while (i < size && ClassOf(text[i]) == kPlain) ++i;
            if (i == size)
                break;
            switch (ClassOf(text[i])) {
                case kReference: {
                    size_t length = ReferenceLength(text, i);
                    if (length == 0)
                        return false;
                    i += length;
                    continue;
                }
                case kBracket:
                    if (text.substr(i, 3) == "]]>")
                        return false;
                    ++i;
                    continue;
                case kControl:
                    return false;
                default:
                    break;  // markup
            }
        } else if (text[i] != '<') {
            if (!IsBlank(text[i]))
                return false;  // text outside the root element
            ++i;
            continue;
        }
        std::string_view rest = text.substr(i);
        size_t next;
        bool checkControls = true;
        if (rest.substr(0, 2) == "</") {
            if (depth == 0)
                return false;
            --depth;
            next = After(text, i + 2, ">");
            checkControls = false;  // the parser matched its name to the start tag's
        } else if (rest.substr(0, 4) == "<!--") {
            next = After(text, i + 4, "-->");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            if (depth == 0)
                return false;
            next = After(text, i + 9, "]]>");
        } else if (rest.substr(0, 2) == "<?") {
            next = After(text, i + 2, "?>");
        } else if (rest.substr(0, 2) == "<!") {
            if (sawRoot)
                return false;
            next = After(text, i + 2, ">");  // a document type without internal subset
        } else {
            if (depth == 0 && sawRoot)
                return false;  // a second root element
            sawRoot = true;
            bool closed = false;
            next = CheckStartTag(text, i, closed);
            if (!closed)
                ++depth;
            checkControls = false;  // checked on the way
        }
        if (next == std::string_view::npos)
            return false;
        if (checkControls)
            for (size_t k = i; k < next; ++k)
                if (ClassOf(text[k]) == kControl)
                    return false;
        i = next;
    }
    return sawRoot && depth == 0;
}

bool HasControlCharacter(std::string_view text) {
    // Branch-free, so that the compiler runs it over many bytes at once (this file is compiled
    // with vectorisation on).
    unsigned bad = 0;
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        bad |= static_cast<unsigned>(b < 0x20) & static_cast<unsigned>(b != '\t') &
               static_cast<unsigned>(b != '\n') & static_cast<unsigned>(b != '\r');
    }
    return bad != 0;
}

// Skips blanks, comments and processing instructions (and a document type, when allowed) from
// 'at'; returns where something else begins.
size_t SkipMisc(std::string_view text, size_t at, bool allowDoctype) {
    while (at < text.size()) {
        if (IsBlank(text[at])) {
            ++at;
        } else if (text.substr(at, 4) == "<!--") {
            at = After(text, at + 4, "-->");
        } else if (text.substr(at, 2) == "<?") {
            at = After(text, at + 2, "?>");
        } else if (allowDoctype && text.substr(at, 9) == "<!DOCTYPE") {
            at = After(text, at + 9, ">");
        } else {
            return at;
        }
        if (at == std::string_view::npos)
            return at;
    }
    return at;
}

// Nothing but markup where the parser put the root element: a document that starts with the
// root's start tag and ends with its end tag, with only blanks, comments and processing
// instructions around them.
bool OnlyTheRootAtTopLevel(std::string_view text, size_t open, std::string_view root) {
    if (open == std::string_view::npos ||
        text.substr(open, 1 + root.size()) != "<" + std::string(root))
        return false;
    std::string closing = "</" + std::string(root);
    size_t close = text.rfind(closing);
    if (close == std::string_view::npos || close < open)
        return false;
    size_t end = After(text, close + closing.size(), ">");
    return end != std::string_view::npos && SkipMisc(text, end, false) == text.size();
}

// Any start tag with a second attribute shows a quote, blanks, a name and "=" in a row.
bool MayRepeatAfter(std::string_view text, char quote) {
    for (size_t at = text.find(quote); at != std::string_view::npos;
         at = text.find(quote, at + 1)) {
        size_t i = at + 1;
        if (i >= text.size() || !IsBlank(text[i]))
            continue;
        while (i < text.size() && IsBlank(text[i])) ++i;
        size_t name = i;
        while (i < text.size() && !IsBlank(text[i]) && text[i] != '=' && text[i] != '>' &&
               text[i] != '<' && text[i] != '"' && text[i] != '\'')
            ++i;
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i > name && i < text.size() && text[i] == '=')
            return true;
    }
    return false;
}

bool MayRepeatAnAttribute(std::string_view text) {
    return MayRepeatAfter(text, '"') || MayRepeatAfter(text, '\'');
}

bool ReferencesAreValid(std::string_view text) {
    for (size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', at + 1)) {
        size_t length = ReferenceLength(text, at);
        if (length == 0)
            return false;
        at += length - 1;
    }
    return true;
}

}  // namespace

bool IsWellFormedXml(std::string_view text) {
    return ScanWellFormed(text);
}

bool IsWellFormedParse(std::string_view text, std::string_view root) {
    if (HasControlCharacter(text))
        return false;
    size_t start = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    size_t open = SkipMisc(text, start, true);  // past the declaration: its pseudo-attributes
    // Cheap checks over the whole text; where one of them has a doubt, the full scan decides.
    if (open == std::string_view::npos || !OnlyTheRootAtTopLevel(text, open, root) ||
        !ReferencesAreValid(text) || text.find("]]>") != std::string_view::npos ||
        MayRepeatAnAttribute(text.substr(open)))
        return ScanWellFormed(text);
    return true;
}

}  // namespace platform
