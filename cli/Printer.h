// The command's output: for people (aligned lines), or for scripts (tab-separated values, or one
// JSON object per line).
#pragma once

#include <string>

#include "component/Tweet.h"
#include "component/User.h"

class Printer {
  public:
    enum class Format { Human, Tsv, Json };
    explicit Printer(Format format) : format_(format) {}

    void Status(const CTweet& status) const;
    void User(const CUser& user) const;
    // A posted status's id.
    void Posted(const std::string& id) const;
    // A line of text for people, or {"key": value} for scripts.
    void Done(const char* what, const std::string& who) const;

    static std::string JsonText(const std::string& text);

  private:
    Format format_;
};
