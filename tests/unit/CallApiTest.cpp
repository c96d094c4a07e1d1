#include <gtest/gtest.h>

#include "FakeTransport.h"
#include "common/ResultCodes.h"
#include "rest/XTwitter.h"

namespace {

class CallApi : public testing::Test {
  protected:
    void SetUp() override {
        client.Http.Binding.LibraryName.Assign(fake.Path());
        client.SetLogFile(log.c_str());
        client.ConsumerKey.Assign("k");
        client.ConsumerSecret.Assign("s");
    }
    int32_t Call(uint32_t status, const std::string& body, XmlNode& root) {
        FakeReply reply;
        reply.status = status;
        reply.body = body;
        fake.Queue(reply);
        return client.CallApi(CZelString(client.RestBaseUrl.Str() + "statuses/show/1"),
                              ParameterMap{}, root, false);
    }
    test::FakeTransport fake;
    test::TempDir dir;
    std::string log = dir.File("rest.log");
    CXTwitter client;
};

}  // namespace

TEST_F(CallApi, PrecedenceOfTheOutcomes) {
    XmlNode root;
    EXPECT_EQ(Call(200, "", root), rc::XmlLoadFailed);
    EXPECT_FALSE(root);
    EXPECT_EQ(fake.State().sent.back().path, "/1/statuses/show/1.xml?");  // unsigned: "?" always
    EXPECT_EQ(Call(200, "<html><body>Oops<br></body></html>", root), rc::XmlLoadFailed);
    EXPECT_EQ(Call(500, "<html><body>Oops<br></body></html>", root), rc::UnexpectedStatus);
    EXPECT_EQ(Call(200, "<hash><request>/1/x.xml</request><error/></hash>", root), 0);
    EXPECT_TRUE(root);
    EXPECT_EQ(Call(404, "<hash><request>/1/x.xml</request></hash>", root), rc::UnexpectedStatus);
    EXPECT_EQ(Call(404, "<hash><request>/1/x.xml</request><error>Not found</error></hash>", root),
              rc::ServiceError);
    EXPECT_TRUE(test::HasLine(test::LogMessages(log), "--> Twitter API error: [Not found]"));
    EXPECT_EQ(Call(200, "<status><id>9</id></status>", root), 0);
    EXPECT_STREQ(root.GetNodeText("/status/id").c_str(), "9");
}

TEST_F(CallApi, SignedWhenATokenIsSet) {
    client.Token.Assign("t");
    client.TokenSecret.Assign("ts");
    XmlNode root;
    EXPECT_EQ(Call(200, "<ok/>", root), 0);
    EXPECT_EQ(fake.State().sent.back().path, "/1/statuses/show/1.xml");
    EXPECT_NE(fake.State().sent.back().headers.find("oauth_token=\"t\""), std::string::npos);
    client.TokenSecret.Assign("");
    EXPECT_EQ(client.CallApi(client.RestBaseUrl, ParameterMap{}, root, false), rc::NoTokenSecret);
}

TEST_F(CallApi, StaleForbiddenStatusIsNotReused) {
    XmlNode root;
    EXPECT_EQ(Call(403, "<hash><error>Status is a duplicate.</error></hash>", root),
              rc::ServiceError);
    client.Token.Assign("t");  // and no token secret: nothing is sent
    CZelString id;
    EXPECT_EQ(client.UpdateStatus("hello", nullptr, id), rc::NoTokenSecret);
}
