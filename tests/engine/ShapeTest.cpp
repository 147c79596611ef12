#include <gtest/gtest.h>

#include <cmath>

#include "Engine/Shape.h"
#include "Engine/ShapeType.h"
#include "tests/doubles/NullVideoModule.h"

namespace {

using Call = NullVideoModule::DrawCall;

std::vector<Call> callsNamed(const NullVideoModule& video, const std::string& name) {
    std::vector<Call> result;
    for (const Call& call : video.getDrawCalls()) {
        if (call.operation == name)
            result.push_back(call);
    }
    return result;
}

TEST(Shape, FilledCircleIsACentreAndARimThatClosesOnItself) {
    NullVideoModule video(nullptr);
    Shape shape(&video, SHAPETYPE_QUADS, 22);
    ASSERT_TRUE(shape.setAsFilledCircle(10.0f));
    EXPECT_EQ(shape.getShapeType(), SHAPETYPE_TRIANGLEFAN);
    EXPECT_FLOAT_EQ(shape.getVertex(0)->x, 0.0f);
    EXPECT_FLOAT_EQ(shape.getVertex(1)->x, 10.0f);
    const float step = 6.2831853f / 20.0f;
    EXPECT_NEAR(shape.getVertex(2)->x, 10.0f * std::cos(step), 1e-5);
    EXPECT_NEAR(shape.getVertex(2)->y, 10.0f * std::sin(step), 1e-5);
    EXPECT_NEAR(shape.getVertex(21)->x, 10.0f, 1e-4);
    EXPECT_NEAR(shape.getVertex(21)->y, 0.0f, 1e-4);
}

TEST(Shape, CircleIsALineLoopOfQualityVertices) {
    Shape shape(nullptr, SHAPETYPE_QUADS, 4);
    ASSERT_TRUE(shape.setAsCircle(2.0f));
    EXPECT_EQ(shape.getShapeType(), SHAPETYPE_LINELOOP);
    EXPECT_NEAR(shape.getVertex(1)->y, 2.0f, 1e-6);
    EXPECT_NEAR(shape.getVertex(2)->x, -2.0f, 1e-6);
}

TEST(Shape, QualityBelowOneAndFilledCirclesBelowThreeAreRefused) {
    Shape empty(nullptr, SHAPETYPE_LINES, 0);
    EXPECT_EQ(empty.getQuality(), 0);
    EXPECT_FALSE(empty.setAsCircle(1.0f));
    EXPECT_EQ(empty.getVertex(0), nullptr);

    Shape negative(nullptr, SHAPETYPE_LINES, -5);
    EXPECT_EQ(negative.getQuality(), 0);

    Shape two(nullptr, SHAPETYPE_LINES, 2);
    EXPECT_FALSE(two.setAsFilledCircle(1.0f));
    EXPECT_EQ(two.getShapeType(), SHAPETYPE_LINES);
    EXPECT_TRUE(two.setAsCircle(1.0f));
}

TEST(Shape, PlotVerticesStepsByTheIncrementWithOrWithoutColour) {
    NullVideoModule video(nullptr);
    Shape shape(&video, SHAPETYPE_LINES, 10);
    for (int i = 0; i < 10; ++i) shape.getVertex(i)->x = static_cast<float>(i);
    ASSERT_TRUE(shape.plotVertices(0, 10, 3));
    std::vector<float> xs;
    for (const Call& call : callsNamed(video, "plotVertex")) xs.push_back(call.arguments[0]);
    EXPECT_EQ(xs, (std::vector<float>{0, 3, 6, 9}));
    EXPECT_TRUE(callsNamed(video, "setColour").empty());

    video.clearDrawCalls();
    shape.setIsUsesColour(true);
    shape.getVertex(3)->colour = Colour(1.0f, 0.5f, 0.25f);
    shape.getVertex(3)->alpha = 0.75f;
    shape.plotVertices(0, 10, 3);
    EXPECT_EQ(callsNamed(video, "plotVertex").size(), 4u);
    ASSERT_EQ(callsNamed(video, "setColour").size(), 4u);
    EXPECT_EQ(callsNamed(video, "setColour")[1], (Call{"setColour", {1.0f, 0.5f, 0.25f, 0.75f}}));
}

TEST(Shape, PlotVerticesClampsTheRangeAndRefusesIncrementsBelowOne) {
    NullVideoModule video(nullptr);
    Shape shape(&video, SHAPETYPE_LINES, 5);
    EXPECT_TRUE(shape.plotVertices(-7, 1000, 1));
    EXPECT_EQ(callsNamed(video, "plotVertex").size(), 5u);

    video.clearDrawCalls();
    EXPECT_FALSE(shape.plotVertices(0, 5, 0));
    EXPECT_FALSE(shape.plotVertices(0, 5, -1));
    EXPECT_TRUE(shape.plotVertices(0, 5, 2147483647));
    EXPECT_TRUE(shape.plotVertices(4, 2, 1));
    EXPECT_EQ(callsNamed(video, "plotVertex").size(), 1u);
}

TEST(Shape, DrawPlacesTheShapeThenPlotsItBetweenBeginAndEnd) {
    NullVideoModule video(nullptr);
    Shape shape(&video, SHAPETYPE_TRIANGLES, 3);
    shape.setPos(1.0f, 2.0f, 3.0f);
    shape.setScale(4.0f, 5.0f);
    shape.setDir(0.5f);
    shape.draw();
    std::vector<std::string> names;
    for (const Call& call : video.getDrawCalls()) names.push_back(call.operation);
    EXPECT_EQ(names,
              (std::vector<std::string>{"pushMatrix", "translate", "scale", "rotateZ", "beginShape",
                                        "plotVertex", "plotVertex", "plotVertex", "endShape", "popMatrix"}));
    EXPECT_EQ(video.getDrawCalls()[1], (Call{"translate", {1, 2, 3}}));
    EXPECT_EQ(video.getDrawCalls()[2], (Call{"scale", {4, 5, 1}}));
}

TEST(Shape, TexturedShapesSendTextureCoordinates) {
    NullVideoModule video(nullptr);
    Shape shape(&video, SHAPETYPE_QUADS, 1);
    shape.setIsUsesTexture(true);
    shape.getVertex(0)->u = 0.25f;
    shape.plotVertices();
    EXPECT_EQ(video.getDrawCalls(), (std::vector<Call>{{"plotTexturedVertex", {0, 0, 0, 0.25f, 0}}}));
}

}  // namespace
