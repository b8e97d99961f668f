#include "platform/Utils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

uint32_t fakeTicks = 0;
uint32_t fakeClock() {
    return fakeTicks;
}

class UtilsTest : public ::testing::Test {
protected:
    void SetUp() override { utils.setClock(fakeClock); }
    void at(uint32_t ms) {
        fakeTicks = ms;
        utils.updateFrameTiming();
    }
    Utils utils;
};

}  // namespace

TEST_F(UtilsTest, FrameTimeIsTheTimeBetweenUpdates) {
    at(250);
    EXPECT_NEAR(utils.getFrameTime(), 0.25, 1e-6);  // the first frame counts from the start
    at(266);
    EXPECT_NEAR(utils.getFrameTime(), 0.016, 1e-6);
}

TEST_F(UtilsTest, CaptionShowsOnTheFirstFrameThenOncePerSecond) {
    at(300);
    EXPECT_EQ(utils.getFps(), 1);
    EXPECT_STREQ(utils.getCaptionText(), " Current FPS: 1");

    at(1300);  // exactly one second later: not yet
    EXPECT_EQ(utils.getFps(), 1);
    at(1301);
    EXPECT_EQ(utils.getFps(), 2);
    EXPECT_STREQ(utils.getCaptionText(), " Current FPS: 2");
}

TEST_F(UtilsTest, SixtyFramesASecondShowSixtyOrSixtyOne) {
    at(1000);
    for (int frame = 1; frame <= 130; ++frame) {
        at(1000 + uint32_t(frame * 1000 / 60));
    }
    EXPECT_GE(utils.getFps(), 60);
    EXPECT_LE(utils.getFps(), 61);
    EXPECT_EQ(std::string(utils.getCaptionText()),
              " Current FPS: " + std::to_string(utils.getFps()));
}
