#include "Engine/PNGImageFormat.h"

#include <utility>
#include <vector>

#include <png.h>

namespace {

// Deflate cannot expand data by more than about 1032 to 1, so a file whose pixel data would need
// a higher ratio is damaged or forged; checking it first keeps a small file from making us
// allocate a gigabyte for an image it cannot hold.
constexpr uint64_t kMaxDeflateRatio = 1032;

}  // namespace

bool PNGImageFormat::load(const std::string& path) {
    image_.clear();
    std::vector<uint8_t> bytes;
    if (!readImageFile(path, bytes))
        return false;
    return loadFromMemory(bytes.data(), bytes.size());
}

bool PNGImageFormat::loadFromMemory(const uint8_t* data, std::size_t size) {
    image_.clear();
    if (data == nullptr || size == 0)
        return false;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) {
        png_image_free(&png);
        return false;
    }
    if (!isImageSideAllowed(png.width) || !isImageSideAllowed(png.height)) {
        png_image_free(&png);
        return false;
    }
    // The smallest stored row: one filter byte and the pixels at one bit each.
    const uint64_t storedRowBytes = 1 + (static_cast<uint64_t>(png.width) + 7) / 8;
    if (storedRowBytes * png.height > static_cast<uint64_t>(size) * kMaxDeflateRatio) {
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
    // Rows top first; a row stride of 0 means packed rows.
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    png_image_free(&png);
    image_.width = png.width;
    image_.height = png.height;
    image_.pixels = std::move(pixels);
    return true;
}

Image PNGImageFormat::takeImage() {
    Image taken = std::move(image_);
    image_.clear();
    return taken;
}
