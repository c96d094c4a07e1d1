// A 200-status home timeline reply parsed into records, beside pugixml's own parse of the same
// bytes (the floor) and the well-formedness pass that loading adds to it.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <pugixml.hpp>
#include <string>
#include <vector>

#include "rest/RecordFiller.h"
#include "xml/XmlDocumentWrapper.h"
#include "xml/XmlWellFormed.h"

namespace {

// The reply every contender reads. Made once, and with it the heap set to keep its top: what is
// measured is the parse, not glibc handing pages back after every round and faulting them in
// again (which made the floor's rounds over ten times slower than its parse).
const std::string& HomeTimeline() {
    static const std::string reply = [] {
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<statuses type=\"array\">\n";
        for (int i = 0; i < 200; ++i) {
            std::string n = std::to_string(i);
            xml +=
                "<status>\n  <created_at>Wed Aug 27 13:08:45 +0000 2008</created_at>\n  <id>" +
                std::to_string(14785507974LL + i) + "</id>\n  <text>Status " + n +
                " with caf&#233; &amp; a link http://example.com/" + n +
                "</text>\n"
                "  <source>&lt;a href=&quot;http://www.tweetdeck.com&quot; "
                "rel=&quot;nofollow&quot;&gt;"
                "TweetDeck&lt;/a&gt;</source>\n  <truncated>false</truncated>\n"
                "  <favorited>false</favorited>\n  <in_reply_to_status_id/>\n  "
                "<in_reply_to_user_id/>\n"
                "  <in_reply_to_screen_name/>\n  <user>\n    <id>" +
                std::to_string(783214 + i % 17) + "</id>\n    <name>User " + n +
                "</name>\n    <screen_name>user_" + n +
                "</screen_name>\n    <location>Oxford</location>\n    <description>Curiouser and "
                "curiouser</description>\n    "
                "<profile_image_url>http://a1.twimg.com/profile_images/" +
                n +
                "/normal.png</profile_image_url>\n    <url/>\n    <protected>false</protected>\n"
                "    <followers_count>1234</followers_count>\n    "
                "<friends_count>56</friends_count>\n"
                "    <created_at>Tue Mar 21 20:50:14 +0000 2006</created_at>\n"
                "    <favourites_count>0</favourites_count>\n    <utc_offset/>\n    <time_zone/>\n"
                "    <statuses_count>789</statuses_count>\n  </user>\n</status>\n";
        }
        return xml + "</statuses>\n";
    }();
    return reply;
}

void ParseIntoRecords(benchmark::State& state) {
    CZelString body(HomeTimeline().c_str());
    for (auto _ : state) {
        CXmlDocumentWrapper document;
        document.Load(body);
        XmlNodeList nodes = document.Root().SelectNodes("/statuses/status");
        std::vector<StatusRecord> records;
        records.reserve(nodes.Length());
        for (size_t i = 0; i < nodes.Length(); ++i) {
            XmlNode node = nodes.Item(i);
            StatusRecord record;
            FillStatusRecord(node, record);
            records.push_back(std::move(record));
        }
        benchmark::DoNotOptimize(records.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(HomeTimeline().size()));
}

void PugixmlParseOnly(benchmark::State& state) {
    const std::string& body = HomeTimeline();
    for (auto _ : state) {
        pugi::xml_document document;
        document.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8);
        benchmark::DoNotOptimize(document.first_child());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}

// The floor of the records: pugixml's parse and the selection of the statuses.
void PugixmlParseAndSelect(benchmark::State& state) {
    const std::string& body = HomeTimeline();
    for (auto _ : state) {
        pugi::xml_document document;
        document.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8);
        pugi::xpath_node_set statuses = document.select_nodes("/statuses/status");
        benchmark::DoNotOptimize(statuses.size());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}

// The well-formedness pass that Load adds to pugixml's parse, alone.
void WellFormedCheck(benchmark::State& state) {
    const std::string& body = HomeTimeline();
    for (auto _ : state) benchmark::DoNotOptimize(xml::IsWellFormedParse(body));
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}

}  // namespace

BENCHMARK(ParseIntoRecords);
BENCHMARK(PugixmlParseOnly);
BENCHMARK(PugixmlParseAndSelect);
BENCHMARK(WellFormedCheck);
