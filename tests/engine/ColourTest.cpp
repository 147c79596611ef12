#include "Engine/Colour.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Colour, ConstructionStoresComponentsButSettersClamp) {
    Colour c(2.0f, -1.0f, 0.5f);
    EXPECT_FLOAT_EQ(c.getRed(), 2.0f);
    EXPECT_FLOAT_EQ(c.getGreen(), -1.0f);
    c.setRed(1.5f);
    c.setGreen(-0.5f);
    c.setBlue(std::nanf(""));
    EXPECT_EQ(c, Colour(1, 0, 0));
}

TEST(Colour, IndexedComponentsTruncateAndClamp) {
    Colour c(0.5f, 1.0f, 0.0f);
    EXPECT_EQ(c.getRedIndexed(), 127);
    EXPECT_EQ(c.getGreenIndexed(), 255);
    c.setBlueIndexed(51);
    EXPECT_FLOAT_EQ(c.getBlue(), 0.2f);
    c.setBlueIndexed(1000);
    EXPECT_FLOAT_EQ(c.getBlue(), 1.0f);
    EXPECT_EQ(Colour(1e30f, 0, 0).getRedIndexed(), 2147483647);
}

TEST(Colour, BrightnessIsTheUnnormalisedLength) {
    EXPECT_NEAR(Colour(1, 1, 1).getBrightness(), 1.7320508f, 1e-6f);
    Colour c(0, 0.6f, 0.8f);
    EXPECT_EQ(c.makeAsGrayscale(), Colour(1, 1, 1));
    c.makeGrayscale();
    EXPECT_EQ(c, Colour(1, 1, 1));
    EXPECT_EQ(Colour(0.5f, 0.25f, 1).makeWithIntensity(2), Colour(1, 0.5f, 2));
}

TEST(Colour, InterpolationClampsTAndWeightsTheFirstColourByT) {
    const Colour red(1, 0, 0), blue(0, 0, 1);
    EXPECT_EQ(Colour::makeInterpolated(1.5f, red, blue), red);
    EXPECT_EQ(Colour::makeInterpolated(-1.0f, red, blue), blue);
    EXPECT_EQ(Colour::makeInterpolated(0.25f, red, blue), Colour(0.25f, 0, 0.75f));
}

}  // namespace
