#include "common/ResultCodes.h"

namespace {

struct CodePair {
    int32_t client;
    int32_t published;
};

// Searched in this order; the zero pair ends it.
constexpr CodePair kClientToPublic[] = {
    {rc::NoToken, rc::AccessTokenRequired},
    {rc::NoTokenSecret, rc::AccessSecretRequired},
    {rc::Unauthorized, rc::AuthenticationFailed},
    {rc::NoConsumerKey, rc::ConsumerKeyRequired},
    {rc::NoConsumerSecret, rc::ConsumerSecretRequired},
    {rc::NoTokenReply, rc::AuthenticationKeysFailed},
    {rc::UnexpectedStatus, rc::UnexpectedHttpStatus},
    {rc::FollowForbidden, rc::AlreadyFriends},
    {rc::ServiceError, rc::ServiceErrorMessage},
    {rc::StatusForbidden, rc::TweetTooLong},
    {rc::NoQuery, rc::QueryRequired},
    {rc::NoUser, rc::UserRequired},
    {rc::MissingElement, rc::ReplyNotParsed},
    {rc::XmlLoadFailed, rc::ReplyNotLoaded},
    {rc::NoMessage, rc::NoMessageToTweet},
    {0, 0},
};

struct Description {
    int32_t code;
    const char* text;
};

constexpr Description kDescriptions[] = {
    {0, "Success"},
    {25016, "There are no (more) users"},
    {35000, "An access token is required for this operation."},
    {35001, "An access token secret is required for this operation."},
    {35002, "Authentication failed. You need to have a valid access and consumer key."},
    {35003, "A valid consumer key is required for this operation."},
    {35004, "A valid consumer secret is required for this operation."},
    {35005, "An unexpected HTTP response code was returned"},
    {35006, "An unexpected error occurred while requesting authentication keys"},
    {35007, "Could not add this person to your friends list since you are already friends"},
    {35008,
     "Twitter API returned an error message. Make sure to create a logfile and check this file to "
     "see the error message"},
    {35009, "Your Tweet is too long. A Tweet can be 140 characters long"},
    {35010, "This method requires either a valid name or a valid user id"},
    {35011, "This method requires a valid query string"},
    {35012, "Error while parsing the Twitter response body"},
    {35013, "Error while initiazing the MSXML component and parsing the twitter response body"},
    {35014, "Unexpected error"},
    {35015, "There are no (more) status messages"},
    {35016, "No message to Tweet"},
    {35017, "There was an error while opening the key file."},
    {35018, "There was an error while saving the key file."},
    {35019, "Could not find the specified key file."},
    {35020, "The specified key file is empty."},
    {10060,
     "A connection attempt failed because the connected party did not properly respond after a "
     "period of time, or established connection failed because connected host has failed to "
     "respond"},
    {22021, "Invalid hostname"},
    {22024, "Unable to connect to host"},
    {22380, "Proxy credentials required"},
    {22382, "Could not allocate buffer"},
    {22390, "Failed to load WinHTTP library"},
    {22391, "WinHTTP library not loaded"},
    {22401, "Create WinHTTP session failed"},
    {22404, "Unable to establish a connection to remote web server"},
    {22405, "Unable to logon to proxy"},
    {22406, "Unable to send the request to the remote web server"},
    {22407, "No response received from remote server"},
    {22408, "Unable to query headers"},
    {22409, "Unable to query authentication schemes"},
    {22410, "Unable to establish connection, operation timed out"},
    {22412, "Unable to logon to web site"},
    {22413, "Unable to read data, query for data size failed"},
    {22414, "Unable to read data, internal memory allocation failed"},
    {22415, "Unable to read data, read operation failed"},
    {22426, "Failed to import one or more functions from the WINHTTP library"},
    {22450,
     "One or more errors were found in the Secure Sockets Layer (SSL) certificate sent by the "
     "server."},
};

}  // namespace

int32_t MapResultCode(int32_t clientCode) {
    if (clientCode == 0)
        return 0;
    for (const CodePair* pair = kClientToPublic; pair->client != 0; ++pair)
        if (pair->client == clientCode)
            return pair->published;
    return rc::UnexpectedError;
}

const char* DescribeResultCode(int32_t code) {
    for (const Description& d : kDescriptions)
        if (d.code == code)
            return d.text;
    return "Generic Error";
}
