#include "Engine/Texture.h"

#include <cstring>

#include "Engine/Assertion.h"

Texture::Texture(uint32_t id, uint32_t imageWidth, uint32_t imageHeight, TextureSampling sampling)
    : id_(id),
      imageWidth_(imageWidth),
      imageHeight_(imageHeight),
      textureWidth_(powerOfTwoAtLeast(imageWidth)),
      textureHeight_(powerOfTwoAtLeast(imageHeight)),
      sampling_(sampling) {
    TACT_ASSERT(textureWidth_ >= imageWidth_, "tw>=w");
    TACT_ASSERT(textureHeight_ >= imageHeight_, "th>=h");
    uExtent_ = static_cast<float>(imageWidth_) / static_cast<float>(textureWidth_);
    vExtent_ = static_cast<float>(imageHeight_) / static_cast<float>(textureHeight_);
}

uint32_t Texture::powerOfTwoAtLeast(uint32_t size) {
    uint32_t power = 1;
    // Image sides are at most kMaxImageSide, far below the overflow of this loop.
    while (power < size && power < 0x80000000u) power <<= 1;
    return power;
}

std::vector<uint8_t> Texture::padToTextureSize(const Image& image, bool repeatEdges) {
    const std::size_t textureWidth = powerOfTwoAtLeast(image.width);
    const std::size_t textureHeight = powerOfTwoAtLeast(image.height);
    std::vector<uint8_t> buffer(textureWidth * textureHeight * 4, 0);
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    if (image.pixels.size() < rowBytes * image.height)
        return buffer;
    for (std::size_t row = 0; row < image.height; ++row)
        std::memcpy(&buffer[row * textureWidth * 4], &image.pixels[row * rowBytes], rowBytes);
    if (!repeatEdges || image.width == 0 || image.height == 0)
        return buffer;
    for (std::size_t row = 0; row < image.height; ++row) {
        uint8_t* line = &buffer[row * textureWidth * 4];
        for (std::size_t column = image.width; column < textureWidth; ++column)
            std::memcpy(line + column * 4, line + (image.width - 1) * 4, 4);
    }
    const uint8_t* lastRow = &buffer[(image.height - 1) * textureWidth * 4];
    for (std::size_t row = image.height; row < textureHeight; ++row)
        std::memcpy(&buffer[row * textureWidth * 4], lastRow, textureWidth * 4);
    return buffer;
}
