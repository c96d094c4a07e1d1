#pragma once

#include <cstdint>

#include "common/ZelString.h"

// A user of a service reply, copied out of the XML.
struct UserRecord {
    CZelString xml;
    CZelString id;
    CZelString name;
    CZelString screen_name;
    CZelString location;
    CZelString description;
    CZelString profile_image_url;
    CZelString url;
    CZelString created_at;
    int32_t followers_count = 0;
    int32_t friends_count = 0;
    int32_t statuses_count = 0;
    int32_t protected_ = 0;
};
