#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ResultCodes.h"

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
