// skarvo-sim's replay script reader: what it accepts and what it rejects, by line.
#include <gtest/gtest.h>

#include "replay_script.h"

using sim::parseReplay;
using sim::ReplayScript;

TEST(ReplayScript, FullClockRangeCarriageReturnsAndComments) {
    ReplayScript s;
    std::string error;
    ASSERT_TRUE(parseReplay("# c\n\nstart 4294967295\n0\r\n  32   down LEFT\n", &s, &error)) << error;
    EXPECT_EQ(s.startMs, 4294967295u);
    ASSERT_EQ(s.frames.size(), 2u);
    EXPECT_FALSE(s.frames[0].hasEvent);
    EXPECT_TRUE(s.frames[1].event.type == platform::EventType::KEY_DOWN && s.frames[1].event.key == platform::Key::LEFT);
}

TEST(ReplayScript, RejectsMalformedLinesByNumber) {
    const char* bad[][2] = {
        {"16\nstart 5\n", "line 2"},  // start after a frame
        {"start\n", "line 1"},
        {"# c\n16\n-5\n", "line 3"},
        {"16\n32 down left\n", "line 2"},  // keys are upper case
        {"16\n32 up LEFT RIGHT\n", "line 2"},
        {"16\n32 # trailing comment\n", "line 2"},
    };
    for (auto& b : bad) {
        ReplayScript s;
        std::string error;
        EXPECT_FALSE(parseReplay(b[0], &s, &error)) << b[0];
        EXPECT_NE(error.find(b[1]), std::string::npos) << b[0] << " -> " << error;
    }
}
