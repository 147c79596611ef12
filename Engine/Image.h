// The image readers' common result and the limits every reader applies to untrusted files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Width x height pixels, 4 bytes each (R, G, B, A), rows from the top of the picture down.
struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;

    bool isEmpty() const { return pixels.empty(); }
    void clear() {
        width = height = 0;
        pixels.clear();
    }
};

// The largest side any reader accepts: the largest texture a GL driver of ours takes, and a
// bound that keeps a forged header from asking for more than a gigabyte.
inline constexpr uint32_t kMaxImageSide = 16384;

inline bool isImageSideAllowed(int64_t side) {
    return side >= 1 && side <= static_cast<int64_t>(kMaxImageSide);
}

// Reads the whole file at [path] into [bytes]; false when it cannot be opened or read.
bool readImageFile(const std::string& path, std::vector<uint8_t>& bytes);
