#include "Engine/BMPImageFormat.h"

#include <utility>
#include <vector>

namespace {

// The file header (14 bytes) and the 40-byte information header; later header versions only add
// fields after these, and the pixel data offset says where the rows start.
constexpr std::size_t kHeaderBytes = 54;

uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t readU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

bool BMPImageFormat::load(const std::string& path) {
    image_.clear();
    bitsPerPixel_ = 0;
    std::vector<uint8_t> bytes;
    if (!readImageFile(path, bytes))
        return false;
    return loadFromMemory(bytes.data(), bytes.size());
}

bool BMPImageFormat::loadFromMemory(const uint8_t* data, std::size_t size) {
    image_.clear();
    bitsPerPixel_ = 0;
    if (data == nullptr || size < kHeaderBytes)
        return false;
    const uint32_t dataOffset = readU32(data + 10);
    const auto width = static_cast<int32_t>(readU32(data + 18));
    const auto signedHeight = static_cast<int32_t>(readU32(data + 22));
    const int bits = readU16(data + 28);
    if (bits != 24 && bits != 32)
        return false;
    // A negative height marks rows stored top-down instead of bottom-up.
    const bool topDown = signedHeight < 0;
    const int64_t height = topDown ? -static_cast<int64_t>(signedHeight) : signedHeight;
    if (!isImageSideAllowed(width) || !isImageSideAllowed(height))
        return false;

    const uint64_t bytesPerPixel = static_cast<uint64_t>(bits) / 8;
    const uint64_t pixelBytes = bytesPerPixel * static_cast<uint64_t>(width);
    // Rows are padded to a multiple of 4 bytes.
    const uint64_t rowBytes = (pixelBytes + 3) / 4 * 4;
    // The last row's padding may be missing; its pixels may not.
    const uint64_t needed =
        static_cast<uint64_t>(dataOffset) + rowBytes * static_cast<uint64_t>(height - 1) + pixelBytes;
    if (needed > size)
        return false;

    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    image_.width = static_cast<uint32_t>(width);
    image_.height = static_cast<uint32_t>(height);
    image_.pixels.resize(w * h * 4);
    for (std::size_t fileRow = 0; fileRow < h; ++fileRow) {
        const uint8_t* in = data + dataOffset + fileRow * rowBytes;
        const std::size_t pictureRow = topDown ? fileRow : h - 1 - fileRow;
        uint8_t* out = image_.pixels.data() + pictureRow * w * 4;
        for (std::size_t x = 0; x < w; ++x, in += bytesPerPixel, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = bits == 32 ? in[3] : 255;
        }
    }
    bitsPerPixel_ = bits;
    return true;
}

void BMPImageFormat::makeColourTransparent(uint8_t red, uint8_t green, uint8_t blue) {
    for (std::size_t i = 0; i + 3 < image_.pixels.size(); i += 4) {
        uint8_t* p = &image_.pixels[i];
        if (p[0] == red && p[1] == green && p[2] == blue)
            p[3] = 0;
    }
}

void BMPImageFormat::makeAlphaFromIntensity() {
    for (std::size_t i = 0; i + 3 < image_.pixels.size(); i += 4) {
        uint8_t* p = &image_.pixels[i];
        p[3] = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
    }
}

Image BMPImageFormat::takeImage() {
    Image taken = std::move(image_);
    image_.clear();
    bitsPerPixel_ = 0;
    return taken;
}
