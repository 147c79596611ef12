// The window itself: a window of another size keeps the drawing area's aspect, with black
// borders outside it, and a refused size leaves the window open.
#include <gtest/gtest.h>

#include "WindowHarness.h"

namespace {

constexpr uint32_t kWhite = 0xffffffffu;

TEST(WindowDrawing, DrawingAreaKeepsItsAspectWithBlackBorders) {
    WindowHarness window(16.0f / 9.0f);
    ASSERT_TRUE(window.video().restartVideo(1280, 1024, false));
    EXPECT_EQ(window.video().getScreenWidth(), 1280);
    EXPECT_EQ(window.video().getScreenHeight(), 720);
    EXPECT_EQ(window.video().getViewportY(), 152);
    window.video().clear(1.0f, 1.0f, 1.0f, 1.0f);
    const Screenshot whole = Screenshot::capture(0, 0, 1280, 1024);
    // The borders were cleared to black with alpha 0.
    EXPECT_EQ(whole.getPixel(640, 100) & 0xffffff00u, 0u);
    EXPECT_EQ(whole.getPixel(640, 160), kWhite);
    EXPECT_EQ(whole.getPixel(640, 860), kWhite);
    EXPECT_EQ(whole.getPixel(640, 880) & 0xffffff00u, 0u);

    EXPECT_FALSE(window.video().restartVideo(0, 1024, false));
    EXPECT_NE(window.video().getWindow(), nullptr);
    EXPECT_EQ(window.video().getDeviceWidth(), 1280);
}

}  // namespace
