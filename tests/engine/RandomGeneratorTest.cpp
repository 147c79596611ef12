#include "Engine/RandomGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Engine/GameSystem.h"
#include "Engine/Logger.h"
#include "tests/doubles/NullModuleFactory.h"

namespace {

// The published MT19937 reference run starts from this seed.
constexpr uint32_t kReferenceSeed = 5489;

TEST(RandomGenerator, SeedFiveFourEightNineGivesTheReferenceSequence) {
    RandomGenerator generator(kReferenceSeed);
    EXPECT_EQ(generator.getSeed(), kReferenceSeed);
    EXPECT_EQ(generator.getNextOutput(), 3499211612u);
    EXPECT_EQ(generator.getNextOutput(), 581869302u);
    EXPECT_EQ(generator.getNextOutput(), 3890346734u);
    for (int i = 4; i < 10000; ++i) generator.getNextOutput();
    EXPECT_EQ(generator.getNextOutput(), 4123659995u);
}

TEST(RandomGenerator, RealsAreTheOutputsOverTwoToTheThirtyTwo) {
    RandomGenerator generator(kReferenceSeed);
    EXPECT_FLOAT_EQ(generator.getRandomReal(), static_cast<float>(3499211612.0 / 4294967296.0));
    EXPECT_FLOAT_EQ(generator.getRandomReal(10, 20),
                    static_cast<float>(581869302.0 / 4294967296.0 * 10 + 10));
}

TEST(RandomGenerator, RealsStayBelowTheirUpperEnd) {
    RandomGenerator generator(7);
    for (int i = 0; i < 100000; ++i) {
        const float r = generator.getRandomReal();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        const float ranged = generator.getRandomReal(1.0f, 1.0000001f);
        ASSERT_LT(ranged, 1.0000001f);
    }
}

TEST(RandomGenerator, IntegersIncludeBothEndsAndNeverPassTheTop) {
    RandomGenerator generator(11);
    bool seen[7] = {};
    for (int i = 0; i < 10000; ++i) {
        const int v = generator.getRandomInteger(1, 6);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 6);
        seen[v] = true;
    }
    for (int v = 1; v <= 6; ++v) EXPECT_TRUE(seen[v]) << v;
    const int32_t lo = std::numeric_limits<int32_t>::min();
    const int32_t hi = std::numeric_limits<int32_t>::max();
    for (int i = 0; i < 10000; ++i) {
        const int32_t v = generator.getRandomInteger(lo, hi);
        ASSERT_GE(v, lo);
        ASSERT_LE(v, hi);
    }
    EXPECT_EQ(generator.getRandomInteger(5, 5), 5);
}

TEST(RandomGenerator, BooleansAndDirections) {
    RandomGenerator generator(3);
    int trues = 0;
    for (int i = 0; i < 1000; ++i) trues += generator.getRandomBoolean() ? 1 : 0;
    EXPECT_GT(trues, 0);
    EXPECT_LT(trues, 1000);
    EXPECT_NEAR(generator.getRandomDir().length(), 1.0f, 1e-6f);
}

TEST(RandomGenerator, GameSystemLogsItsOwnSeed) {
    NullModuleFactory factory;
    GameSystem game(factory);
    const std::string expected =
        "Random number generator seed is " + std::to_string(game.getRandomGenerator().getSeed());
    ASSERT_FALSE(game.getLogger()->getOutput().empty());
    EXPECT_EQ(game.getLogger()->getOutput()[0], expected);
    const int v = game.getRandomInteger(3, 4);
    EXPECT_TRUE(v == 3 || v == 4);
}

}  // namespace
