// The result codes: the client codes of the signer and the REST client, and the public codes of
// LastError, which the component's own clients (the command) read by name too.
#pragma once

#include <cstdint>

namespace rc {

constexpr int32_t Success = 0;

// Client codes of the OAuth signer.
constexpr int32_t NoConsumerKey = -101;
constexpr int32_t NoConsumerSecret = -102;
constexpr int32_t NoToken = -103;
constexpr int32_t NoTokenSecret = -104;
constexpr int32_t Unauthorized = -105;
constexpr int32_t UnexpectedStatus = -106;
constexpr int32_t NoTokenReply = -107;

// Client codes of the REST client.
constexpr int32_t XmlLoadFailed = -200;
constexpr int32_t ServiceError = -201;
constexpr int32_t MissingElement = -202;
constexpr int32_t StatusForbidden = -203;
constexpr int32_t FollowForbidden = -204;
constexpr int32_t NoUser = -205;
constexpr int32_t NoQuery = -206;
constexpr int32_t NoMessage = -207;

// The HTTP client's code for memory it could not get, which the Twitter object also reports when
// a reply is too large to hand over.
constexpr int32_t NoBuffer = 22382;

// The public codes of LastError: the client codes' (in their order), then those the Twitter object
// sets itself.
constexpr int32_t NoMoreUsers = 25016;
constexpr int32_t AccessTokenRequired = 35000;
constexpr int32_t AccessSecretRequired = 35001;
constexpr int32_t AuthenticationFailed = 35002;
constexpr int32_t ConsumerKeyRequired = 35003;
constexpr int32_t ConsumerSecretRequired = 35004;
constexpr int32_t UnexpectedHttpStatus = 35005;
constexpr int32_t AuthenticationKeysFailed = 35006;
constexpr int32_t AlreadyFriends = 35007;
constexpr int32_t ServiceErrorMessage = 35008;
constexpr int32_t TweetTooLong = 35009;
constexpr int32_t UserRequired = 35010;
constexpr int32_t QueryRequired = 35011;
constexpr int32_t ReplyNotParsed = 35012;
constexpr int32_t ReplyNotLoaded = 35013;
constexpr int32_t UnexpectedError = 35014;
constexpr int32_t NoMoreStatuses = 35015;
constexpr int32_t NoMessageToTweet = 35016;
constexpr int32_t KeyFileHalf = 35017;
constexpr int32_t KeyFileWriteFailed = 35018;
constexpr int32_t KeyFileMissing = 35019;
constexpr int32_t KeyFileEmpty = 35020;

}  // namespace rc
