// One kind of list as the Twitter object keeps it for reuse: what the fetch that filled it asked
// for, and the timer of its answer.
#pragma once

#include <cstdint>

#include "common/ZelString.h"
#include "common/ZelTimer.h"

struct ListCache {
    CZelString key;  // the timeline, the user or the query, as sent (UTF-8)
    CZelString sinceId, maxId;
    int32_t count = 0, page = 0;
    CZelTimer* timer = nullptr;  // the Twitter object's own; null: nothing to reuse

    bool Asked(const CZelString& otherKey, const CZelString& otherSinceId,
               const CZelString& otherMaxId, int32_t otherCount, int32_t otherPage) const {
        return key == otherKey && sinceId == otherSinceId && maxId == otherMaxId &&
               count == otherCount && page == otherPage;
    }
};
