// A copy of frame pixels read back from GL, and its PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Screenshot {
  public:
    // Reads [width] x [height] pixels from the current read buffer at the window corner (x, y).
    static Screenshot capture(int x, int y, int width, int height);

    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    // RGBA of the pixel at (x, y), counted from the lower-left corner like GL; 0 outside.
    uint32_t getPixel(int x, int y) const;
    uint8_t getChannel(int x, int y, int channel) const;
    // Writes an opaque RGBA PNG, top row first; false when the file cannot be written.
    bool savePNG(const std::string& fileName) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;  // RGBA rows, bottom row first
};
