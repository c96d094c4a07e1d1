#include "platform/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view TrimBlanks(std::string_view s) {
    size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto up = [](char c) {
                   return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
               };
               return up(x) == up(y);
           });
}

struct ProfileText {
    std::vector<std::string> lines;  // without their line ends
    std::string eol = "\n";
};

std::optional<ProfileText> ReadProfile(const char* file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    ProfileText profile;
    if (text.find("\r\n") != std::string::npos)
        profile.eol = "\r\n";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        profile.lines.push_back(std::move(line));
        start = end + 1;
    }
    return profile;
}

// The section name of a "[name]" line, if the line is one.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

bool KeyMatches(std::string_view line, std::string_view key) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    return EqualNoCase(TrimBlanks(line.substr(0, eq)), key);
}

// Index of the section's header line, or lines.size().
size_t FindSection(const ProfileText& profile, std::string_view section) {
    for (size_t i = 0; i < profile.lines.size(); ++i) {
        auto name = SectionOf(profile.lines[i]);
        if (name && EqualNoCase(*name, section))
            return i;
    }
    return profile.lines.size();
}

// One past the last line of the section that starts at header.
size_t SectionEnd(const ProfileText& profile, size_t header) {
    size_t i = header + 1;
    while (i < profile.lines.size() && !SectionOf(profile.lines[i])) ++i;
    return i;
}

bool HasLineBreak(const char* s) {
    return std::strpbrk(s, "\r\n") != nullptr;
}

bool WriteWhole(const char* file, const ProfileText& profile, mode_t mode) {
    struct stat st {};
    if (stat(file, &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return false;
        mode = st.st_mode & 07777;
    }
    std::string temp = std::string(file) + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    std::string text;
    for (const auto& line : profile.lines) text += line + profile.eol;
    bool ok = fchmod(fd, mode) == 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    ok = close(fd) == 0 && ok;
    // Renaming over the old file keeps it whole if anything above failed.
    if (ok)
        ok = rename(temp.c_str(), file) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

}  // namespace

uint32_t GetProfileString(const char* section, const char* key, const char* def, char* buffer,
                          uint32_t size, const char* file) {
    if (buffer == nullptr || size == 0)
        return 0;
    std::string_view value = def != nullptr ? TrimBlanks(def) : std::string_view{};
    std::optional<ProfileText> profile;
    if (section != nullptr && key != nullptr && file != nullptr)
        profile = ReadProfile(file);
    if (profile) {
        size_t header = FindSection(*profile, section);
        if (header < profile->lines.size()) {
            size_t end = SectionEnd(*profile, header);
            for (size_t i = header + 1; i < end; ++i) {
                std::string_view line = profile->lines[i];
                if (!KeyMatches(line, key))
                    continue;
                value = TrimBlanks(line.substr(line.find('=') + 1));
                // Like Windows, a value wrapped in matching quotes loses them.
                if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                    value.back() == value.front())
                    value = value.substr(1, value.size() - 2);
                break;
            }
        }
    }
    size_t n = std::min<size_t>(value.size(), size - 1);
    if (n > 0)
        std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<uint32_t>(n);
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* file,
                        unsigned newFileMode) {
    if (section == nullptr || key == nullptr || value == nullptr || file == nullptr || *file == 0)
        return false;
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        return false;
    ProfileText profile = ReadProfile(file).value_or(ProfileText{});
    std::string entry = std::string(key) + "=" + value;
    size_t header = FindSection(profile, section);
    if (header == profile.lines.size()) {
        if (!profile.lines.empty() && !TrimBlanks(profile.lines.back()).empty())
            profile.lines.emplace_back();
        profile.lines.push_back("[" + std::string(section) + "]");
        profile.lines.push_back(entry);
        return WriteWhole(file, profile, newFileMode);
    }
    size_t end = SectionEnd(profile, header);
    for (size_t i = header + 1; i < end; ++i) {
        std::string& line = profile.lines[i];
        if (!KeyMatches(line, key))
            continue;
        line = std::string(TrimBlanks(line.substr(0, line.find('=')))) + "=" + value;
        return WriteWhole(file, profile, newFileMode);
    }
    size_t insertAt = end;
    while (insertAt > header + 1 && TrimBlanks(profile.lines[insertAt - 1]).empty()) --insertAt;
    profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    return WriteWhole(file, profile, newFileMode);
}

bool FileExists(const char* path) {
    struct stat st {};
    return path != nullptr && stat(path, &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace platform
