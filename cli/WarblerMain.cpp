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

#include "automation/ResultCodes.h"
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
        case rc::Success:
        case rc::NoMoreUsers:  // the end of a list is no failure
        case rc::NoMoreStatuses:
            return 0;
        case rc::AccessTokenRequired:
        case rc::AccessSecretRequired:
        case rc::AuthenticationFailed:
        case rc::ConsumerKeyRequired:
        case rc::ConsumerSecretRequired:
        case rc::KeyFileHalf:
        case rc::KeyFileMissing:
        case rc::KeyFileEmpty:
            return kCredentials;
        case rc::UnexpectedError:
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
    if (std::string failure = session.LastFailure();
        code == rc::UnexpectedError && !failure.empty())
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

// What the command line set.
struct Arguments {
    SessionOptions options;
    std::string format = "human", consumerKey, consumerSecret, verifier, text, to, statusId,
                timelineName = "home", sinceId, maxId, user, query, method, parameters,
                apiFormat = "xml";
    std::vector<std::string> data;
    int32_t count = 0, page = 0, perPage = 0;
    bool post = false;
    bool reply = false, ofFriends = false, follow = false;  // which of a pair of commands
    // Whether the command also runs without the access pair: lists the service serves unsigned.
    bool unsignedServed = false;
};

// A subcommand's work, once the session is open; its exit code.
using Action = int (*)(Session&, Arguments&, const Printer&);

void AddGlobalOptions(CLI::App& app, SessionOptions& options) {
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
}

// Whether the command's work ended (its exit code in exit) for want of the keys.
bool KeysMissing(Session& session, const Arguments& a, int& exit) {
    int32_t code = 0;
    if (session.LoadKeys(code) ||
        (a.unsignedServed && (code == rc::KeyFileMissing || code == rc::KeyFileEmpty)))
        return false;
    exit = Report(session, code, !a.options.proxy.empty());
    if (code == rc::KeyFileEmpty && session.HasConsumerPair())
        std::cerr << "warbler: the key file has no access pair: run warbler authorize\n";
    return true;
}

int Authorize(Session& session, Arguments& a, const Printer&) {
    const bool proxied = !a.options.proxy.empty();
    ITwitter& twitter = session.Twitter();
    if (a.consumerSecret.empty())
        if (const char* secret = std::getenv("WARBLER_CONSUMER_SECRET"))
            a.consumerSecret = secret;
    if (!a.consumerKey.empty()) {
        if (a.consumerSecret.empty())
            a.consumerSecret = ReadSecret("Consumer secret (not shown): ");
        twitter.put_ConsumerKey(Text(a.consumerKey));
        twitter.put_ConsumerSecret(Text(a.consumerSecret));
    } else {
        twitter.LoadConsumerKey(Text(a.options.keys));
        if (session.LastError() != 0)
            return Report(session, session.LastError(), proxied);
    }
    std::string url =
        session.Call([](ITwitter& t, BSTR* out) { return t.RequestAuthorization(nullptr, out); });
    if (session.LastError() != 0)
        return Report(session, session.LastError(), proxied);
    std::cout << url << std::endl;
    if (a.verifier.empty()) {
        std::cerr << "Open the page above, approve, and type the PIN: " << std::flush;
        std::getline(std::cin, a.verifier);
    }
    twitter.RequestAccessToken(Text(a.verifier));
    if (session.LastError() != 0)
        return Report(session, session.LastError(), proxied);
    int32_t code = 0;
    session.SaveKeys(code);
    if (code != 0) {
        // The pair the service just gave is not lost: the key file's text goes to standard
        // output for the user to keep.
        std::string why = WhyNotWritable(a.options.keys);
        std::cerr << "warbler: " << code << " " << session.Describe(code) << "\n"
                  << "warbler: the keys could not be saved to " << a.options.keys
                  << (why.empty() ? "" : ": " + why)
                  << "\nwarbler: here they are; keep them in a key file of mode 0600 (--keys)\n";
        std::cout << session.KeyFileText();
        return kKeysNotSaved;
    }
    std::cerr << "Authorized; the keys are in " << a.options.keys << "\n";
    return 0;
}

int Post(Session& session, Arguments& a, const Printer& printer) {
    std::string id = session.Call([&](ITwitter& t, BSTR* out) {
        return a.reply ? t.DirectTweet(Text(a.text), Text(a.to), Text(a.statusId), out)
                       : t.Tweet(Text(a.text), out);
    });
    int32_t code = session.LastError();
    if (code == 0)
        printer.Posted(id);
    return Report(session, code, !a.options.proxy.empty());
}

int Timeline(Session& session, Arguments& a, const Printer& printer) {
    session.WalkTweets(
        [&](ITwitter& t, VARIANT* out) {
            return t.FindFirstTweet(Text(a.timelineName), Text(a.sinceId), Text(a.maxId), a.count,
                                    a.page, out);
        },
        [&](const StatusLine& status) { printer.Status(status); });
    return Report(session, session.LastError(), !a.options.proxy.empty());
}

// Long walks show how far they are, where a person watches.
class Progress {
  public:
    void Step() {
        if (watched_ && ++walked_ % 20 == 0)
            std::cerr << "\r" << walked_ << " so far..." << std::flush;
    }
    ~Progress() {
        if (watched_ && walked_ >= 20)
            std::cerr << "\r\033[K" << std::flush;
    }

  private:
    bool watched_ = isatty(STDERR_FILENO) != 0;
    size_t walked_ = 0;
};

int People(Session& session, Arguments& a, const Printer& printer) {
    {
        Progress progress;
        session.WalkUsers(
            [&](ITwitter& t, VARIANT* out) {
                return a.ofFriends ? t.FindFirstFriend(Text(a.user), out)
                                   : t.FindFirstFollower(Text(a.user), out);
            },
            [&](const UserLine& found) {
                printer.User(found);
                progress.Step();
            });
    }
    return Report(session, session.LastError(), !a.options.proxy.empty());
}

int Search(Session& session, Arguments& a, const Printer& printer) {
    size_t found = 0;
    session.WalkUsers(
        [&](ITwitter& t, VARIANT* out) {
            return t.FindFirstUser(Text(a.query), a.perPage, a.page, out);
        },
        [&](const UserLine& user) {
            printer.User(user);
            ++found;
        });
    int32_t code = session.LastError();
    if (found == 0 && code == rc::NoMoreUsers)
        std::cerr << "warbler: no users found for '" << a.query << "'\n";
    return Report(session, code, !a.options.proxy.empty());
}

int Follow(Session& session, Arguments& a, const Printer& printer) {
    if (a.follow)
        session.Twitter().Follow(Text(a.user));
    else
        session.Twitter().UnFollow(Text(a.user));
    int32_t code = session.LastError();
    if (code == 0)
        printer.Done(a.follow ? "followed" : "unfollowed", a.user);
    return Report(session, code, !a.options.proxy.empty());
}

int Call(Session& session, Arguments& a, const Printer&) {
    std::string why;
    for (const std::string& field : a.data) {
        size_t eq = field.find('=');
        if (eq == std::string::npos || eq == 0 || field.find('&') < eq)
            why = "-d takes NAME=VALUE, not " + field;
        else if (field.find_first_of("&=", eq + 1) != std::string::npos)
            why = "the value of " + field.substr(0, eq) +
                  " holds \"&\" or \"=\", which the parameter text cannot carry";
        a.parameters += (a.parameters.empty() ? "" : "&") + field;
    }
    if (why.empty())
        why = CannotCarry(a.parameters);
    if (!why.empty()) {
        std::cerr << "warbler: " << why << ": nothing was sent\n";
        return kUsage;
    }
    std::string response = session.Call([&](ITwitter& t, BSTR* out) {
        return t.APICall(Text(a.method), Text(a.apiFormat), Text(a.parameters),
                         a.post ? VARIANT_TRUE : VARIANT_FALSE, out);
    });
    std::cout << response;
    if (!response.empty() && response.back() != '\n')
        std::cout << "\n";
    return Report(session, session.LastError(), !a.options.proxy.empty(), response);
}

int Errors(Session& session, Arguments&, const Printer&) {
    for (int32_t number = 0; number <= 40000; ++number)
        if (std::string description = session.Describe(number); description != "Generic Error")
            std::cout << number << '\t' << description << "\n";
    return 0;
}

// The subcommands, each with the action its callback picks.
class Commands {
  public:
    Commands(CLI::App& app, Arguments& a) : app_(app), a_(a) {}

    Action Chosen() const { return chosen_; }

    CLI::App* Add(const char* name, const char* help, Action action, const char* example) {
        CLI::App* command = app_.add_subcommand(name, help);
        command->callback([this, action] { chosen_ = action; });
        command->footer(CommandFooter(example));
        return command;
    }

    void AddAll() {
        AddAuthorize();
        AddPosting();
        AddLists();
        AddFollowing();
        AddCall();
        Add("errors", "the result codes and their descriptions", &Errors,
            "warbler errors | grep 3501");
    }

  private:
    void AddAuthorize() {
        auto* authorize =
            Add("authorize",
                "authorize an account: prints the page to approve, reads the PIN, saves the keys",
                &Authorize, "WARBLER_CONSUMER_SECRET=... warbler authorize --consumer-key KEY");
        authorize->add_option("--consumer-key", a_.consumerKey, "the application's consumer key")
            ->type_name("KEY");
        authorize
            ->add_option("--consumer-secret", a_.consumerSecret,
                         "its consumer secret; on the command line every user of the machine can "
                         "read it in the process list while the command runs: prefer "
                         "$WARBLER_CONSUMER_SECRET, or leave both out to be asked for it")
            ->type_name("SECRET");
        authorize
            ->add_option("--verifier", a_.verifier, "the PIN (default: read from standard input)")
            ->type_name("PIN");
    }

    void AddPosting() {
        auto* tweet =
            Add("tweet", "post a status", &Post, "warbler tweet \"Hello from the shell\"");
        tweet->add_option("TEXT", a_.text, "the status")->required()->check(kNotEmpty);
        AddOutputFormat(tweet, a_.format);
        auto* reply = Add("reply", "post a status addressed to a user", &Post,
                          "warbler reply --to alice --status-id 1234 \"Thanks!\"");
        reply->add_option("--to", a_.to, "the user it is for, with or without its \"@\"")
            ->type_name("USER")
            ->required()
            ->check(kNotEmpty)
            // The component puts the "@" before the name itself.
            ->transform(
                [](std::string name) { return name.rfind('@', 0) == 0 ? name.substr(1) : name; });
        reply
            ->add_option("--status-id", a_.statusId,
                         "the status it answers (the timeline shows ids)")
            ->type_name("ID");
        reply->add_option("TEXT", a_.text, "the message")->required()->check(kNotEmpty);
        reply->preparse_callback([this](size_t) { a_.reply = true; });
        AddOutputFormat(reply, a_.format);
    }

    void AddLists() {
        auto* timeline = Add("timeline",
                             "walk a timeline: home (default), public, friends, mentions, "
                             "retweeted_by_me, retweeted_to_me, retweeted_of_me, or a user's id or "
                             "screen name",
                             &Timeline, "warbler timeline home --count 5");
        timeline->add_option("NAME", a_.timelineName, "the timeline or user")->check(kNotEmpty);
        AddNumberOption(timeline, "--count", a_.count, "statuses to fetch");
        AddNumberOption(timeline, "--page", a_.page, "page to fetch");
        timeline->add_option("--since", a_.sinceId, "only statuses newer than this id")
            ->type_name("ID");
        timeline->add_option("--max", a_.maxId, "only statuses up to this id")->type_name("ID");
        AddOutputFormat(timeline, a_.format);
        auto* friends = Add("friends", "walk the accounts a user follows", &People,
                            "warbler friends alice --format tsv");
        friends->preparse_callback([this](size_t) { a_.ofFriends = true; });
        auto* followers = Add("followers", "walk the accounts that follow a user", &People,
                              "warbler followers --format json");
        for (auto* command : {friends, followers}) {
            command->add_option("USER", a_.user, "id or screen name (default: the keys' account)");
            AddOutputFormat(command, a_.format);
        }
        auto* search = Add("search", "search users", &Search, "warbler search fan --per-page 5");
        search->add_option("QUERY", a_.query, "what to look for")->required()->check(kNotEmpty);
        AddNumberOption(search, "--per-page", a_.perPage, "users per page");
        AddNumberOption(search, "--page", a_.page, "page to fetch");
        AddOutputFormat(search, a_.format);
    }

    void AddFollowing() {
        auto* follow = Add("follow", "follow a user", &Follow, "warbler follow alice");
        follow->preparse_callback([this](size_t) { a_.follow = true; });
        auto* unfollow =
            Add("unfollow", "stop following a user", &Follow, "warbler unfollow alice");
        for (auto* command : {follow, unfollow}) {
            command->add_option("USER", a_.user, "id or screen name")->required()->check(kNotEmpty);
            AddOutputFormat(command, a_.format);
        }
    }

    void AddCall() {
        auto* call = Add("call", "call any REST method; the raw reply on standard output", &Call,
                         "warbler call users/show \"screen_name=alice\"");
        call->add_option("METHOD", a_.method, "the method, for example statuses/show/123")
            ->required()
            ->check(kNotEmpty);
        call->add_option("PARAMS", a_.parameters, "its parameters as name=value&name=value");
        call->add_option("-d,--data", a_.data,
                         "one parameter as NAME=VALUE, again for each; with PARAMS too. A value "
                         "cannot hold \"&\" or \"=\": the component's parameter text cannot carry "
                         "them")
            ->type_name("NAME=VALUE");
        call->add_flag("--post", a_.post, "send a POST");
        call->add_option("--format", a_.apiFormat, "the reply's format: xml (default) or json")
            ->type_name("FORMAT")
            ->check(CLI::IsMember({"xml", "json"}));
    }

    CLI::App& app_;
    Arguments& a_;
    Action chosen_ = nullptr;
};

// The command line parsed: 0 to go on, or the exit code of help, a version or a usage error.
int Parse(CLI::App& app, int argc, char** argv, bool& done) {
    done = true;
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
    done = false;
    return 0;
}

int Run(int argc, char** argv) {
    CLI::App app{"warbler: the Twitter REST API v1 from the shell, through the Warbler component.",
                 "warbler"};
    app.footer(kFooter);
    app.require_subcommand(1);
    Arguments a;
    AddGlobalOptions(app, a.options);
    app.fallthrough();
    Commands commands(app, a);
    commands.AddAll();
    // What stands where a command should is said as such, not as a missing command.
    app.allow_extras();
    bool done = false;
    if (int exit = Parse(app, argc, argv, done); done)
        return exit;

    if (a.options.keys.empty())
        a.options.keys = DefaultKeyFile();
    Session session(a.options);
    Printer printer(FormatOf(a.format));
    Action action = commands.Chosen();
    // The lists the service serves unsigned (the public timeline, a named user's followers) need
    // no keys.
    a.unsignedServed = (action == &Timeline && a.timelineName == "public") ||
                       (action == &People && !a.ofFriends && !a.user.empty());
    // Everything but these speaks as the account of the key file.
    if (action != &Errors && action != &Authorize)
        if (int exit = 0; KeysMissing(session, a, exit))
            return exit;
    return action(session, a, printer);
}

}  // namespace

// A script reads the exit code: output that could not be written (a full disk) fails the run.
// A closed pipe ends the program by SIGPIPE before this, quietly, as any filter ends.
int main(int argc, char** argv) {
    int status = 1;
    try {
        status = Run(argc, argv);
    } catch (const std::exception& e) {  // the component could not be had, or memory ran out
        std::cerr << "warbler: " << e.what() << "\n";
        return 1;
    }
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
