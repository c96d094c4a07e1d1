#include "rest/RecordFiller.h"

#include <climits>

int32_t ReadCount(const CZelString& text) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            break;  // already past either limit
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int32_t>(value);
}

void FillStatusRecord(const XmlNode& status, StatusRecord& record) {
    record.created_at = status.GetNodeText("created_at");
    record.id = status.GetNodeText("id");
    record.text = status.GetNodeText("text");
    record.source = status.GetNodeText("source");
    record.xml = status.Xml();
    if (XmlNode user = status.SelectSingleNode("user"))
        FillUserRecord(user, record.user);  // a status without user keeps an empty one
}

void FillUserRecord(const XmlNode& user, UserRecord& record) {
    record.id = user.GetNodeText("id");
    record.name = user.GetNodeText("name");
    record.screen_name = user.GetNodeText("screen_name");
    record.location = user.GetNodeText("location");
    record.description = user.GetNodeText("description");
    record.profile_image_url = user.GetNodeText("profile_image_url");
    record.url = user.GetNodeText("url");
    record.created_at = user.GetNodeText("created_at");
    record.protected_ = user.GetNodeText("protected") == "true" ? 1 : 0;
    record.followers_count = ReadCount(user.GetNodeText("followers_count"));
    record.friends_count = ReadCount(user.GetNodeText("friends_count"));
    record.statuses_count = ReadCount(user.GetNodeText("statuses_count"));
    record.xml = user.Xml();
}
