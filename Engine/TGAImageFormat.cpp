#include "Engine/TGAImageFormat.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kHeaderBytes = 18;
// Image types: 1 colour-mapped, 2 true colour, 3 grey; 8 more for their run-length forms.
constexpr int kColourMapped = 1;
constexpr int kRunLength = 8;
// Descriptor bits 4 and 5: pixels run right to left, rows run top to bottom.
constexpr int kRightToLeft = 0x10;
constexpr int kTopToBottom = 0x20;

uint16_t readU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// One pixel (or colour-map entry) of [bytes] bytes, stored B, G, R[, A] or grey, as RGBA.
void expandPixel(const uint8_t* in, std::size_t bytes, uint8_t* out) {
    if (bytes == 1) {
        out[0] = out[1] = out[2] = in[0];
        out[3] = 255;
        return;
    }
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    out[3] = bytes == 4 ? in[3] : 255;
}

}  // namespace

bool TGAImageFormat::load(const std::string& path) {
    image_.clear();
    std::vector<uint8_t> bytes;
    if (!readImageFile(path, bytes))
        return false;
    return loadFromMemory(bytes.data(), bytes.size());
}

bool TGAImageFormat::loadFromMemory(const uint8_t* data, std::size_t size) {
    image_.clear();
    if (data == nullptr || size < kHeaderBytes)
        return false;
    const std::size_t idLength = data[0];
    const int mapType = data[1];
    const int imageType = data[2];
    const int mapFirst = readU16(data + 3);
    const int mapLength = readU16(data + 5);
    const int mapEntryBits = data[7];
    const int width = readU16(data + 12);
    const int height = readU16(data + 14);
    const int depth = data[16];
    const int descriptor = data[17];

    const int baseType = imageType & ~kRunLength;
    if (mapType != 0 && mapType != 1)
        return false;
    if (baseType < 1 || baseType > 3 || (imageType & ~(kRunLength | 3)) != 0)
        return false;
    if (depth != 8 && depth != 24 && depth != 32)
        return false;
    if (!isImageSideAllowed(width) || !isImageSideAllowed(height))
        return false;
    const bool indexed = baseType == kColourMapped;
    // Indexes need a map to look up, and a map is only looked up by 8-bit indexes.
    if (indexed && (mapType != 1 || depth != 8))
        return false;

    uint64_t offset = kHeaderBytes + idLength;
    const uint8_t* map = nullptr;
    std::size_t mapEntryBytes = 0;
    if (mapType == 1) {
        if ((mapEntryBits != 24 && mapEntryBits != 32) || mapLength < 1 || mapLength > 256)
            return false;
        mapEntryBytes = static_cast<std::size_t>(mapEntryBits) / 8;
        const uint64_t mapBytes = mapEntryBytes * static_cast<uint64_t>(mapLength);
        if (offset + mapBytes > size)
            return false;
        map = data + offset;
        offset += mapBytes;
    }

    const std::size_t pixelBytes = static_cast<std::size_t>(depth) / 8;
    const uint64_t pixelCount = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    const uint64_t imageBytes = pixelCount * pixelBytes;
    const uint64_t available = offset <= size ? size - offset : 0;
    const bool runLength = (imageType & kRunLength) != 0;
    // Checked before allocating: a packet of one header byte and one pixel covers at most 128
    // pixels, so a file too short for that cannot hold the image.
    const uint64_t minimum = runLength ? (pixelCount + 127) / 128 * (1 + pixelBytes) : imageBytes;
    if (minimum > available)
        return false;

    // The pixels as stored, in file order.
    std::vector<uint8_t> raw(static_cast<std::size_t>(imageBytes));
    const uint8_t* in = data + offset;
    const uint8_t* end = data + size;
    if (!runLength) {
        std::memcpy(raw.data(), in, raw.size());
    } else {
        std::size_t done = 0;
        while (done < raw.size()) {
            if (in >= end)
                return false;
            const uint8_t packet = *in++;
            // Clamped: a run may not write past the last pixel.
            const std::size_t count =
                std::min<std::size_t>((packet & 0x7f) + 1u, (raw.size() - done) / pixelBytes);
            if (packet & 0x80) {
                if (static_cast<std::size_t>(end - in) < pixelBytes)
                    return false;
                for (std::size_t i = 0; i < count; ++i, done += pixelBytes)
                    std::memcpy(&raw[done], in, pixelBytes);
                in += pixelBytes;
            } else {
                const std::size_t bytes = count * pixelBytes;
                if (static_cast<std::size_t>(end - in) < bytes)
                    return false;
                std::memcpy(&raw[done], in, bytes);
                in += bytes;
                done += bytes;
            }
        }
    }

    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    const bool rightToLeft = (descriptor & kRightToLeft) != 0;
    const bool topToBottom = (descriptor & kTopToBottom) != 0;
    std::vector<uint8_t> pixels(w * h * 4);
    for (std::size_t row = 0; row < h; ++row) {
        const std::size_t pictureRow = topToBottom ? row : h - 1 - row;
        for (std::size_t column = 0; column < w; ++column) {
            const std::size_t pictureColumn = rightToLeft ? w - 1 - column : column;
            const uint8_t* pixel = &raw[(row * w + column) * pixelBytes];
            uint8_t* out = &pixels[(pictureRow * w + pictureColumn) * 4];
            if (indexed) {
                const int entry = static_cast<int>(pixel[0]) - mapFirst;
                if (entry < 0 || entry >= mapLength)
                    return false;
                expandPixel(map + static_cast<std::size_t>(entry) * mapEntryBytes, mapEntryBytes, out);
            } else {
                expandPixel(pixel, pixelBytes, out);
            }
        }
    }
    image_.width = static_cast<uint32_t>(width);
    image_.height = static_cast<uint32_t>(height);
    image_.pixels = std::move(pixels);
    return true;
}

Image TGAImageFormat::takeImage() {
    Image taken = std::move(image_);
    image_.clear();
    return taken;
}
