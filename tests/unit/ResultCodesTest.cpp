#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "component/ResultCodes.h"

TEST(ResultCodes, MapResultCodeFollowsTheClientTable) {
    const std::vector<std::pair<int, int>> table = {
        {0, 0},         {-101, 35003},  {-102, 35004}, {-103, 35000},  {-104, 35001},
        {-105, 35002},  {-106, 35005},  {-107, 35006}, {-200, 35013},  {-201, 35008},
        {-202, 35012},  {-203, 35009},  {-204, 35007}, {-205, 35010},  {-206, 35011},
        {-207, 35016},  {-1, 35014},    {-108, 35014}, {22404, 35014}, {22390, 35014},
        {35000, 35014}, {25016, 35014},
    };
    for (auto [client, published] : table)
        EXPECT_EQ(MapResultCode(client), published) << "client code " << client;
}

TEST(ResultCodes, EveryDescriptionIsExact) {
    const std::vector<std::pair<int, std::string>> table = {
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
         "Twitter API returned an error message. Make sure to create a logfile and check "
         "this file to see the error message"},
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
         "A connection attempt failed because the connected party did not properly respond "
         "after a period of time, or established connection failed because connected host "
         "has failed to respond"},
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
         "One or more errors were found in the Secure Sockets Layer (SSL) certificate sent "
         "by the server."},
        {35021, "Generic Error"},
        {-103, "Generic Error"},
        {22411, "Generic Error"},
        {1, "Generic Error"},
    };
    for (const auto& [code, text] : table) EXPECT_EQ(DescribeResultCode(code), text) << code;
}
