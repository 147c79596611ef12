#include "Engine/DrawingArea.h"

#include <algorithm>
#include <cmath>

namespace {
float clampedFraction(float offset, int size) {
    if (size <= 0 || !std::isfinite(offset))
        return 0.0f;
    return std::clamp(offset / static_cast<float>(size), 0.0f, 1.0f);
}
}  // namespace

DrawingArea DrawingArea::compute(int deviceWidth, int deviceHeight, float aspectRatio, int horizontalShift,
                                 int verticalShift) {
    DrawingArea area;
    if (deviceWidth <= 0 || deviceHeight <= 0 || !(aspectRatio > 0.0f) || !std::isfinite(aspectRatio)) {
        area.screenWidth = std::max(deviceWidth, 0);
        area.screenHeight = std::max(deviceHeight, 0);
        return area;
    }
    const float deviceAspect = static_cast<float>(deviceWidth) / static_cast<float>(deviceHeight);
    if (deviceAspect <= aspectRatio) {
        area.screenWidth = deviceWidth;
        area.screenHeight = static_cast<int>(static_cast<float>(deviceWidth) / aspectRatio);
    } else {
        area.screenHeight = deviceHeight;
        area.screenWidth = static_cast<int>(static_cast<float>(deviceHeight) * aspectRatio);
    }
    area.viewportX = (deviceWidth - area.screenWidth) / 2 + horizontalShift;
    area.viewportY = (deviceHeight - area.screenHeight) / 2 + verticalShift;
    return area;
}

int DrawingArea::verticalShiftFor(int horizontalShift, float aspectRatio) {
    if (!(aspectRatio > 0.0f) || !std::isfinite(aspectRatio))
        return 0;
    return static_cast<int>(static_cast<float>(horizontalShift) / aspectRatio);
}

float DrawingArea::mouseXToArea(float windowX, int deviceWidth) const {
    return clampedFraction(windowX - static_cast<float>((deviceWidth - screenWidth) / 2), screenWidth);
}

float DrawingArea::mouseYToArea(float windowY, int deviceHeight) const {
    return clampedFraction(windowY - static_cast<float>((deviceHeight - screenHeight) / 2), screenHeight);
}
