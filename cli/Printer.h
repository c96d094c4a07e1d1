// The command's output: for people (aligned lines), or for scripts (tab-separated values, or one
// JSON object per line).
#pragma once

#include <cstdint>
#include <string>

// What the command shows of a status and of a user.
struct StatusLine {
    std::string id, createdAt, screenName, text;
};
struct UserLine {
    std::string id, screenName, name, location;
    int32_t followers = 0, friends = 0, statuses = 0;
    bool isProtected = false;
};

class Printer {
  public:
    enum class Format { Human, Tsv, Json };
    explicit Printer(Format format) : format_(format) {}

    void Status(const StatusLine& status) const;
    void User(const UserLine& user) const;
    // A posted status's id.
    void Posted(const std::string& id) const;
    // A line of text for people, or {"key": value} for scripts.
    void Done(const char* what, const std::string& who) const;

    static std::string JsonText(const std::string& text);
    // A field of a tab-separated row: a backslash, tab, line feed and carriage return are written
    // \\, \t, \n and \r, so that no field can make another column or row.
    static std::string TsvField(const std::string& text);
    // How the formats write their fields, for the command's help.
    static constexpr const char* kFormatHelp =
        "output: human (default), tsv (tab-separated; within a field \\, tab, line feed and "
        "carriage return are written \\\\, \\t, \\n, \\r), or json (one object a line). "
        "Columns: a status is id, created_at, screen_name, text; a user is id, screen_name, name, "
        "followers, friends, statuses, location (json adds protected); a post is id, then "
        "\"posted\" (json: {\"id\", "
        "\"posted\": true}); a follow is \"followed\"/\"unfollowed\", then the user";

  private:
    Format format_;
};
