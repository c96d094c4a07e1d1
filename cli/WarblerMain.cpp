// The warbler command: the Twitter object from the shell.
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "cli/Printer.h"
#include "cli/Session.h"

namespace {

// Exit codes, by class of failure; the log file holds the details.
constexpr int kUsage = 2;
constexpr int kCredentials = 3;
constexpr int kRefused = 4;
constexpr int kTransport = 5;
constexpr int kKeysNotSaved = 6;

constexpr char kFooter[] =
    "Exit status:\n"
    "  0 success; 2 usage; 3 credentials (missing or refused keys: the service, or a proxy, "
    "answered 401); 4 the service refused or answered unexpectedly (its own words are shown); 5 "
    "transport (no connection, time-out, TLS: the host, port and reason are shown); 6 the keys "
    "just authorized could not be saved (they are printed instead).\n\n"
    "Files:\n"
    "  The key file is --keys FILE, else $WARBLER_KEYS, else $XDG_CONFIG_HOME/warbler/keys.ini "
    "(~/.config when XDG_CONFIG_HOME is not set), mode 0600. The machine-wide settings are "
    "/etc/velmora/warbler-suite.ini.\n\n"
    "Environment:\n"
    "  WARBLER_KEYS, XDG_CONFIG_HOME; WARBLER_PROXY_PASSWORD, the proxy account's password; "
    "WARBLER_CONSUMER_SECRET, for authorize; WARBLER_API_HOST and WARBLER_OAUTH_HOST, the "
    "service's host[:port]; WARBLER_SETTINGS, another settings file; SSL_CERT_FILE, the "
    "trusted certificates.";

// Shown under each command's own help: the options that go before it, and an example.
std::string CommandFooter(const char* example) {
    return std::string(
               "Global options go before the command: --keys FILE, --log FILE, --ssl, "
               "--proxy HOST:PORT, --proxy-user USER, --timeout-cache SECONDS.\n"
               "Example: ") +
           example;
}

int ExitCodeOf(int32_t code, uint32_t httpStatus) {
    switch (code) {
        case 0:
        case 25016:  // the end of a list is no failure
        case 35015:
            return 0;
        case 35000:
        case 35001:
        case 35002:
        case 35003:
        case 35004:
        case 35017:
        case 35019:
        case 35020:
            return kCredentials;
        case 35014:
            return kTransport;
        default:
            // Refused credentials, whatever the body of the refusal said.
            return httpStatus == 401 || httpStatus == 407 ? kCredentials : kRefused;
    }
}

// Why the component's parameter text ("name=value&name=value", each field cut at its next "=" and
// the list at its first empty field) would not carry these parameters whole; empty when it would.
std::string CannotCarry(const std::string& parameters) {
    size_t start = 0;
    while (start < parameters.size()) {
        size_t end = std::min(parameters.find('&', start), parameters.size());
        std::string field = parameters.substr(start, end - start);
        size_t eq = field.find('=');
        if (field.empty() || eq == 0)
            return "a parameter without a name";
        if (eq != std::string::npos && field.find('=', eq + 1) != std::string::npos)
            return "the value of " + field.substr(0, eq) +
                   " holds \"=\", which the parameter text cannot carry (nor \"&\")";
        start = end + 1;
        if (end + 1 == parameters.size())
            return "a parameter without a name";
    }
    return {};
}

// Reports a failure as "warbler: <code> <description>", with what the component knows of why
// (the transport's reason, the service's own words), and gives its exit code.
int Report(Session& session, int32_t code, bool proxied, const std::string& reply = {}) {
    uint32_t status = session.LastHttpStatus();
    int exit = ExitCodeOf(code, status);
    if (exit == 0)
        return 0;
    std::cerr << "warbler: " << code << " " << session.Describe(code);
    if (std::string failure = session.LastFailure(); code == 35014 && !failure.empty())
        std::cerr << ": " << failure;
    std::cerr << "\n";
    // The description is the interface's, fixed per code: the status and the service's own words
    // say what happened.
    if (status == 301 || status == 302) {
        std::cerr << "warbler: the server redirected again and again (HTTP " << status
                  << ") until the call's time ran out\n";
    } else if (status == 407) {
        std::cerr << "warbler: the proxy refused (HTTP 407): it wants credentials, or those given "
                     "are wrong (--proxy-user, $WARBLER_PROXY_PASSWORD)\n";
        return kCredentials;
    } else if (status >= 300) {
        std::cerr << "warbler: HTTP " << status;
        std::string said = session.LastServiceMessage();
        // A raw reply (call) keeps the service's words in its <error> element.
        if (size_t open = reply.find("<error>"); said.empty() && open != std::string::npos)
            said = reply.substr(open + 7, reply.find("</error>", open) - open - 7);
        if (!said.empty())
            std::cerr << "; the service says: " << said;
        else if (proxied)
            std::cerr << " with no words of the service: the proxy may be the one that refused";
        std::cerr << "\n";
    }
    if (exit == kCredentials && proxied && status == 401)
        std::cerr << "warbler: the refusal may be the proxy's: check --proxy-user and "
                     "$WARBLER_PROXY_PASSWORD as well as the keys\n";
    return exit;
}

std::string DefaultKeyFile() {
    if (const char* keys = std::getenv("WARBLER_KEYS"); keys != nullptr && *keys != 0)
        return keys;
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : ".") + "/.config";
    }
    mkdir(folder.c_str(), 0700);
    folder += "/warbler";
    mkdir(folder.c_str(), 0700);  // the keys are secrets: the folder is the user's alone
    return folder + "/keys.ini";
}

Printer::Format FormatOf(const std::string& name) {
    if (name == "tsv")
        return Printer::Format::Tsv;
    if (name == "json")
        return Printer::Format::Json;
    return Printer::Format::Human;
}

void AddOutputFormat(CLI::App* command, std::string& format) {
    command->add_option("--format", format, Printer::kFormatHelp)
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"human", "tsv", "json"}));
}

// A count or page number: the interface's LONG, never negative.
void AddNumberOption(CLI::App* command, const char* name, int32_t& value, const char* help) {
    command->add_option(name, value, help)
        ->type_name("N")
        ->check(CLI::Range(int32_t{0}, INT32_MAX).description(""));
}

// A text argument that must say something: an empty one would only be refused by the service.
const CLI::Validator kNotEmpty(
    [](std::string& text) {
        return text.empty() ? std::string("must not be empty") : std::string();
    },
    "", "not empty");

// A line read from the terminal without showing it; from a pipe as it comes.
std::string ReadSecret(const char* prompt) {
    std::string secret;
    bool terminal = isatty(STDIN_FILENO) != 0;
    termios saved{};
    if (terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
        std::cerr << prompt << std::flush;
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
        std::getline(std::cin, secret);
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << "\n";
    } else {
        std::getline(std::cin, secret);
    }
    return secret;
}

// Why a key file cannot be written there, in the system's words; empty when nothing says so.
std::string WhyNotWritable(const std::string& file) {
    std::ofstream probe(file, std::ios::app);
    if (!probe)
        return std::strerror(errno);
    return {};
}

int Run(int argc, char** argv) {
    CLI::App app{"warbler: the Twitter REST API v1 from the shell, through the Warbler component.",
                 "warbler"};
    app.footer(kFooter);
    app.require_subcommand(1);
    SessionOptions options;
    app.add_option("--keys", options.keys,
                   "key file (default: $WARBLER_KEYS, else $XDG_CONFIG_HOME/warbler/keys.ini)")
        ->type_name("FILE");
    app.add_option("--log", options.log, "append the component's trace to this file")
        ->type_name("FILE");
    app.add_flag("--ssl", options.ssl, "reach the service over HTTPS");
    app.add_option("--proxy", options.proxy, "HTTP proxy")->type_name("HOST:PORT");
    app.add_option("--proxy-user", options.proxyUser,
                   "proxy account; its password comes from $WARBLER_PROXY_PASSWORD")
        ->type_name("USER");
    app.add_option("--timeout-cache", options.cacheTimeout,
                   "seconds a fetched list is reused (default: the machine's setting)")
        ->type_name("SECONDS")
        ->check(CLI::Range(int64_t{0}, int64_t{INT32_MAX}).description(""));
    app.set_version_flag("--version", [] {
        Session bare;
        BSTR version = nullptr;
        bare.Twitter().get_Version(&version);
        // The package's version first: the component's own is the interface's, fixed by design.
        return "warbler " WARBLER_VERSION " (component " + Take(version) + ")";
    });
    app.fallthrough();

    std::string format = "human", consumerKey, consumerSecret, verifier, text, to, statusId,
                timelineName = "home", sinceId, maxId, user, query, method, parameters,
                apiFormat = "xml";
    std::vector<std::string> data;
    int32_t count = 0, page = 0, perPage = 0;
    bool post = false;

    auto* authorize = app.add_subcommand(
        "authorize",
        "authorize an account: prints the page to approve, reads the PIN, saves the keys");
    authorize->add_option("--consumer-key", consumerKey, "the application's consumer key")
        ->type_name("KEY");
    authorize
        ->add_option("--consumer-secret", consumerSecret,
                     "its consumer secret; on the command line every user of the machine can "
                     "read it in the process list while the command runs: prefer "
                     "$WARBLER_CONSUMER_SECRET, or leave both out to be asked for it")
        ->type_name("SECRET");
    authorize->add_option("--verifier", verifier, "the PIN (default: read from standard input)")
        ->type_name("PIN");
    authorize->footer(
        CommandFooter("WARBLER_CONSUMER_SECRET=... warbler authorize "
                      "--consumer-key KEY"));

    auto* tweet = app.add_subcommand("tweet", "post a status");
    tweet->add_option("TEXT", text, "the status")->required()->check(kNotEmpty);
    AddOutputFormat(tweet, format);
    tweet->footer(CommandFooter("warbler tweet \"Hello from the shell\""));

    auto* reply = app.add_subcommand("reply", "post a status addressed to a user");
    reply->add_option("--to", to, "the user it is for, with or without its \"@\"")
        ->type_name("USER")
        ->required()
        ->check(kNotEmpty)
        // The component puts the "@" before the name itself.
        ->transform(
            [](std::string name) { return name.rfind('@', 0) == 0 ? name.substr(1) : name; });
    reply->add_option("--status-id", statusId, "the status it answers (the timeline shows ids)")
        ->type_name("ID");
    reply->add_option("TEXT", text, "the message")->required()->check(kNotEmpty);
    AddOutputFormat(reply, format);
    reply->footer(CommandFooter("warbler reply --to alice --status-id 1234 \"Thanks!\""));

    auto* timeline = app.add_subcommand(
        "timeline",
        "walk a timeline: home (default), public, friends, mentions, retweeted_by_me, "
        "retweeted_to_me, retweeted_of_me, or a user's id or screen name");
    timeline->add_option("NAME", timelineName, "the timeline or user")->check(kNotEmpty);
    AddNumberOption(timeline, "--count", count, "statuses to fetch");
    AddNumberOption(timeline, "--page", page, "page to fetch");
    timeline->add_option("--since", sinceId, "only statuses newer than this id")->type_name("ID");
    timeline->add_option("--max", maxId, "only statuses up to this id")->type_name("ID");
    AddOutputFormat(timeline, format);
    timeline->footer(CommandFooter("warbler timeline home --count 5"));

    auto* friends = app.add_subcommand("friends", "walk the accounts a user follows");
    auto* followers = app.add_subcommand("followers", "walk the accounts that follow a user");
    for (auto* command : {friends, followers}) {
        command->add_option("USER", user, "id or screen name (default: the keys' account)");
        AddOutputFormat(command, format);
    }
    friends->footer(CommandFooter("warbler friends alice --format tsv"));
    followers->footer(CommandFooter("warbler followers --format json"));

    auto* search = app.add_subcommand("search", "search users");
    search->add_option("QUERY", query, "what to look for")->required()->check(kNotEmpty);
    AddNumberOption(search, "--per-page", perPage, "users per page");
    AddNumberOption(search, "--page", page, "page to fetch");
    AddOutputFormat(search, format);
    search->footer(CommandFooter("warbler search fan --per-page 5"));

    auto* follow = app.add_subcommand("follow", "follow a user");
    auto* unfollow = app.add_subcommand("unfollow", "stop following a user");
    for (auto* command : {follow, unfollow}) {
        command->add_option("USER", user, "id or screen name")->required()->check(kNotEmpty);
        AddOutputFormat(command, format);
    }
    follow->footer(CommandFooter("warbler follow alice"));
    unfollow->footer(CommandFooter("warbler unfollow alice"));

    auto* call =
        app.add_subcommand("call", "call any REST method; the raw reply on standard output");
    call->add_option("METHOD", method, "the method, for example statuses/show/123")
        ->required()
        ->check(kNotEmpty);
    call->add_option("PARAMS", parameters, "its parameters as name=value&name=value");
    call->add_option("-d,--data", data,
                     "one parameter as NAME=VALUE, again for each; with PARAMS too. A value cannot "
                     "hold \"&\" or \"=\": the component's parameter text cannot carry them")
        ->type_name("NAME=VALUE");
    call->add_flag("--post", post, "send a POST");
    call->add_option("--format", apiFormat, "the reply's format: xml (default) or json")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"xml", "json"}));
    call->footer(CommandFooter("warbler call users/show \"screen_name=alice\""));

    auto* errors = app.add_subcommand("errors", "the result codes and their descriptions");
    errors->footer(CommandFooter("warbler errors | grep 3501"));
    // What stands where a command should is said as such, not as a missing command.
    app.allow_extras();

    try {
        app.parse(argc, argv);
        if (!app.remaining().empty())
            throw CLI::ExtrasError(app.remaining());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        if (app.get_subcommands().empty() && !app.remaining().empty()) {
            std::cerr << "warbler: unknown command '" << app.remaining().front()
                      << "'; the commands are authorize, tweet, reply, timeline, friends, "
                         "followers, search, follow, unfollow, call, errors (warbler --help)\n";
            return kUsage;
        }
        app.exit(e);
        return kUsage;
    }

    if (options.keys.empty())
        options.keys = DefaultKeyFile();
    Session session(options);
    ITwitter& twitter = session.Twitter();
    Printer printer(FormatOf(format));
    const bool proxied = !options.proxy.empty();
    int32_t code = 0;

    if (errors->parsed()) {
        for (int32_t number = 0; number <= 40000; ++number)
            if (std::string description = session.Describe(number); description != "Generic Error")
                std::cout << number << '\t' << description << "\n";
        return 0;
    }

    if (authorize->parsed()) {
        if (consumerSecret.empty())
            if (const char* secret = std::getenv("WARBLER_CONSUMER_SECRET"))
                consumerSecret = secret;
        if (!consumerKey.empty()) {
            if (consumerSecret.empty())
                consumerSecret = ReadSecret("Consumer secret (not shown): ");
            twitter.put_ConsumerKey(Text(consumerKey));
            twitter.put_ConsumerSecret(Text(consumerSecret));
        } else {
            twitter.LoadConsumerKey(Text(options.keys));
            if (session.LastError() != 0)
                return Report(session, session.LastError(), proxied);
        }
        std::string url = session.Call(
            [](ITwitter& t, BSTR* out) { return t.RequestAuthorization(nullptr, out); });
        if (session.LastError() != 0)
            return Report(session, session.LastError(), proxied);
        std::cout << url << std::endl;
        if (verifier.empty()) {
            std::cerr << "Open the page above, approve, and type the PIN: " << std::flush;
            std::getline(std::cin, verifier);
        }
        twitter.RequestAccessToken(Text(verifier));
        if (session.LastError() != 0)
            return Report(session, session.LastError(), proxied);
        session.SaveKeys(code);
        if (code != 0) {
            // The pair the service just gave is not lost: the key file's text goes to standard
            // output for the user to keep.
            std::string why = WhyNotWritable(options.keys);
            std::cerr
                << "warbler: " << code << " " << session.Describe(code) << "\n"
                << "warbler: the keys could not be saved to " << options.keys
                << (why.empty() ? "" : ": " + why)
                << "\nwarbler: here they are; keep them in a key file of mode 0600 (--keys)\n";
            std::cout << session.KeyFileText();
            return kKeysNotSaved;
        }
        std::cerr << "Authorized; the keys are in " << options.keys << "\n";
        return 0;
    }

    // Everything else speaks as the account of the key file; the lists the service serves
    // unsigned (the public timeline, a named user's followers) need no keys.
    const bool servedUnsigned =
        (timeline->parsed() && timelineName == "public") || (followers->parsed() && !user.empty());
    if (!session.LoadKeys(code) && !(servedUnsigned && (code == 35019 || code == 35020))) {
        int exit = Report(session, code, proxied);
        if (code == 35020 && session.HasConsumerPair())
            std::cerr << "warbler: the key file has no access pair: run warbler authorize\n";
        return exit;
    }

    // Long walks show how far they are, where a person watches.
    const bool watched = isatty(STDERR_FILENO) != 0;
    size_t walked = 0;
    auto progress = [&] {
        if (watched && ++walked % 20 == 0)
            std::cerr << "\r" << walked << " so far..." << std::flush;
    };
    auto progressDone = [&] {
        if (watched && walked >= 20)
            std::cerr << "\r\033[K" << std::flush;
    };

    if (tweet->parsed() || reply->parsed()) {
        std::string id = session.Call([&](ITwitter& t, BSTR* out) {
            return tweet->parsed() ? t.Tweet(Text(text), out)
                                   : t.DirectTweet(Text(text), Text(to), Text(statusId), out);
        });
        code = session.LastError();
        if (code == 0)
            printer.Posted(id);
    } else if (timeline->parsed()) {
        session.WalkTweets(
            [&](ITwitter& t, VARIANT* out) {
                return t.FindFirstTweet(Text(timelineName), Text(sinceId), Text(maxId), count, page,
                                        out);
            },
            [&](const StatusLine& status) { printer.Status(status); });
        code = session.LastError();
    } else if (friends->parsed() || followers->parsed()) {
        bool ofFriends = friends->parsed();
        session.WalkUsers(
            [&](ITwitter& t, VARIANT* out) {
                return ofFriends ? t.FindFirstFriend(Text(user), out)
                                 : t.FindFirstFollower(Text(user), out);
            },
            [&](const UserLine& found) {
                printer.User(found);
                progress();
            });
        progressDone();
        code = session.LastError();
    } else if (search->parsed()) {
        session.WalkUsers(
            [&](ITwitter& t, VARIANT* out) {
                return t.FindFirstUser(Text(query), perPage, page, out);
            },
            [&](const UserLine& found) {
                printer.User(found);
                ++walked;
            });
        code = session.LastError();
        if (walked == 0 && code == 25016)
            std::cerr << "warbler: no users found for '" << query << "'\n";
    } else if (follow->parsed() || unfollow->parsed()) {
        if (follow->parsed())
            twitter.Follow(Text(user));
        else
            twitter.UnFollow(Text(user));
        code = session.LastError();
        if (code == 0)
            printer.Done(follow->parsed() ? "followed" : "unfollowed", user);
    } else if (call->parsed()) {
        std::string why;
        for (const std::string& field : data) {
            size_t eq = field.find('=');
            if (eq == std::string::npos || eq == 0 || field.find('&') < eq)
                why = "-d takes NAME=VALUE, not " + field;
            else if (field.find_first_of("&=", eq + 1) != std::string::npos)
                why = "the value of " + field.substr(0, eq) +
                      " holds \"&\" or \"=\", which the parameter text cannot carry";
            parameters += (parameters.empty() ? "" : "&") + field;
        }
        if (why.empty())
            why = CannotCarry(parameters);
        if (!why.empty()) {
            std::cerr << "warbler: " << why << ": nothing was sent\n";
            return kUsage;
        }
        std::string response = session.Call([&](ITwitter& t, BSTR* out) {
            return t.APICall(Text(method), Text(apiFormat), Text(parameters),
                             post ? VARIANT_TRUE : VARIANT_FALSE, out);
        });
        std::cout << response;
        if (!response.empty() && response.back() != '\n')
            std::cout << "\n";
        return Report(session, session.LastError(), proxied, response);
    }
    return Report(session, code, proxied);
}

}  // namespace

// A script reads the exit code: output that could not be written (a full disk) fails the run.
// A closed pipe ends the program by SIGPIPE before this, quietly, as any filter ends.
int main(int argc, char** argv) {
    int status = Run(argc, argv);
    errno = 0;
    if (!std::cout.flush() || std::ferror(stdout) != 0) {
        // The cause is known when this flush met it; a write during the run leaves only the state.
        std::cerr << "warbler: could not write the output"
                  << (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string())
                  << "\n";
        return 1;
    }
    return status;
}
