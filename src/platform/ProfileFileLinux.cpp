#include "platform/ProfileFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// A line is looked at up to this length: a key and the longest value a read can return.
constexpr size_t kLineLimit = kProfileValueLimit + 4096;

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

// The first line of a file saved by some editors begins with one.
std::string_view WithoutByteOrderMark(std::string_view firstLine) {
    return firstLine.substr(0, 3) == kByteOrderMark ? firstLine.substr(3) : firstLine;
}

std::string_view ValueOf(std::string_view line) {
    std::string_view value = TrimBlanks(line.substr(line.find('=') + 1));
    // Like Windows, a value wrapped in matching quotes loses them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value.substr(0, kProfileValueLimit);
}

bool HasLineBreak(const char* s) {
    return std::strpbrk(s, "\r\n") != nullptr;
}

// An open descriptor, closed (and so unlocked) when it goes.
class FileHandle {
  public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0)
            close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return fd_; }

    // A regular file, locked; never waits on a FIFO or a device.
    bool LockRegular(int operation) const {
        struct stat st {};
        return fd_ >= 0 && fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) &&
               flock(fd_, operation) == 0;
    }

  private:
    int fd_;
};

// Reads lines one at a time with a bounded memory: longer lines are cut at kLineLimit.
class LineReader {
  public:
    explicit LineReader(int fd) : fd_(fd) {}
    bool Next(std::string& line) {
        line.clear();
        bool any = false;
        for (;;) {
            if (at_ == end_) {
                ssize_t n = read(fd_, chunk_, sizeof chunk_);
                if (n <= 0)
                    return any;
                at_ = 0, end_ = static_cast<size_t>(n);
            }
            any = true;
            const char* start = chunk_ + at_;
            const char* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - at_));
            size_t take = newline != nullptr ? static_cast<size_t>(newline - start) : end_ - at_;
            line.append(start, std::min(take, kLineLimit - std::min(kLineLimit, line.size())));
            at_ += take;
            if (newline != nullptr) {
                ++at_;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return true;
            }
        }
    }

  private:
    int fd_;
    char chunk_[65536];
    size_t at_ = 0, end_ = 0;
};

struct Line {
    std::string text;  // without its line end
    std::string end;   // "\n", "\r\n", or empty for a last line without one
};

// Where a new line goes, it takes the line end of the line before it.
struct ProfileText {
    std::vector<Line> lines;
    std::string EndAfter(size_t index) const {
        return index > 0 && !lines[index - 1].end.empty() ? lines[index - 1].end : "\n";
    }
    std::string_view Content(size_t index) const {
        return index == 0 ? WithoutByteOrderMark(lines[0].text) : lines[index].text;
    }
    size_t FindSection(std::string_view section) const {
        for (size_t i = 0; i < lines.size(); ++i) {
            auto name = SectionOf(Content(i));
            if (name && EqualNoCase(*name, section))
                return i;
        }
        return lines.size();
    }
    size_t SectionEnd(size_t header) const {
        size_t i = header + 1;
        while (i < lines.size() && !SectionOf(Content(i))) ++i;
        return i;
    }
    void Insert(size_t at, std::string text) {
        std::string end = EndAfter(at);
        if (at > 0 && lines[at - 1].end.empty())
            lines[at - 1].end = end;  // the old last line needs its end now
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), end});
    }
};

bool ReadWhole(int fd, std::string& text) {
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        text.append(chunk, static_cast<size_t>(n));
    }
}

ProfileText Split(const std::string& text) {
    ProfileText profile;
    size_t start = 0;
    while (start < text.size()) {
        size_t newline = text.find('\n', start);
        Line line;
        if (newline == std::string::npos) {
            line.text = text.substr(start);
            start = text.size();
        } else {
            line.text = text.substr(start, newline - start);
            line.end = "\n";
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.end = "\r\n";
            }
            start = newline + 1;
        }
        profile.lines.push_back(std::move(line));
    }
    return profile;
}

void Set(ProfileText& profile, std::string_view section, std::string_view key,
         std::string_view value) {
    std::string entry = std::string(key) + "=" + std::string(value);
    size_t header = profile.FindSection(section);
    if (header == profile.lines.size()) {
        if (!profile.lines.empty() && !TrimBlanks(profile.Content(header - 1)).empty())
            profile.Insert(profile.lines.size(), "");
        profile.Insert(profile.lines.size(), "[" + std::string(section) + "]");
        profile.Insert(profile.lines.size(), entry);
        return;
    }
    size_t end = profile.SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        std::string& line = profile.lines[i].text;
        if (!KeyMatches(line, key))
            continue;
        line = std::string(TrimBlanks(line.substr(0, line.find('=')))) + "=" + std::string(value);
        return;
    }
    size_t insertAt = end;
    while (insertAt > header + 1 && TrimBlanks(profile.Content(insertAt - 1)).empty()) --insertAt;
    profile.Insert(insertAt, entry);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return ftruncate(fd, static_cast<off_t>(text.size())) == 0;
}

enum class Aside { Replaced, Failed, Unavailable };

// The file's new text is written beside it and then takes its name: whatever fails on the way (a
// full disk, a crash), the file holds the old text or the new one whole. The copy gets the file's
// mode and owner; where it cannot have them (a folder the process may not write, a file of
// another owner) the save is Unavailable this way.
Aside ReplaceWhole(const std::string& path, const struct stat& original, const std::string& text) {
    // Beside the file, under a short name: the file's own may already be as long as a name goes.
    size_t slash = path.rfind('/');
    std::string aside = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                        ".warbler.XXXXXX";
    FileHandle handle(mkostemp(aside.data(), O_CLOEXEC));
    if (handle.Get() < 0)
        return Aside::Unavailable;
    Aside outcome = Aside::Replaced;
    bool owned = original.st_uid == geteuid() && original.st_gid == getegid();
    if (fchmod(handle.Get(), original.st_mode & 07777) != 0 ||
        (!owned && fchown(handle.Get(), original.st_uid, original.st_gid) != 0))
        outcome = Aside::Unavailable;
    else if (!WriteAll(handle.Get(), text) || fdatasync(handle.Get()) != 0 ||
             rename(aside.c_str(), path.c_str()) != 0)
        outcome = Aside::Failed;
    if (outcome != Aside::Replaced)
        unlink(aside.c_str());
    return outcome;
}

// Writes over the file itself, for a file that another name links to: the room is reserved first,
// so that a full disk fails before the first byte changes.
bool WriteInPlace(int fd, const std::string& text) {
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return false;
    if (static_cast<off_t>(text.size()) > st.st_size) {
        int reserved = posix_fallocate(fd, 0, static_cast<off_t>(text.size()));
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL)
            return false;
    }
    return WriteAll(fd, text);
}

}  // namespace

void GetProfileStrings(const char* section, const char* const* keys, std::string* values,
                       size_t count, const char* def, const char* file) {
    std::string_view fallback = def != nullptr ? TrimBlanks(def) : std::string_view{};
    std::vector<bool> found(count, false);
    for (size_t k = 0; k < count; ++k) values[k].assign(fallback);
    if (section == nullptr || file == nullptr)
        return;
    FileHandle handle(open(file, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!handle.LockRegular(LOCK_SH))
        return;
    LineReader reader(handle.Get());
    bool inSection = false, first = true;
    for (std::string line; reader.Next(line); first = false) {
        std::string_view content = first ? WithoutByteOrderMark(line) : line;
        if (auto name = SectionOf(content)) {
            if (inSection)
                return;  // only the first section of that name counts
            inSection = EqualNoCase(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        for (size_t k = 0; k < count; ++k) {
            if (found[k] || keys[k] == nullptr || !KeyMatches(content, keys[k]))
                continue;
            values[k].assign(ValueOf(content));
            found[k] = true;
        }
    }
}

bool WriteProfileStrings(const char* section, const char* const* keys, const char* const* values,
                         size_t count, const char* file, unsigned newFileMode) {
    if (section == nullptr || file == nullptr || *file == 0 || HasLineBreak(section))
        return false;
    for (size_t k = 0; k < count; ++k)
        if (keys[k] == nullptr || values[k] == nullptr || HasLineBreak(keys[k]) ||
            HasLineBreak(values[k]))
            return false;
    for (;;) {
        // Read and write access both: nothing is written over content that could not be read.
        // A file this save creates is removed again when the save fails: a failed save leaves
        // nothing behind.
        bool created = false;
        int fd = open(file, O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            // Not O_EXCL: a symbolic link whose file is missing makes that file.
            fd = open(file, O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC,
                      static_cast<mode_t>(newFileMode));
            created = fd >= 0;
        }
        FileHandle handle(fd);
        if (!handle.LockRegular(LOCK_EX))
            return false;
        // A symbolic link stays one: the file it names, which exists now, is the one replaced.
        std::string path = file;
        if (char* resolved = realpath(file, nullptr)) {
            path = resolved;
            std::free(resolved);
        }
        // Another save may have replaced the file while this one waited for the lock: the lock
        // then holds a file that no longer has the name, and the save starts again.
        struct stat locked {
        }, named{};
        if (fstat(handle.Get(), &locked) != 0)
            return false;
        if (stat(path.c_str(), &named) != 0 || named.st_ino != locked.st_ino ||
            named.st_dev != locked.st_dev)
            continue;
        std::string text;
        if (!ReadWhole(handle.Get(), text))
            return false;
        ProfileText profile = Split(text);
        for (size_t k = 0; k < count; ++k) Set(profile, section, keys[k], values[k]);
        std::string updated;
        updated.reserve(text.size() + 128);
        for (const Line& line : profile.lines) updated += line.text + line.end;
        // A file that other names link to is written in place, so that they see its new text.
        Aside outcome =
            locked.st_nlink > 1 ? Aside::Unavailable : ReplaceWhole(path, locked, updated);
        bool saved = outcome == Aside::Unavailable ? WriteInPlace(handle.Get(), updated)
                                                   : outcome == Aside::Replaced;
        // Still the file created above, unless another save made it first and wrote nothing yet.
        if (!saved && created && locked.st_size == 0)
            unlink(path.c_str());
        return saved;
    }
}

uint32_t GetProfileString(const char* section, const char* key, const char* def, char* buffer,
                          uint32_t size, const char* file) {
    if (buffer == nullptr || size == 0)
        return 0;
    std::string value;
    GetProfileStrings(section, &key, &value, 1, def, file);
    size_t n = std::min<size_t>(value.size(), size - 1);
    if (n > 0)
        std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<uint32_t>(n);
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* file,
                        unsigned newFileMode) {
    return WriteProfileStrings(section, &key, &value, 1, file, newFileMode);
}

bool FileExists(const char* path) {
    struct stat st {};
    return path != nullptr && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform
