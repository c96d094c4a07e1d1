#include <gtest/gtest.h>

#include "common/ZelBase.h"
#include "platform/Clock.h"

namespace {

uint32_t g_now = 0;
uint32_t FakeTicks() {
    return g_now;
}

class ZelTimer : public testing::Test {
  protected:
    void SetUp() override { platform::SetTickSource(&FakeTicks); }
    void TearDown() override { platform::SetTickSource(nullptr); }
    CZelBase owner;
};

}  // namespace

TEST_F(ZelTimer, ExpiresAtItsEnd) {
    g_now = 1000;
    CZelTimer* t = owner.CreateTimer(500);
    EXPECT_FALSE(CZelBase::IsTimerExpired(t));
    EXPECT_EQ(CZelBase::TimerRemaining(t), 500u);
    g_now = 1499;
    EXPECT_FALSE(CZelBase::IsTimerExpired(t));
    EXPECT_EQ(CZelBase::TimerRemaining(t), 1u);
    g_now = 1500;
    EXPECT_TRUE(CZelBase::IsTimerExpired(t));
    EXPECT_EQ(CZelBase::TimerRemaining(t), 0u);
    CZelBase::ResetTimer(t);
    EXPECT_EQ(CZelBase::TimerRemaining(t), 500u);
}

TEST_F(ZelTimer, InfiniteDurationNeverExpires) {
    g_now = 0xFFFFFF00u;
    CZelTimer* t = owner.CreateTimer(0xFFFFFFFFu);
    for (uint32_t now : {0u, 0xFFFFFFFEu, 0xFFFFFFFFu, 12345u}) {
        g_now = now;
        EXPECT_FALSE(CZelBase::IsTimerExpired(t));
    }
}

TEST_F(ZelTimer, PeriodAcrossTheWrapIsNotExpiredBeforeTheCounterWraps) {
    g_now = 0xFFFFFF00u;  // 256 ms before the wrap
    CZelTimer* t = owner.CreateTimer(1000);
    EXPECT_EQ(t->expiry, 744u);
    EXPECT_FALSE(CZelBase::IsTimerExpired(t));     // expiry (744) is below now, yet not expired
    EXPECT_EQ(CZelBase::TimerRemaining(t), 999u);  // the wrap case counts one less
    g_now = 0xFFFFFFFFu;
    EXPECT_FALSE(CZelBase::IsTimerExpired(t));
    g_now = 100;
    EXPECT_FALSE(CZelBase::IsTimerExpired(t));
    EXPECT_EQ(CZelBase::TimerRemaining(t), 644u);
    g_now = 744;
    EXPECT_TRUE(CZelBase::IsTimerExpired(t));
    EXPECT_EQ(CZelBase::TimerRemaining(t), 0u);
}

TEST_F(ZelTimer, DeleteIgnoresNullAllOnesAndUnknownTimers) {
    CZelTimer* t = owner.CreateTimer(10);
    owner.DeleteTimer(nullptr);
    owner.DeleteTimer(reinterpret_cast<CZelTimer*>(~uintptr_t{0}));
    CZelTimer stranger{1, 2};
    owner.DeleteTimer(&stranger);
    EXPECT_EQ(t->duration, 10u);  // still registered and alive
    owner.DeleteTimer(t);
    EXPECT_TRUE(CZelBase::IsTimerExpired(nullptr));
    EXPECT_EQ(CZelBase::TimerRemaining(nullptr), 0u);
}
