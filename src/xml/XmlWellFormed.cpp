#include "xml/XmlWellFormed.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace xml {

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

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The character that starts at text[at] as a code point, and its length in bytes; 0 bytes when
// the bytes there are no UTF-8.
uint32_t DecodeAt(std::string_view text, size_t at, size_t& length) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
    unsigned char lead = byte(0);
    length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || at + length > text.size()) {
        length = 0;
        return 0;
    }
    if (length == 1)
        return lead;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            length = 0;
            return 0;
        }
        code = (code << 6) | (byte(k) & 0x3F);
    }
    return code;
}

bool IsNameStart(uint32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameCharacter(uint32_t c) {
    return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// A name as the namespace-aware parser takes it: parts without a colon, and where qualified, one
// colon between a prefix and a local part.
// What an ASCII byte may be in a name: 1 a name's first character, 2 a later one only.
struct AsciiNameClasses {
    uint8_t of[128] = {};
    constexpr AsciiNameClasses() {
        for (int c = 'a'; c <= 'z'; ++c) of[c] = of[c - 32] = 1;
        of[static_cast<int>('_')] = 1;
        for (int c = '0'; c <= '9'; ++c) of[c] = 2;
        of[static_cast<int>('-')] = of[static_cast<int>('.')] = 2;
    }
};
constexpr AsciiNameClasses kAsciiName;

bool IsName(std::string_view name, bool qualified) {
    size_t colons = 0;
    bool partStart = true;
    for (size_t i = 0; i < name.size();) {
        auto byte = static_cast<unsigned char>(name[i]);
        // Replies' names are ASCII: a table answers for them, without decoding.
        if (byte < 0x80 && byte != ':') {
            uint8_t kind = kAsciiName.of[byte];
            if (kind == 0 || (partStart && kind != 1))
                return false;
            partStart = false;
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t c = DecodeAt(name, i, length);
        if (length == 0)
            return false;
        if (c == ':') {
            if (!qualified || partStart || ++colons > 1)
                return false;
            partStart = true;
        } else if (partStart ? !IsNameStart(c) : !IsNameCharacter(c)) {
            return false;
        } else {
            partStart = false;
        }
        i += length;
    }
    return !partStart;  // neither empty nor ended by a colon
}

// The length of the reference that starts at text[at] ('&'), or 0 when it is none XML allows.
size_t ReferenceLength(std::string_view text, size_t at) {
    // The name ends at the first byte that no reference holds; a character number may have any
    // number of leading zeros.
    size_t end = at + 1;
    if (end < text.size() && text[end] == '#')
        ++end;
    while (end < text.size() && IsAsciiAlnum(text[end])) ++end;
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

// From the end of an attribute's name: past blanks, '=' and blanks to the quote that opens its
// value; npos when that is not what follows.
size_t ValueQuote(std::string_view text, size_t i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size() || text[i] != '=')
        return std::string_view::npos;
    ++i;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size() || (text[i] != '\'' && text[i] != '"'))
        return std::string_view::npos;
    return i;
}

// The index after the name of the tag whose '<' is at 'at', as a parser reads the name: up to a
// blank, '/' or '>'.
size_t TagNameEnd(std::string_view text, size_t at) {
    size_t i = at + 1;
    while (i < text.size() && !IsBlank(text[i]) && text[i] != '>' && text[i] != '/') ++i;
    return i;
}

// Checks a start tag from its '<' and returns the index after its '>', or npos. Sets closed when
// the tag ends with "/>". Attributes are name, '=' and a quoted value with neither '<' nor a
// control character in it, apart from each other by blanks, each name once.
size_t CheckStartTag(std::string_view text, size_t at, bool& closed) {
    std::vector<std::string_view> names;
    size_t i = TagNameEnd(text, at);
    if (!IsName(text.substr(at + 1, i - at - 1), true))
        return std::string_view::npos;
    for (;;) {
        size_t blanks = i;
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i >= text.size())
            return std::string_view::npos;
        if (text[i] == '>' || (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '>')) {
            // Each name once: sorted, so that a tag of many attributes costs no more than its
            // length.
            std::sort(names.begin(), names.end());
            if (std::adjacent_find(names.begin(), names.end()) != names.end())
                return std::string_view::npos;
            closed = text[i] == '/';
            return i + (closed ? 2 : 1);
        }
        if (i == blanks)
            return std::string_view::npos;  // an attribute run on from what came before
        size_t nameStart = i;
        while (i < text.size() && text[i] != '=' && !IsBlank(text[i]) && text[i] != '>' &&
               text[i] != '<' && text[i] != '/' && text[i] != '"' && text[i] != '\'')
            ++i;
        std::string_view name = text.substr(nameStart, i - nameStart);
        if (!IsName(name, true))
            return std::string_view::npos;
        names.push_back(name);
        i = ValueQuote(text, i);
        if (i == std::string_view::npos)
            return i;
        char quote = text[i++];
        for (; i < text.size() && text[i] != quote; ++i) {
            if (IsControl(static_cast<unsigned char>(text[i])) || text[i] == '<')
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

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view lower) {
    if (text.size() - at < lower.size())
        return false;
    for (size_t k = 0; k < lower.size(); ++k)
        if ((text[at + k] | 0x20) != lower[k])
            return false;
    return true;
}

// Where a document's XML declaration ends, when it starts at 'at' ("<?xml" and a blank), or npos
// when it is not one: version, then optionally encoding, then optionally standalone ("yes" or
// "no"), in that order.
size_t CheckDeclaration(std::string_view text, size_t at) {
    static constexpr std::string_view kNames[] = {"version", "encoding", "standalone"};
    size_t i = at + 5;
    size_t next = 0;  // the first pseudo-attribute still allowed
    for (;;) {
        size_t blanks = i;
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (text.substr(i, 2) == "?>")
            return next > 0 ? i + 2 : std::string_view::npos;  // the version is required
        if (i == blanks)
            return std::string_view::npos;
        size_t found = next;
        while (found < 3 && text.substr(i, kNames[found].size()) != kNames[found]) ++found;
        if (found == 3 || (found > 0 && next == 0))
            return std::string_view::npos;
        i += kNames[found].size();
        next = found + 1;
        i = ValueQuote(text, i);
        if (i == std::string_view::npos)
            return i;
        size_t end = text.find(text[i], i + 1);
        if (end == std::string_view::npos)
            return std::string_view::npos;
        std::string_view value = text.substr(i + 1, end - i - 1);
        bool valid = !value.empty();
        for (char c : value) {
            char lower = static_cast<char>(c | 0x20);
            valid = valid && ((lower >= 'a' && lower <= 'z') || (c >= '0' && c <= '9') ||
                              c == '.' || c == '_' || c == '-');
        }
        if (!valid || (found == 2 && value != "yes" && value != "no"))
            return std::string_view::npos;
        i = end + 1;
    }
}

// Where a document's content begins: after a byte-order mark and the declaration, if there are
// any; npos when what is there is no declaration that holds.
size_t AfterDeclaration(std::string_view text) {
    size_t start = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    if (text.substr(start, 5) != "<?xml" || start + 5 >= text.size())
        return start;
    return IsBlank(text[start + 5]) ? CheckDeclaration(text, start) : start;
}

// A processing instruction from its "<?": a name without a colon other than "xml" in any case
// (reserved for the declaration), then a blank or the end.
size_t CheckInstruction(std::string_view text, size_t at) {
    size_t i = at + 2;
    while (i < text.size() && !IsBlank(text[i]) && text.substr(i, 2) != "?>") ++i;
    std::string_view target = text.substr(at + 2, i - at - 2);
    if (!IsName(target, false) || (target.size() == 3 && StartsWithNoCase(target, 0, "xml")))
        return std::string_view::npos;
    return After(text, i, "?>");
}

// A comment from its "<!--": no "--" inside, nor a '-' just before the end.
size_t CheckComment(std::string_view text, size_t at) {
    size_t dashes = text.find("--", at + 4);
    if (dashes == std::string_view::npos || text.substr(dashes, 3) != "-->")
        return std::string_view::npos;
    return dashes + 3;
}

// U+FFFE and U+FFFF are no characters, though they are well-formed UTF-8.
bool HasNonCharacter(std::string_view text) {
    for (size_t at = text.find('\xEF'); at != std::string_view::npos;
         at = text.find('\xEF', at + 1))
        if (text.substr(at + 1, 1) == "\xBF" && text.size() > at + 2 &&
            (text[at + 2] == '\xBE' || text[at + 2] == '\xBF'))
            return true;
    return false;
}

bool ScanWellFormed(std::string_view text) {
    if (HasNonCharacter(text))
        return false;
    size_t depth = 0;
    bool sawRoot = false;
    size_t i = AfterDeclaration(text);
    if (i == std::string_view::npos)
        return false;
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
            next = CheckComment(text, i);
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            if (depth == 0)
                return false;
            next = After(text, i + 9, "]]>");
        } else if (rest.substr(0, 2) == "<?") {
            next = CheckInstruction(text, i);
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

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    return at;
}

// Nothing but the root where the parser put it: from 'open' the root's start tag, and after its
// end tag only blanks. (Comments, instructions and a document type around it are the full
// scan's to judge.)
bool OnlyTheRootAtTopLevel(std::string_view text, size_t open, std::string_view root) {
    if (text.substr(open, 1 + root.size()) != "<" + std::string(root))
        return false;
    std::string closing = "</" + std::string(root);
    size_t close = text.rfind(closing);
    if (close == std::string_view::npos || close < open)
        return false;
    size_t end = After(text, close + closing.size(), ">");
    return end != std::string_view::npos && SkipBlanks(text, end) == text.size();
}

// Every start tag that could be wrong passes the full check of a tag. The parser has taken only
// names that begin as names do and go on with ASCII name characters, a colon or bytes beyond
// ASCII, so a tag is in doubt when it has an attribute ('=' before a quote) or a colon or such a
// byte in its name. Those bytes are found sixteen at a time; each is traced back to the '<' of
// its tag, every byte looked at backwards once, and a checked tag's own bytes are passed over, so
// that a wide tag or a text of many such bytes costs no more than its length.
// Bit k set where the k-th of the 'count' (at most 16) bytes at 'data' is '=', ':' or beyond ASCII.
uint32_t DoubtMarks(const char* data, size_t count) {
#ifdef __SSE2__
    if (count == 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
        __m128i marks = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('=')),
                                     _mm_cmpeq_epi8(block, _mm_set1_epi8(':')));
        return static_cast<uint32_t>(_mm_movemask_epi8(marks) | _mm_movemask_epi8(block));
    }
#endif
    uint32_t mask = 0;
    for (size_t k = 0; k < count; ++k) {
        char c = data[k];
        if (c == '=' || c == ':' || static_cast<unsigned char>(c) >= 0x80)
            mask |= 1u << k;
    }
    return mask;
}

bool TagsInDoubtHold(std::string_view text, size_t from) {
    const char* data = text.data();
    const size_t size = text.size();
    size_t nearestTag = std::string_view::npos;  // the last '<' before what was searched
    size_t searched = from;
    size_t checkedEnd = 0;
    for (size_t base = from; base < size; base += 16) {
        uint32_t mask = DoubtMarks(data + base, std::min<size_t>(16, size - base));
        for (; mask != 0; mask &= mask - 1) {
            size_t at = base + static_cast<size_t>(__builtin_ctz(mask));
            if (at < checkedEnd)
                continue;
            if (data[at] == '=') {
                size_t quote = at + 1;
                while (quote < size && IsBlank(data[quote])) ++quote;
                if (quote >= size || (data[quote] != '"' && data[quote] != '\''))
                    continue;
            }
            size_t found = text.substr(searched, at - searched).rfind('<');
            if (found != std::string_view::npos)
                nearestTag = searched + found;
            searched = at;
            size_t tag = nearestTag;
            if (tag == std::string_view::npos || tag < checkedEnd || tag + 1 >= size ||
                data[tag + 1] == '/' || data[tag + 1] == '!' || data[tag + 1] == '?')
                continue;
            if (data[at] != '=') {
                // A colon or a byte beyond ASCII in the tag's name, or else in text or a value.
                size_t nameEnd = tag + 1;
                while (nameEnd < at && !IsBlank(data[nameEnd]) && data[nameEnd] != '>' &&
                       data[nameEnd] != '/')
                    ++nameEnd;
                if (nameEnd < at)
                    continue;
            }
            bool closed = false;
            checkedEnd = CheckStartTag(text, tag, closed);
            if (checkedEnd == std::string_view::npos)
                return false;
        }
    }
    return true;
}

// Whether "<!" or "<?" (a comment, a CDATA section, a document type or a processing
// instruction) occurs from 'from' on: sixteen bytes at a time, as the tags go by the thousand.
bool HasSpecialMarkup(std::string_view text, size_t from) {
    size_t i = from;
#ifdef __SSE2__
    const __m128i open = _mm_set1_epi8('<');
    const __m128i bang = _mm_set1_epi8('!');
    const __m128i question = _mm_set1_epi8('?');
    for (; i + 17 <= text.size(); i += 16) {
        __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 1));
        __m128i special = _mm_or_si128(_mm_cmpeq_epi8(next, bang), _mm_cmpeq_epi8(next, question));
        if (_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, open), special)) != 0)
            return true;
    }
#endif
    for (; i + 1 < text.size(); ++i)
        if (text[i] == '<' && (text[i + 1] == '!' || text[i + 1] == '?'))
            return true;
    return false;
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

bool IsWellFormedParse(std::string_view text) {
    if (HasControlCharacter(text) || HasNonCharacter(text))
        return false;
    size_t start = AfterDeclaration(text);
    if (start == std::string_view::npos)
        return false;
    size_t open = SkipBlanks(text, start);
    // The root as the parser will read it: the name of the tag that opens here.
    std::string_view root = open + 1 < text.size()
                                ? text.substr(open + 1, TagNameEnd(text, open) - open - 1)
                                : std::string_view();
    if (root.empty() || !IsNameStart(static_cast<unsigned char>(root[0])))
        return ScanWellFormed(text);
    // Cheap checks over the whole text; where one of them has a doubt (comments and processing
    // instructions included, which replies do not have), the full scan decides.
    if (!OnlyTheRootAtTopLevel(text, open, root) || !ReferencesAreValid(text) ||
        text.find("]]>") != std::string_view::npos || HasSpecialMarkup(text, start) ||
        !TagsInDoubtHold(text, open))
        return ScanWellFormed(text);
    return true;
}

}  // namespace xml
