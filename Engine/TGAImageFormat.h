// Reads TGA files (colour-mapped, true-colour and grey, raw or run-length encoded, 8/24/32 bits)
// into RGBA images with the top row first, whatever corner the file starts from. Files are
// untrusted: sizes are checked against the file, runs are clamped to the image and colour-map
// indexes are checked against the map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Engine/Image.h"

class TGAImageFormat {
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
