#include "platform/XmlWellFormed.h"

#include <cstdint>
#include <vector>

namespace platform {

namespace {

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
    size_t end = text.find(';', at + 1);
    if (end == std::string_view::npos || end - at > 12)
        return 0;
    std::string_view name = text.substr(at + 1, end - at - 1);
    if (name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos")
        return end - at + 1;
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
    while (i < text.size() && !IsBlank(text[i]) && text[i] != '>' && text[i] != '/') ++i;
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

}  // namespace

bool IsWellFormedXml(std::string_view text) {
    size_t depth = 0;
    bool sawRoot = false;
    size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;  // a byte-order mark
    while (i < text.size()) {
        char c = text[i];
        if (c == '<') {
            std::string_view rest = text.substr(i);
            size_t next;
            if (rest.substr(0, 4) == "<!--") {
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
            } else if (rest.substr(0, 2) == "</") {
                if (depth == 0)
                    return false;
                --depth;
                next = After(text, i + 2, ">");
            } else {
                if (depth == 0 && sawRoot)
                    return false;  // a second root element
                sawRoot = true;
                bool closed = false;
                next = CheckStartTag(text, i, closed);
                if (!closed)
                    ++depth;
            }
            if (next == std::string_view::npos)
                return false;
            // Control characters inside markup other than start tags are refused as well.
            for (size_t k = i; k < next; ++k)
                if (IsControl(static_cast<unsigned char>(text[k])))
                    return false;
            i = next;
            continue;
        }
        if (depth == 0) {
            if (!IsBlank(c))
                return false;  // text outside the root element
        } else if (c == '&') {
            size_t length = ReferenceLength(text, i);
            if (length == 0)
                return false;
            i += length;
            continue;
        } else if (c == ']') {
            if (text.substr(i, 3) == "]]>")
                return false;
        } else if (IsControl(static_cast<unsigned char>(c))) {
            return false;
        }
        ++i;
    }
    return sawRoot && depth == 0;
}

}  // namespace platform
