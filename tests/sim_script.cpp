// skarvo-sim's replay script reader: what it accepts and what it rejects, by line.
#include <gtest/gtest.h>

#include "replay_script.h"

using sim::parseReplay;
using sim::ReplayScript;

TEST(ReplayScript, ReadsFramesEventsAndStart) {
    ReplayScript s;
    std::string error;
    ASSERT_TRUE(
        parseReplay("# a comment\n\nstart 4294967295\n16\r\n  32   down LEFT\n48 up SPACE\n64 close\n"
                    "80 down ESCAPE\n4294967295 down UP\n",
                    &s, &error))
        << error;
    EXPECT_EQ(s.startMs, 4294967295u);
    ASSERT_EQ(s.frames.size(), 6u);
    EXPECT_EQ(s.frames[0].nowMs, 16u);
    EXPECT_FALSE(s.frames[0].hasMessage);
    EXPECT_EQ(s.frames[1].message.message, platform::WM_KEYDOWN);
    EXPECT_EQ(s.frames[1].message.wParam, platform::VK_LEFT);
    EXPECT_EQ(s.frames[2].message.message, platform::WM_KEYUP);
    EXPECT_EQ(s.frames[2].message.wParam, platform::VK_SPACE);
    EXPECT_EQ(s.frames[3].message.message, platform::WM_CLOSE);
    EXPECT_EQ(s.frames[4].message.wParam, platform::VK_ESCAPE);
    EXPECT_EQ(s.frames[5].nowMs, 4294967295u);
    EXPECT_EQ(s.frames[5].message.wParam, platform::VK_UP);

    ASSERT_TRUE(parseReplay("", &s, &error));
    EXPECT_EQ(s.startMs, 0u);
    EXPECT_TRUE(s.frames.empty());
}

TEST(ReplayScript, RejectsMalformedLinesByNumber) {
    struct {
        const char* text;
        const char* where;
    } bad[] = {
        {"16\nstart 5\n", "line 2"},  // start after a frame
        {"start 1\nstart 2\n", "line 2"},
        {"start\n", "line 1"},
        {"# c\n16\n-5\n", "line 3"},
        {"16\n4294967296\n", "line 2"},
        {"16\n12ab\n", "line 2"},
        {"16\n32 down\n", "line 2"},
        {"16\n32 down A\n", "line 2"},
        {"16\n32 down left\n", "line 2"},  // keys are upper case
        {"16\n32 press LEFT\n", "line 2"},
        {"16\n32 close now\n", "line 2"},
        {"16\n32 up LEFT RIGHT\n", "line 2"},
        {"16\n32 # trailing comment\n", "line 2"},
    };
    for (auto& b : bad) {
        ReplayScript s;
        std::string error;
        EXPECT_FALSE(parseReplay(b.text, &s, &error)) << b.text;
        EXPECT_NE(error.find(b.where), std::string::npos) << b.text << " -> " << error;
    }
}
