#include <gtest/gtest.h>

#include "Engine/Camera.h"
#include "Engine/DrawingArea.h"

namespace {

TEST(DrawingArea, WideAreaInATallerWindowGetsBarsAboveAndBelow) {
    const DrawingArea area = DrawingArea::compute(1280, 1024, 16.0f / 9.0f);
    EXPECT_EQ(area.screenWidth, 1280);
    EXPECT_EQ(area.screenHeight, 720);
    EXPECT_EQ(area.viewportX, 0);
    EXPECT_EQ(area.viewportY, 152);
}

TEST(DrawingArea, NarrowAreaInAWiderWindowGetsBarsLeftAndRight) {
    const DrawingArea area = DrawingArea::compute(1920, 1080, 4.0f / 3.0f);
    EXPECT_EQ(area.screenWidth, 1440);
    EXPECT_EQ(area.screenHeight, 1080);
    EXPECT_EQ(area.viewportX, 240);
    EXPECT_EQ(area.viewportY, 0);
}

TEST(DrawingArea, ShiftsMoveTheCornerAndTheVerticalShiftFollowsTheAspect) {
    EXPECT_EQ(DrawingArea::verticalShiftFor(100, 16.0f / 9.0f), 56);
    EXPECT_EQ(DrawingArea::verticalShiftFor(-100, 16.0f / 9.0f), -56);
    const DrawingArea area = DrawingArea::compute(1280, 1024, 16.0f / 9.0f, 100, 56);
    EXPECT_EQ(area.viewportX, 100);
    EXPECT_EQ(area.viewportY, 208);
}

TEST(DrawingArea, DegenerateWindowsAndAspectsGiveNoArea) {
    EXPECT_EQ(DrawingArea::compute(0, 600, 1.5f).screenHeight, 600);
    EXPECT_EQ(DrawingArea::compute(-5, 600, 1.5f).screenWidth, 0);
    EXPECT_EQ(DrawingArea::compute(800, 600, 0.0f).screenWidth, 800);
    EXPECT_EQ(DrawingArea::verticalShiftFor(10, 0.0f), 0);
}

TEST(DrawingArea, MouseMapsOntoTheAreaAndClampsOutsideIt) {
    const DrawingArea tall = DrawingArea::compute(1280, 1024, 16.0f / 9.0f);
    EXPECT_FLOAT_EQ(tall.mouseYToArea(152.0f, 1024), 0.0f);
    EXPECT_FLOAT_EQ(tall.mouseYToArea(872.0f, 1024), 1.0f);
    EXPECT_FLOAT_EQ(tall.mouseYToArea(512.0f, 1024), 0.5f);
    EXPECT_FLOAT_EQ(tall.mouseYToArea(10.0f, 1024), 0.0f);
    EXPECT_FLOAT_EQ(tall.mouseYToArea(1000.0f, 1024), 1.0f);
    EXPECT_FLOAT_EQ(tall.mouseXToArea(640.0f, 1280), 0.5f);

    // Side bars count as outside on x too.
    const DrawingArea wide = DrawingArea::compute(1920, 1080, 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(wide.mouseXToArea(240.0f, 1920), 0.0f);
    EXPECT_FLOAT_EQ(wide.mouseXToArea(1680.0f, 1920), 1.0f);
    EXPECT_FLOAT_EQ(wide.mouseXToArea(100.0f, 1920), 0.0f);
}

TEST(Camera, DefaultsLookDownFromAboveTheOrigin) {
    const Camera camera;
    EXPECT_FLOAT_EQ(camera.getPosX(), 0.0f);
    EXPECT_FLOAT_EQ(camera.getPosY(), 0.0f);
    EXPECT_FLOAT_EQ(camera.getPosZ(), 2688.0f);
    EXPECT_FLOAT_EQ(camera.getTiltDegrees(), 0.0f);
    EXPECT_TRUE(camera.isClamping());
}

TEST(Camera, GettersClampToTheBoundsOnlyWhileClampingIsOn) {
    Camera camera;
    camera.setBounds(-10.0f, -20.0f, 100.0f, 10.0f, 20.0f, 200.0f);
    camera.setPos(50.0f, -50.0f, 150.0f);
    EXPECT_FLOAT_EQ(camera.getPosX(), 10.0f);
    EXPECT_FLOAT_EQ(camera.getPosY(), -20.0f);
    EXPECT_FLOAT_EQ(camera.getPosZ(), 150.0f);
    camera.setIsClamping(false);
    EXPECT_FLOAT_EQ(camera.getPosX(), 50.0f);
    EXPECT_FLOAT_EQ(camera.getPosY(), -50.0f);
}

TEST(Camera, InvertedBoundsDoNotCrashAndTheMinimumWins) {
    Camera camera;
    camera.setBounds(10.0f, 0.0f, 0.0f, -10.0f, 0.0f, 0.0f);
    camera.setPos(3.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(camera.getPosX(), 10.0f);
}

}  // namespace
