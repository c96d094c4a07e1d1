#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "rest/RecordFiller.h"
#include "xml/XmlDocumentWrapper.h"

namespace {

std::vector<StatusRecord> Statuses(const std::string& file) {
    CXmlDocumentWrapper document;
    EXPECT_TRUE(document.Load(test::ReadFile(std::string(TEST_DATA) + "/" + file).c_str()));
    XmlNodeList nodes = document.Root().SelectNodes("/statuses/status");
    std::vector<StatusRecord> records;
    for (size_t i = 0; i < nodes.Length(); ++i) {
        StatusRecord record;
        FillStatusRecord(nodes.Item(i), record);
        records.push_back(record);
    }
    return records;
}

}  // namespace

TEST(XmlDocument, WhatIsNotXmlDoesNotLoad) {
    const char* bodies[] = {
        "",
        "not xml at all",
        "<unclosed>",
        "<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n<center><h1>502 Bad "
        "Gateway</h1></center>\r\n<hr><center>nginx/1.22.1</center>\r\n</body>\r\n</html>\r\n",
        "<?xml version=\"1.0\"?>",
        // What a lenient parser takes and MSXML refuses.
        "text before<status><id>1</id></status>",
        "<status><id>1</id></status>text after",
        "<status><id>1</id></status><status><id>2</id></status>",
        "<html><body>&nbsp;</body></html>",
        "<a>fish & chips</a>",
        "<a>&#0;</a>",
        "<a>&#xD800;</a>",
        "<a b=\"1\" b=\"2\"/>",
        "<a b=\"x & y\"/>",
        "<a>]]></a>",
        "<a>\x01</a>",
        "<![CDATA[x]]><a/>",
        "<a b=\"<\"/>",
        "<a b=\"1\"c=\"2\"/>",
        "<a b/>",
        "<!-- a -- b --><a/>",
        "<a><!-- x ---></a>",
        "<a/><?xml version=\"1.0\"?>",
        "<?XML version=\"1.0\"?><a/>",
        "<?xml version=\"1.0\" standalone=\"maybe\"?><a/>",
        "<?xml encoding=\"UTF-8\"?><a/>",
        "<?xml encoding=\"UTF-8\" version=\"1.0\"?><a/>",
        "<a>\xEF\xBF\xBF</a>",
        "<a b=\"\xEF\xBF\xBE\"/>",
        // Names: an instruction's target, a name ending in a colon, a character no name holds.
        "<users><?user><id>2</id></user?></users>",
        "<a:>x</a:>",
        "<a :b=\"1\"/>",
        "<a\xC3\x97"
        "b/>",
        "<a><b\xC3\x97/></a>",
        "<a><?x:y z?></a>",
    };
    for (const char* body : bodies) {
        CXmlDocumentWrapper document;
        EXPECT_FALSE(document.Load(body)) << body;
        EXPECT_FALSE(document.Root());
    }
    const char* wellFormed[] = {
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- & ]]> --><a>&amp;&lt;&#233;&#x1F426;</a>\n",
        "<a b='1' c=\"&quot;>\"><![CDATA[ & ]] > ]]><?pi & ?></a>",
        "<!DOCTYPE a><a/>",
        "<?xml version='1.0' encoding='UTF-8' standalone='yes'?><a b = \"1\" c='&lt;&#xFFFD;'/>",
        "<?xml-stylesheet href=\"s.xsl\"?><a>\xEF\xBF\xBD</a>",
        // A character number may have any number of leading zeros; names any letters.
        "<a>&#000000000065;&#x00000000041;</a>",
        "<n:a xmlns:n=\"u\" n:b=\"1\"><\xC3\xA9"
        "t\xC3\xA9"
        "-1.x/></n:a>",
    };
    for (const char* body : wellFormed) {
        CXmlDocumentWrapper document;
        EXPECT_TRUE(document.Load(body)) << body;
    }
    XmlNode none;
    EXPECT_STREQ(none.GetNodeText("/hash/error").c_str(), "");
    EXPECT_FALSE(none.SelectNodes("/x"));
}

// A reply nested deeper than the stack allows, read as every REST call reads it. (Its names are
// long enough for the tree to be allowed: see the next test.)
TEST(XmlDocument, DeepNestingIsReadWithoutRecursion) {
    const std::string name = "element-of-a-deeply-nested-reply";
    std::string body = "<hash>";
    for (int i = 0; i < 200000; ++i) body += "<" + name + ">";
    body += "deep";
    for (int i = 0; i < 200000; ++i) body += "</" + name + ">";
    body += "</hash>";
    CXmlDocumentWrapper document;
    ASSERT_TRUE(document.Load(CZelString(std::move(body))));
    EXPECT_STREQ(document.Root().GetNodeText("/hash/error").c_str(), "");
    EXPECT_STREQ(document.Root().GetNodeText("/hash").c_str(), "deep");
}

// A reply's tree takes at most a few times the reply: a flood of tiny elements, nested or not,
// would take sixteen times its length, and is refused as such rather than parsed.
TEST(XmlDocument, ATreeFarLargerThanItsTextIsRefused) {
    for (const char* shape : {"<a/>", "<a>"}) {
        std::string body = "<r>";
        for (int i = 0; i < 200000; ++i) body += shape;
        if (shape[2] == '>')
            for (int i = 0; i < 200000; ++i) body += "</a>";
        body += "</r>";
        CXmlDocumentWrapper document;
        EXPECT_FALSE(document.Load(CZelString(body))) << shape;
        EXPECT_NE(document.RefusedAllowance(), 0u) << shape;
        EXPECT_FALSE(document.Root()) << shape;
    }
    CXmlDocumentWrapper document;
    EXPECT_FALSE(document.Load(CZelString("<r><a></r>")));
    EXPECT_EQ(document.RefusedAllowance(), 0u);
}

// Hostile widths end in time linear in the reply: a tag of 200,000 attributes, a text of as many
// "=\"" (both took minutes when each '=' looked back to its tag and each name at every other),
// and a name given twice at the far end of a wide tag is still found.
TEST(XmlDocument, WideTagsAndTextsAreReadInLinearTime) {
    std::string attributes;
    for (int i = 0; i < 200000; ++i) attributes += " a" + std::to_string(i) + "=\"v\"";
    std::string wide = "<statuses><status" + attributes + "><id>7</id><text>";
    for (int i = 0; i < 200000; ++i) wide += "x=\"";
    wide += "</text></status></statuses>";
    auto started = std::chrono::steady_clock::now();
    CXmlDocumentWrapper document;
    ASSERT_TRUE(document.Load(CZelString(wide)));
    StatusRecord record;
    FillStatusRecord(document.Root().SelectSingleNode("/statuses/status"), record);
    EXPECT_STREQ(record.id.c_str(), "7");
    EXPECT_EQ(record.text.Length(), 600000u);
    EXPECT_FALSE(CXmlDocumentWrapper().Load(CZelString("<s" + attributes + " a0=\"again\"/>")));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

// A carriage return that a reference brought into a text comes out of the markup as a reference:
// a reader of the XML field gets it back, not a line feed.
TEST(XmlDocument, ACarriageReturnStaysAReferenceInTheMarkup) {
    CXmlDocumentWrapper document;
    ASSERT_TRUE(document.Load(CZelString("<s><text>one&#13;two\r\nthree</text></s>")));
    EXPECT_EQ(document.Root().GetNodeText("text").Str(), "one\rtwo\nthree");
    EXPECT_EQ(document.Root().Xml().Str(), "<s><text>one&#13;two\nthree</text></s>");
}

TEST(XmlDocument, NodeTextAndSelections) {
    CXmlDocumentWrapper document;
    ASSERT_TRUE(document.Load(
        "<hash><request>/1/x.xml</request><error></error><a><b>1</b><b>2</b></a></hash>"));
    XmlNode root = document.Root();
    EXPECT_STREQ(root.GetNodeText("/hash/error").c_str(), "");  // empty element
    EXPECT_STREQ(root.GetNodeText("/hash/other").c_str(), "");  // missing element
    EXPECT_STREQ(root.GetNodeText("a").c_str(), "1");           // first child is an element
    XmlNode b = root.SelectSingleNode("/hash/a/b[2]");
    EXPECT_STREQ(b.GetNodeText("/hash/request").c_str(), "/1/x.xml");  // absolute from any node
    XmlNodeList list = root.SelectNodes("//b");
    ASSERT_TRUE(list);
    EXPECT_EQ(list.Length(), 2u);
    EXPECT_STREQ(list.Item(1).Xml().c_str(), "<b>2</b>");
    EXPECT_FALSE(list.Item(2));
    EXPECT_FALSE(root.SelectNodes("///bad["));  // a failed selection, not an empty one
    EXPECT_TRUE(root.SelectNodes("/nothing"));
}

// Nodes outlive their wrapper, and the wrapper's next text, whether it loads or not.
TEST(XmlDocument, NodesOutliveTheirWrapper) {
    XmlNode kept;
    {
        CXmlDocumentWrapper document;
        ASSERT_TRUE(document.Load("<status><id>7</id></status>"));
        kept = document.Root();
        EXPECT_FALSE(document.Load("<not xml"));
        EXPECT_FALSE(document.Root());
        ASSERT_TRUE(document.Load("<status><id>8</id></status>"));
        EXPECT_STREQ(document.Root().GetNodeText("id").c_str(), "8");
    }
    EXPECT_STREQ(kept.GetNodeText("id").c_str(), "7");
}

TEST(XmlDocument, InvalidBytesBecomeReplacementCharacters) {
    CXmlDocumentWrapper document;
    ASSERT_TRUE(
        document.Load("<t>a\xff"
                      "b</t>"));
    EXPECT_STREQ(document.Root().GetNodeText("/t").c_str(),
                 "a\xEF\xBF\xBD"
                 "b");
}

TEST(StatusRecords, HistoricalPublicTimeline) {
    std::vector<StatusRecord> records = Statuses("public_timeline-2007.xml");
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[0].id.Str(), "114468552");
    EXPECT_EQ(records[0].created_at.Str(), "Thu Jun 21 11:59:54 +0000 2007");
    EXPECT_EQ(records[0].text.Str().rfind("@sakatam \xE6\xAD\xA3\xE3\x81\xAB", 0), 0u);
    EXPECT_EQ(records[0].user.name.Str(), "\xE3\x81\x9F\xE3\x81\xA0\xE3\x81\x97");
    EXPECT_EQ(records[1].text.Str(), "=^..^= &lt; \xE3\x82\xB1\xE3\x83\x95...");  // escaped twice
    EXPECT_EQ(records[1].user.location.Str(), "");
    EXPECT_EQ(records[3].user.location.Str(), "suburbia,  Japan");
    EXPECT_EQ(records[3].user.url.Str(), "http://magro.jp/labs/maps/?action=show_map&map=19");
    EXPECT_EQ(records[4].text.Str(),
              "reading Tom O'Leary's the messaging times - \nhttp://www.messagingtimes.com/blog/");
    EXPECT_EQ(records[4].user.url.Str(), "");
    EXPECT_EQ(records[5].user.description.Str(),
              "Medical Transcriptionist Mentor. Dementor. Procrastinator. Twittor? ");
    EXPECT_EQ(records[5].user.followers_count, 0);  // absent from this reply
    EXPECT_EQ(records[5].user.protected_, 0);
    EXPECT_EQ(records[5].source.Str(), "");
    // A status's markup holds its user; the user's holds only itself.
    EXPECT_EQ(records[2].xml.Str().rfind(
                  "<status><created_at>Thu Jun 21 11:59:53 +0000 2007</created_at>", 0),
              0u);
    EXPECT_NE(records[2].xml.Str().find("<screen_name>Soraya</screen_name>"), std::string::npos);
    EXPECT_EQ(records[2].user.xml.Str().rfind("<user><id>6918752</id>", 0), 0u);
    EXPECT_EQ(records[2].user.xml.Str().find("<status>"), std::string::npos);
}

TEST(UserRecords, HistoricalUserWithItsLatestStatus) {
    CXmlDocumentWrapper document;
    ASSERT_TRUE(
        document.Load(test::ReadFile(std::string(TEST_DATA) + "/users_show-2007.xml").c_str()));
    UserRecord user;
    FillUserRecord(document.Root(), user);
    EXPECT_EQ(user.screen_name.Str(), "yusukey");
    EXPECT_EQ(user.followers_count, 30);
    EXPECT_EQ(user.friends_count, 19);
    EXPECT_EQ(user.statuses_count, 400);
    EXPECT_NE(user.xml.Str().find("<status><created_at>Thu Jun 21 07:08:09"), std::string::npos);
}

TEST(StatusRecords, OwnFixtureEdges) {
    std::vector<StatusRecord> records = Statuses("home_timeline-own.xml");
    ASSERT_EQ(records.size(), 3u);
    const StatusRecord& first = records[0];
    EXPECT_EQ(first.id.Str(), "14785507974");
    EXPECT_EQ(first.user.id.Str(), "2147483650");
    EXPECT_EQ(
        first.text.Str(),
        "Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x94 raw UTF-8 too: na\xC3\xAFve \xE2\x98\x95");
    EXPECT_EQ(first.source.Str(),
              "<a href=\"http://tweetmeme.com\" rel=\"nofollow\">TweetMeme</a>");
    EXPECT_NE(first.xml.Str().find("<source>&lt;a href=\"http://tweetmeme.com\""),
              std::string::npos);
    EXPECT_EQ(first.user.url.Str(), "");
    EXPECT_EQ(first.user.location.Str(), "");
    EXPECT_EQ(first.user.description.Str(), "  padded  ");
    EXPECT_EQ(first.user.protected_, 1);
    EXPECT_EQ(first.user.followers_count, 1234);
    EXPECT_EQ(first.user.friends_count, 2147483647);
    EXPECT_EQ(first.user.statuses_count, -42);
    EXPECT_EQ(first.user.created_at.Str(), "Tue Mar 21 20:50:14 +0000 2006");
    EXPECT_EQ(records[1].text.Str(), "");
    EXPECT_EQ(records[1].created_at.Str(), "");
    EXPECT_EQ(records[1].user.protected_, 0);  // only the exact text "true"
    EXPECT_EQ(records[1].user.friends_count, -2147483647 - 1);
    EXPECT_EQ(records[2].user.id.Str(), "");  // no user element: an empty user record
    EXPECT_EQ(records[2].user.xml.Str(), "");
}

TEST(StatusRecords, CountParsing) {
    EXPECT_EQ(ReadCount(""), 0);
    EXPECT_EQ(ReadCount("  +17 apples"), 17);
    EXPECT_EQ(ReadCount("2147483648"), 2147483647);
    EXPECT_EQ(ReadCount("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ReadCount("x12"), 0);
}
