// The frame schedule that holds the game to 60 Hz where presentation does not wait:
// when it starts pacing, that paced frames keep a steady rate without drift, and that
// a stall restarts the schedule instead of letting frames hurry to catch up. Counter
// values are made up, so nothing here depends on the machine's speed.
#include <gtest/gtest.h>

#include "platform/pacing.h"

namespace {

constexpr uint64_t FREQ = 6'000'000;  // counter ticks a second: 100,000 a 60 Hz frame
constexpr uint64_t PERIOD = FREQ / 60;
constexpr uint64_t FAST = FREQ / 500;  // 2 ms

}  // namespace

TEST(Pacing, WaitsOnlyOnceManyFramesInARowCameTooFast) {
    platform::Pacer p;
    platform::pacerInit(&p, FREQ, 60, FAST, false);
    uint64_t now = 1'000'000;
    // A display that waits: frames of a whole period never start the schedule.
    for (int i = 0; i < 100; ++i, now += PERIOD) EXPECT_EQ(platform::pacerAfterPresent(&p, now), now);
    // Fast frames, but one slow frame in between starts the count again.
    for (int i = 0; i < platform::PACER_FAST_FRAMES - 1; ++i, now += FAST / 2) platform::pacerAfterPresent(&p, now);
    now += PERIOD;
    EXPECT_EQ(platform::pacerAfterPresent(&p, now), now);
    for (int i = 0; i < platform::PACER_FAST_FRAMES - 1; ++i) {
        now += FAST / 2;
        EXPECT_EQ(platform::pacerAfterPresent(&p, now), now);
    }
    EXPECT_FALSE(p.selfPaced);
    now += FAST / 2;
    platform::pacerAfterPresent(&p, now);
    EXPECT_TRUE(p.selfPaced);
}

TEST(Pacing, SelfPacedFramesFollowOneScheduleAndAStallRestartsIt) {
    platform::Pacer p;
    platform::pacerInit(&p, FREQ, 60, FAST, true);
    const uint64_t start = 5'000'000;
    // The first frame goes at once and sets the schedule.
    EXPECT_EQ(platform::pacerAfterPresent(&p, start), start);
    // Frames that take a varying part of the period end on the schedule's marks, not
    // a period after their own start: no drift.
    uint64_t now = start;
    for (int i = 1; i <= 600; ++i) {
        now += (i * 7919) % PERIOD;  // somewhere inside the period
        const uint64_t deadline = platform::pacerAfterPresent(&p, now);
        ASSERT_EQ(deadline, start + i * PERIOD) << "frame " << i;
        now = deadline;
    }
    // A frame late by less than a period goes at once; the next keeps the marks.
    now += PERIOD + PERIOD / 2;
    EXPECT_EQ(platform::pacerAfterPresent(&p, now), now);
    EXPECT_EQ(platform::pacerAfterPresent(&p, now), start + 602 * PERIOD);
    // A long stall: no burst of frames to catch up; the schedule starts from its end.
    now = start + 700 * PERIOD;
    EXPECT_EQ(platform::pacerAfterPresent(&p, now), now);
    EXPECT_EQ(platform::pacerAfterPresent(&p, now + 1), now + PERIOD);
}
