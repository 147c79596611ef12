// Random numbers from the MT19937 Mersenne Twister. Two independent generators exist: the
// process-wide one (RANDOM_ script globals and engine helpers) and the game system's own.
#pragma once

#include <cstdint>
#include <random>

#include "Engine/RealPoint.h"

class RandomGenerator {
  public:
    // Seeded from the system tick count in milliseconds, or with the fixed seed when one is set.
    RandomGenerator();
    explicit RandomGenerator(uint32_t seed);

    // The generator behind the RANDOM_ globals; seeded before the program's main code runs.
    // Engine code that wants a random number and has no game system at hand draws from this one.
    static RandomGenerator& getProcessGenerator();
    // Milliseconds of the monotonic system clock, wrapped to 32 bits.
    static uint32_t getTickCountMS();

    // Runs that must repeat exactly (headless runs) seed every generator made from now on with
    // [seed] instead of the clock.
    static void setFixedSeed(uint32_t seed);
    // Starts the sequence again from [seed].
    void reseed(uint32_t seed);

    uint32_t getSeed() const { return seed_; }
    // The next tempered 32-bit output.
    uint32_t getNextOutput() { return engine_(); }

    // In [0, 1): the next output / 2^32, never rounded up to 1 by the float conversion.
    float getRandomReal();
    // In [low, high); r (high - low) + low.
    float getRandomReal(float low, float high);
    // In [low, high], both ends included. Computed from the double draw with 64-bit range
    // arithmetic, so wide ranges neither overflow nor return high + 1.
    int32_t getRandomInteger(int32_t low, int32_t high);
    // True when the integer in [0, 1] is 0.
    bool getRandomBoolean();
    // A unit vector at a random angle in [0, TWOPI).
    RealPoint getRandomDir();

  private:
    double getRandomUnit();

    uint32_t seed_;
    std::mt19937 engine_;
};
