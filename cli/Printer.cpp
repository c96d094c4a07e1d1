#include "cli/Printer.h"

#include <cstdio>
#include <iostream>

namespace {

// One line of the text: a status's line breaks and tabs would break the line or the columns.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    return text;
}

std::string Padded(const std::string& text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

CZelString ScreenNameOf(const CTweet& status) {
    if (status.User.vt != VT_DISPATCH || status.User.pdispVal == nullptr)
        return CZelString();
    return static_cast<const CUser*>(static_cast<IUser*>(status.User.pdispVal))->ScreenName;
}

}  // namespace

namespace {

// The escapes both script formats write: a backslash, tab, line feed or carriage return as a
// backslash and a letter. False for any other byte.
bool AppendCommonEscape(std::string& out, char c) {
    switch (c) {
        case '\\':
            out += "\\\\";
            return true;
        case '\t':
            out += "\\t";
            return true;
        case '\n':
            out += "\\n";
            return true;
        case '\r':
            out += "\\r";
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string Printer::TsvField(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (!AppendCommonEscape(out, c))
            out += c;
    return out;
}

std::string Printer::JsonText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (AppendCommonEscape(out, c))
            continue;
        auto byte = static_cast<unsigned char>(c);
        if (c == '"') {
            out += "\\\"";
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void Printer::Status(const CTweet& status) const {
    std::string who = ScreenNameOf(status).Str();
    switch (format_) {
        case Format::Human:
            std::cout << OneLine(status.Id.Str()) << "  " << OneLine(status.CreatedAt.Str()) << "  "
                      << Padded("@" + OneLine(who), 17) << " " << OneLine(status.Text.Str())
                      << "\n";
            break;
        case Format::Tsv:
            std::cout << TsvField(status.Id.Str()) << '\t' << TsvField(status.CreatedAt.Str())
                      << '\t' << TsvField(who) << '\t' << TsvField(status.Text.Str()) << "\n";
            break;
        case Format::Json:
            std::cout << "{\"id\":" << JsonText(status.Id.Str())
                      << ",\"created_at\":" << JsonText(status.CreatedAt.Str())
                      << ",\"screen_name\":" << JsonText(who)
                      << ",\"text\":" << JsonText(status.Text.Str()) << "}\n";
            break;
    }
    std::cout.flush();  // lists stream as their pages arrive
}

void Printer::User(const CUser& user) const {
    switch (format_) {
        case Format::Human:
            std::cout << Padded("@" + OneLine(user.ScreenName.Str()), 17) << " "
                      << Padded(OneLine(user.Name.Str()), 24) << " " << user.NumFollowers
                      << " followers, " << user.NumFriends << " friends"
                      << (user.Location.IsEmpty() ? "" : ", " + OneLine(user.Location.Str()))
                      << "\n";
            break;
        case Format::Tsv:
            std::cout << TsvField(user.Id.Str()) << '\t' << TsvField(user.ScreenName.Str()) << '\t'
                      << TsvField(user.Name.Str()) << '\t' << user.NumFollowers << '\t'
                      << user.NumFriends << '\t' << user.NumTweets << '\t'
                      << TsvField(user.Location.Str()) << "\n";
            break;
        case Format::Json:
            std::cout << "{\"id\":" << JsonText(user.Id.Str())
                      << ",\"screen_name\":" << JsonText(user.ScreenName.Str())
                      << ",\"name\":" << JsonText(user.Name.Str())
                      << ",\"followers\":" << user.NumFollowers
                      << ",\"friends\":" << user.NumFriends << ",\"statuses\":" << user.NumTweets
                      << ",\"location\":" << JsonText(user.Location.Str())
                      << ",\"protected\":" << (user.Protected != 0 ? "true" : "false") << "}\n";
            break;
    }
    std::cout.flush();
}

// A script reads the new status's id where any record has it: under "id", and first.
void Printer::Posted(const std::string& id) const {
    switch (format_) {
        case Format::Human:
            std::cout << "posted " << OneLine(id) << "\n";
            break;
        case Format::Tsv:
            std::cout << TsvField(id) << "\tposted\n";
            break;
        case Format::Json:
            std::cout << "{\"id\":" << JsonText(id) << ",\"posted\":true}\n";
            break;
    }
}

void Printer::Done(const char* what, const std::string& who) const {
    switch (format_) {
        case Format::Human:
            std::cout << what << " " << OneLine(who) << "\n";
            break;
        case Format::Tsv:
            std::cout << what << '\t' << TsvField(who) << "\n";
            break;
        case Format::Json:
            std::cout << "{" << JsonText(what) << ":" << JsonText(who) << "}\n";
            break;
    }
}
