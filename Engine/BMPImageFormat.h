// Reads uncompressed 24- and 32-bit BMP files into RGBA images. Files are untrusted: every size
// is checked against the bytes the file holds before anything is read or allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Engine/Image.h"

class BMPImageFormat {
  public:
    // Reads the file at [path] (already made relative to the working directory); false, with no
    // image, when it cannot be opened or is not a BMP this reader takes.
    bool load(const std::string& path);
    bool loadFromMemory(const uint8_t* data, std::size_t size);

    // Every pixel of exactly this colour becomes fully transparent.
    void makeColourTransparent(uint8_t red, uint8_t green, uint8_t blue);
    // Alpha becomes the pixel's intensity (R + G + B) / 3, truncated: white opaque, black clear.
    void makeAlphaFromIntensity();

    uint32_t getWidth() const { return image_.width; }
    uint32_t getHeight() const { return image_.height; }
    // 24 or 32 after a successful load.
    int getBitsPerPixel() const { return bitsPerPixel_; }
    const Image& getImage() const { return image_; }
    const uint8_t* getPixels() const { return image_.pixels.data(); }
    Image takeImage();

  private:
    Image image_;
    int bitsPerPixel_ = 0;
};
