#include <gtest/gtest.h>

#include "Engine/PulseLFO.h"
#include "Engine/SawLFO.h"
#include "Engine/TriangleLFO.h"

namespace {

// Advances [lfo] by [totalMS] in 1 ms updates.
void run(LFO& lfo, int totalMS) {
    for (int i = 0; i < totalMS; ++i) lfo.update(1.0f);
}

TEST(LFO, SawRampsOncePerPeriodAndWraps) {
    SawLFO saw;
    saw.setRate(1000);
    run(saw, 500);
    EXPECT_NEAR(saw.getValue(), 0.5f, 1e-4f);
    run(saw, 499);
    EXPECT_GT(saw.getValue(), 0.99f);
    run(saw, 2);
    EXPECT_LT(saw.getValue(), 0.01f);
}

TEST(LFO, PulseStartsHighFromPhaseThreeQuartersAndFlipsAfterAQuarter) {
    PulseLFO pulse;
    pulse.setRate(1000);
    pulse.setPhase(0.75f);
    EXPECT_FLOAT_EQ(pulse.getValue(), 1.0f);
    run(pulse, 249);
    EXPECT_FLOAT_EQ(pulse.getValue(), 1.0f);
    run(pulse, 2);
    EXPECT_FLOAT_EQ(pulse.getValue(), 0.0f);
}

TEST(LFO, TriangleRisesAndFallsThroughItsRange) {
    TriangleLFO triangle;
    triangle.setRange(-1, 1);
    triangle.setRate(4000);
    const float expected[] = {-1, 0, 1, 0, -1};
    EXPECT_FLOAT_EQ(triangle.getValue(), expected[0]);
    for (int i = 1; i < 5; ++i) {
        run(triangle, 1000);
        EXPECT_NEAR(triangle.getValue(), expected[i], 1e-3f) << i * 1000 << " ms";
    }
}

TEST(LFO, OneUpdateNeverAdvancesMoreThanOneUnitAndABadRateCountsAsOneMillisecond) {
    SawLFO saw;
    saw.setRate(0);
    saw.update(1e9f);
    EXPECT_FLOAT_EQ(saw.getLevel(), 0.5f);
    saw.update(-5.0f);
    EXPECT_FLOAT_EQ(saw.getLevel(), 0.5f);
}

TEST(LFO, ContourBendsTheOutputAndAnEdgeContourStaysFinite) {
    SawLFO saw;
    saw.setPhase(0.25f);
    saw.setContour(0.5f, 0.8f);
    EXPECT_FLOAT_EQ(saw.getValue(), 0.4f);
    saw.setContour(1.0f, 0.5f);
    EXPECT_FLOAT_EQ(saw.getValue(), 0.125f);
    saw.setRandomPhase();
    EXPECT_GE(saw.getLevel(), 0.0f);
    EXPECT_LT(saw.getLevel(), 1.0f);
}

}  // namespace
