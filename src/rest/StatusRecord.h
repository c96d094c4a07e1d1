#pragma once

#include "common/ZelString.h"
#include "rest/UserRecord.h"

// A status of a service reply, copied out of the XML with its author.
struct StatusRecord {
    CZelString created_at;
    CZelString id;
    CZelString text;
    CZelString source;
    CZelString xml;
    UserRecord user;
};
