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

void Printer::Status(const StatusLine& status) const {
    const std::string& who = status.screenName;
    switch (format_) {
        case Format::Human:
            std::cout << OneLine(status.id) << "  " << OneLine(status.createdAt) << "  "
                      << Padded("@" + OneLine(who), 17) << " " << OneLine(status.text) << "\n";
            break;
        case Format::Tsv:
            std::cout << TsvField(status.id) << '\t' << TsvField(status.createdAt) << '\t'
                      << TsvField(who) << '\t' << TsvField(status.text) << "\n";
            break;
        case Format::Json:
            std::cout << "{\"id\":" << JsonText(status.id)
                      << ",\"created_at\":" << JsonText(status.createdAt)
                      << ",\"screen_name\":" << JsonText(who)
                      << ",\"text\":" << JsonText(status.text) << "}\n";
            break;
    }
    std::cout.flush();  // lists stream as their pages arrive
}

void Printer::User(const UserLine& user) const {
    switch (format_) {
        case Format::Human:
            std::cout << Padded("@" + OneLine(user.screenName), 17) << " "
                      << Padded(OneLine(user.name), 24) << " " << user.followers << " followers, "
                      << user.friends << " friends"
                      << (user.location.empty() ? "" : ", " + OneLine(user.location)) << "\n";
            break;
        case Format::Tsv:
            std::cout << TsvField(user.id) << '\t' << TsvField(user.screenName) << '\t'
                      << TsvField(user.name) << '\t' << user.followers << '\t' << user.friends
                      << '\t' << user.statuses << '\t' << TsvField(user.location) << "\n";
            break;
        case Format::Json:
            std::cout << "{\"id\":" << JsonText(user.id)
                      << ",\"screen_name\":" << JsonText(user.screenName)
                      << ",\"name\":" << JsonText(user.name) << ",\"followers\":" << user.followers
                      << ",\"friends\":" << user.friends << ",\"statuses\":" << user.statuses
                      << ",\"location\":" << JsonText(user.location)
                      << ",\"protected\":" << (user.isProtected ? "true" : "false") << "}\n";
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
