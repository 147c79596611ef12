#include "Engine/GLFWVideoModule/Screenshot.h"

#include "Engine/GLFWVideoModule/ShapeBatch.h"

#include <GL/gl.h>
#include <png.h>

Screenshot Screenshot::capture(int x, int y, int width, int height) {
    Screenshot shot;
    if (width <= 0 || height <= 0)
        return shot;
    shot.width_ = width;
    shot.height_ = height;
    shot.pixels_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    // Shapes still waiting in the batch belong in the picture.
    ShapeBatch::flushCurrent();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, shot.pixels_.data());
    return shot;
}

uint8_t Screenshot::getChannel(int x, int y, int channel) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || channel < 0 || channel > 3)
        return 0;
    return pixels_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                    static_cast<std::size_t>(x)) *
                       4 +
                   static_cast<std::size_t>(channel)];
}

uint32_t Screenshot::getPixel(int x, int y) const {
    return (static_cast<uint32_t>(getChannel(x, y, 0)) << 24) |
           (static_cast<uint32_t>(getChannel(x, y, 1)) << 16) |
           (static_cast<uint32_t>(getChannel(x, y, 2)) << 8) | getChannel(x, y, 3);
}

bool Screenshot::savePNG(const std::string& fileName) const {
    if (pixels_.empty())
        return false;
    // The frame's alpha is whatever blending left; a screenshot is what the window showed.
    std::vector<uint8_t> opaque = pixels_;
    for (std::size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width_);
    image.height = static_cast<png_uint_32>(height_);
    image.format = PNG_FORMAT_RGBA;
    // A negative stride writes the bottom-up rows top row first.
    const int stride = -width_ * 4;
    const int written = png_image_write_to_file(&image, fileName.c_str(), 0, opaque.data(), stride, nullptr);
    png_image_free(&image);
    return written != 0;
}
