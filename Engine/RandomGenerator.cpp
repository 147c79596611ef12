#include "Engine/RandomGenerator.h"

#include <optional>

#include <chrono>
#include <cmath>

#include "Engine/MathUtil.h"

namespace {

// 2^32: the outputs divided by it fill [0, 1).
constexpr double kOutputRange = 4294967296.0;

// Touching the process-wide generator during static initialisation seeds it before main.
[[maybe_unused]] const bool kProcessGeneratorSeeded = (RandomGenerator::getProcessGenerator(), true);

}  // namespace

namespace {
std::optional<uint32_t> gFixedSeed;
}  // namespace

RandomGenerator::RandomGenerator() : RandomGenerator(gFixedSeed.value_or(getTickCountMS())) {}

void RandomGenerator::setFixedSeed(uint32_t seed) {
    gFixedSeed = seed;
}

void RandomGenerator::reseed(uint32_t seed) {
    seed_ = seed;
    engine_.seed(seed);
}

RandomGenerator::RandomGenerator(uint32_t seed) : seed_(seed), engine_(seed) {}

RandomGenerator& RandomGenerator::getProcessGenerator() {
    static RandomGenerator generator;
    return generator;
}

uint32_t RandomGenerator::getTickCountMS() {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

double RandomGenerator::getRandomUnit() {
    return static_cast<double>(getNextOutput()) / kOutputRange;
}

float RandomGenerator::getRandomReal() {
    const float r = static_cast<float>(getRandomUnit());
    // Outputs within 2^-25 of 2^32 round to 1.0f; keep the range half-open.
    return r < 1.0f ? r : std::nextafter(1.0f, 0.0f);
}

float RandomGenerator::getRandomReal(float low, float high) {
    const float r = static_cast<float>(getRandomUnit() * (static_cast<double>(high) - low) + low);
    if (high > low && r >= high)
        return std::nextafter(high, low);
    return r;
}

int32_t RandomGenerator::getRandomInteger(int32_t low, int32_t high) {
    const int64_t span = static_cast<int64_t>(high) - low + 1;
    const int64_t offset = static_cast<int64_t>(std::trunc(getRandomUnit() * static_cast<double>(span)));
    int64_t value = offset + low;
    // The unit draw is below 1, so this only guards rounding of the product in extreme ranges.
    if (span > 0 && value > high)
        value = high;
    return static_cast<int32_t>(value);
}

bool RandomGenerator::getRandomBoolean() {
    return getRandomInteger(0, 1) == 0;
}

RealPoint RandomGenerator::getRandomDir() {
    const float angle = getRandomReal(0.0f, MathUtil::TWOPI);
    return {std::cos(angle), std::sin(angle)};
}
