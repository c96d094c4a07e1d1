#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/ResultCodes.h"

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

TEST(ResultCodes, Descriptions) {
    EXPECT_STREQ(DescribeResultCode(0), "Success");
    EXPECT_STREQ(
        DescribeResultCode(35013),
        "Error while initiazing the MSXML component and parsing the twitter response body");
    EXPECT_STREQ(DescribeResultCode(35014), "Unexpected error");
    EXPECT_STREQ(
        DescribeResultCode(22450),
        "One or more errors were found in the Secure Sockets Layer (SSL) certificate sent by "
        "the server.");
    // Every public code and every code of the HTTP client has a text of its own.
    std::vector<int> described = {25016, 10060, 22021, 22024, 22380, 22382, 22390, 22391,
                                  22401, 22404, 22405, 22406, 22407, 22408, 22409, 22410,
                                  22412, 22413, 22414, 22415, 22426, 22450};
    for (int code = 35000; code <= 35020; ++code) described.push_back(code);
    for (int code : described) EXPECT_STRNE(DescribeResultCode(code), "Generic Error") << code;
    // Client codes are not public codes; nor is anything else.
    for (int code : {35021, -103, 22411, 1, 24999})
        EXPECT_STREQ(DescribeResultCode(code), "Generic Error");
}
