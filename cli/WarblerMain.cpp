// The warbler command: the Twitter object from the shell.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
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

constexpr char kExitCodes[] =
    "Exit codes: 0 success, 2 usage, 3 credentials (missing or refused keys), 4 the service "
    "refused or answered unexpectedly, 5 transport (no connection, time-out, TLS).";

int ExitCodeOf(int32_t code) {
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
            return kRefused;
    }
}

// Reports a failure as "warbler: <code> <description>" and gives its exit code.
int Report(Session& session, int32_t code) {
    int exit = ExitCodeOf(code);
    if (exit != 0)
        std::cerr << "warbler: " << code << " " << session.Describe(code) << "\n";
    return exit;
}

std::string DefaultKeyFile() {
    if (const char* keys = std::getenv("WARBLER_KEYS"); keys != nullptr && *keys != 0)
        return keys;
    const char* home = std::getenv("HOME");
    std::string folder = std::string(home != nullptr ? home : ".") + "/.config";
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
    command
        ->add_option("--format", format,
                     "output: human (default), tsv, or json (one object a line)")
        ->check(CLI::IsMember({"human", "tsv", "json"}));
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"warbler: the Twitter REST API v1 from the shell, through the Warbler component."};
    app.footer(kExitCodes);
    app.require_subcommand(1);
    SessionOptions options;
    app.add_option("--keys", options.keys,
                   "key file (default: $WARBLER_KEYS, else ~/.config/warbler/keys.ini)");
    app.add_option("--log", options.log, "append the component's trace to this file");
    app.add_flag("--ssl", options.ssl, "reach the service over HTTPS");
    app.add_option("--proxy", options.proxy, "HTTP proxy as HOST:PORT");
    app.add_option("--proxy-user", options.proxyUser,
                   "proxy account; its password comes from $WARBLER_PROXY_PASSWORD");
    app.add_option("--timeout-cache", options.cacheTimeout,
                   "seconds a fetched list is reused (default: the machine's setting)")
        ->check(CLI::Range(int64_t{0}, int64_t{0xFFFFFFFF}));
    app.fallthrough();

    std::string format = "human", consumerKey, consumerSecret, verifier, text, to, statusId,
                timelineName = "home", sinceId, maxId, user, query, method, parameters,
                apiFormat = "xml";
    int32_t count = 0, page = 0, perPage = 0;
    bool post = false;

    auto* authorize = app.add_subcommand(
        "authorize",
        "authorize an account: prints the page to approve, reads the PIN, saves the keys");
    authorize->add_option("--consumer-key", consumerKey, "the application's consumer key");
    authorize->add_option("--consumer-secret", consumerSecret, "its consumer secret");
    authorize->add_option("--verifier", verifier, "the PIN (default: read from standard input)");

    auto* tweet = app.add_subcommand("tweet", "post a status");
    tweet->add_option("TEXT", text, "the status")->required();
    AddOutputFormat(tweet, format);

    auto* reply = app.add_subcommand("reply", "post a status addressed to a user");
    reply->add_option("--to", to, "the user it is for")->required();
    reply->add_option("--status-id", statusId, "the status it answers");
    reply->add_option("TEXT", text, "the message")->required();
    AddOutputFormat(reply, format);

    auto* timeline = app.add_subcommand(
        "timeline",
        "walk a timeline: home (default), public, friends, mentions, retweeted_by_me, "
        "retweeted_to_me, retweeted_of_me, or a user's id or screen name");
    timeline->add_option("NAME", timelineName, "the timeline or user");
    timeline->add_option("--count", count, "statuses to fetch");
    timeline->add_option("--page", page, "page to fetch");
    timeline->add_option("--since", sinceId, "only statuses newer than this id");
    timeline->add_option("--max", maxId, "only statuses up to this id");
    AddOutputFormat(timeline, format);

    auto* friends = app.add_subcommand("friends", "walk the accounts a user follows");
    auto* followers = app.add_subcommand("followers", "walk the accounts that follow a user");
    for (auto* command : {friends, followers}) {
        command->add_option("USER", user, "id or screen name (default: the keys' account)");
        AddOutputFormat(command, format);
    }

    auto* search = app.add_subcommand("search", "search users");
    search->add_option("QUERY", query, "what to look for")->required();
    search->add_option("--per-page", perPage, "users per page");
    search->add_option("--page", page, "page to fetch");
    AddOutputFormat(search, format);

    auto* follow = app.add_subcommand("follow", "follow a user");
    auto* unfollow = app.add_subcommand("unfollow", "stop following a user");
    for (auto* command : {follow, unfollow}) {
        command->add_option("USER", user, "id or screen name")->required();
        AddOutputFormat(command, format);
    }

    auto* call =
        app.add_subcommand("call", "call any REST method; the raw reply on standard output");
    call->add_option("METHOD", method, "the method, for example statuses/show/123")->required();
    call->add_option("PARAMS", parameters, "its parameters as name=value&name=value");
    call->add_flag("--post", post, "send a POST");
    call->add_option("--format", apiFormat, "the reply's format: xml (default) or json")
        ->check(CLI::IsMember({"xml", "json"}));

    auto* errors = app.add_subcommand("errors", "the result codes and their descriptions");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kUsage;
    }

    if (options.keys.empty())
        options.keys = DefaultKeyFile();
    Session session(options);
    CTwitter& twitter = session.Twitter();
    Printer printer(FormatOf(format));
    int32_t code = 0;

    if (errors->parsed()) {
        for (int32_t number = 0; number <= 40000; ++number)
            if (std::string description = session.Describe(number); description != "Generic Error")
                std::cout << number << '\t' << description << "\n";
        return 0;
    }

    if (authorize->parsed()) {
        if (!consumerKey.empty() || !consumerSecret.empty()) {
            twitter.put_ConsumerKey(Text(consumerKey));
            twitter.put_ConsumerSecret(Text(consumerSecret));
        } else {
            twitter.LoadConsumerKey(Text(options.keys));
            if (session.LastError() != 0)
                return Report(session, session.LastError());
        }
        std::string url = session.Call(
            [](CTwitter& t, BSTR* out) { return t.RequestAuthorization(nullptr, out); });
        if (session.LastError() != 0)
            return Report(session, session.LastError());
        std::cout << url << std::endl;
        if (verifier.empty()) {
            std::cerr << "Open the page above, approve, and type the PIN: " << std::flush;
            std::getline(std::cin, verifier);
        }
        twitter.RequestAccessToken(Text(verifier));
        if (session.LastError() != 0)
            return Report(session, session.LastError());
        session.SaveKeys(code);
        if (code != 0)
            return Report(session, code);
        std::cerr << "Authorized; the keys are in " << options.keys << "\n";
        return 0;
    }

    // Everything else speaks as the account of the key file.
    if (!session.LoadKeys(code))
        return Report(session, code);

    if (tweet->parsed() || reply->parsed()) {
        std::string id = session.Call([&](CTwitter& t, BSTR* out) {
            return tweet->parsed() ? t.Tweet(Text(text), out)
                                   : t.DirectTweet(Text(text), Text(to), Text(statusId), out);
        });
        code = session.LastError();
        if (code == 0)
            printer.Posted(id);
    } else if (timeline->parsed()) {
        session.WalkTweets(
            [&](CTwitter& t, VARIANT* out) {
                return t.FindFirstTweet(Text(timelineName), Text(sinceId), Text(maxId), count, page,
                                        out);
            },
            [&](const CTweet& status) { printer.Status(status); });
        code = session.LastError();
    } else if (friends->parsed() || followers->parsed()) {
        bool ofFriends = friends->parsed();
        session.WalkUsers(
            [&](CTwitter& t, VARIANT* out) {
                return ofFriends ? t.FindFirstFriend(Text(user), out)
                                 : t.FindFirstFollower(Text(user), out);
            },
            [&](const CUser& found) { printer.User(found); });
        code = session.LastError();
    } else if (search->parsed()) {
        session.WalkUsers(
            [&](CTwitter& t, VARIANT* out) {
                return t.FindFirstUser(Text(query), perPage, page, out);
            },
            [&](const CUser& found) { printer.User(found); });
        code = session.LastError();
    } else if (follow->parsed() || unfollow->parsed()) {
        if (follow->parsed())
            twitter.Follow(Text(user));
        else
            twitter.UnFollow(Text(user));
        code = session.LastError();
        if (code == 0)
            printer.Done(follow->parsed() ? "followed" : "unfollowed", user);
    } else if (call->parsed()) {
        std::string response = session.Call([&](CTwitter& t, BSTR* out) {
            return t.APICall(Text(method), Text(apiFormat), Text(parameters),
                             post ? VARIANT_TRUE : VARIANT_FALSE, out);
        });
        std::cout << response;
        if (!response.empty() && response.back() != '\n')
            std::cout << "\n";
        code = session.LastError();
    }
    return Report(session, code);
}
