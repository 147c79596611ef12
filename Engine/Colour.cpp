#include "Engine/Colour.h"

#include <cmath>

#include "Engine/MathUtil.h"

namespace {

// Full intensity of an indexed (8-bit) component.
constexpr float kIndexedMax = 255.0f;

// v <= 0 gives 0, v > 1 gives 1 (NaN gives 0).
float clampUnit(float value) {
    if (!(value > 0.0f))
        return 0.0f;
    return value > 1.0f ? 1.0f : value;
}

int toIndexed(float component) {
    return MathUtil::truncateToInt(component * kIndexedMax);
}

float fromIndexed(int value) {
    return clampUnit(static_cast<float>(value) / kIndexedMax);
}

}  // namespace

void Colour::setRed(float value) {
    red_ = clampUnit(value);
}
void Colour::setGreen(float value) {
    green_ = clampUnit(value);
}
void Colour::setBlue(float value) {
    blue_ = clampUnit(value);
}

int Colour::getRedIndexed() const {
    return toIndexed(red_);
}
int Colour::getGreenIndexed() const {
    return toIndexed(green_);
}
int Colour::getBlueIndexed() const {
    return toIndexed(blue_);
}
void Colour::setRedIndexed(int value) {
    red_ = fromIndexed(value);
}
void Colour::setGreenIndexed(int value) {
    green_ = fromIndexed(value);
}
void Colour::setBlueIndexed(int value) {
    blue_ = fromIndexed(value);
}

float Colour::getBrightness() const {
    return std::sqrt(red_ * red_ + green_ * green_ + blue_ * blue_);
}

void Colour::makeGrayscale() {
    *this = makeAsGrayscale();
}

Colour Colour::makeAsGrayscale() const {
    const float brightness = getBrightness();
    return {brightness, brightness, brightness};
}

Colour Colour::makeWithIntensity(float intensity) const {
    return {red_ * intensity, green_ * intensity, blue_ * intensity};
}

Colour Colour::makeInterpolated(float t, const Colour& a, const Colour& b) {
    const float w = MathUtil::getInRange(t, 0.0f, 1.0f);
    const float v = 1.0f - w;
    return {a.red_ * w + b.red_ * v, a.green_ * w + b.green_ * v, a.blue_ * w + b.blue_ * v};
}
