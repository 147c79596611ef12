// Reads PNG files of any colour type and bit depth into 8-bit RGBA images (libpng's simplified
// reader does the conversions). The only engine file outside the platform folders that uses libpng.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Engine/Image.h"

class PNGImageFormat {
  public:
    bool load(const std::string& path);
    bool loadFromMemory(const uint8_t* data, std::size_t size);

    uint32_t getWidth() const { return image_.width; }
    uint32_t getHeight() const { return image_.height; }
    const Image& getImage() const { return image_; }
    Image takeImage();

  private:
    Image image_;
};
