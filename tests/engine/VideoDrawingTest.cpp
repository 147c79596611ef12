#include <gtest/gtest.h>

#include "Engine/Assertion.h"
#include "Engine/ShapeType.h"
#include "tests/doubles/NullVideoModule.h"

namespace {

using Call = NullVideoModule::DrawCall;

TEST(VideoDrawing, LinesSwitchTheDepthTestOffAndEndShapeRestoresIt) {
    NullVideoModule video(nullptr);
    video.beginShape(SHAPETYPE_LINELOOP);
    EXPECT_FALSE(video.isAttrDepthTest());
    video.plotVertex(1.0f, 2.0f, 0.0f);
    video.endShape();
    EXPECT_TRUE(video.isAttrDepthTest());
    EXPECT_EQ(video.getAttributesStackSize(), 0u);
    EXPECT_EQ(video.getDrawCalls(), (std::vector<Call>{{"depthTest", {0}},
                                                       {"beginShape", {6}},
                                                       {"plotVertex", {1, 2, 0}},
                                                       {"endShape", {}},
                                                       {"depthTest", {1}},
                                                       {"depthWrite", {1}}}));
}

TEST(VideoDrawing, FilledShapesLeaveTheAttributesAlone) {
    NullVideoModule video(nullptr);
    video.setAttrDepthWrite(false);
    video.clearDrawCalls();
    video.beginShape(SHAPETYPE_TRIANGLEFAN);
    video.endShape();
    EXPECT_EQ(video.getDrawCalls(), (std::vector<Call>{{"beginShape", {2}}, {"endShape", {}}}));
    EXPECT_FALSE(video.isAttrDepthWrite());
}

TEST(VideoDrawing, AttributeStackRestoresWordsAndRefusesToUnderflow) {
    NullVideoModule video(nullptr);
    video.pushAttributes();
    video.setAttrDepthTest(false);
    video.setAttrDepthWrite(false);
    video.popAttributes();
    EXPECT_TRUE(video.isAttrDepthTest());
    EXPECT_TRUE(video.isAttrDepthWrite());

    std::vector<std::string> reports;
    AssertionHandler previous =
        setAssertionHandler([&](const AssertionReport& r) { reports.push_back(r.expression); });
    video.popAttributes();
    video.beginShape(9);
    setAssertionHandler(previous);
    EXPECT_EQ(reports, (std::vector<std::string>{"attributesStack.size()>0", "false"}));
}

TEST(VideoDrawing, ColoursByIdWithoutAColourManagerAreBlack) {
    NullVideoModule video(nullptr);
    video.setColour(3, 0.5f);
    EXPECT_EQ(video.getDrawCalls().back(), (Call{"setColour", {0, 0, 0, 0.5f}}));
}

}  // namespace
