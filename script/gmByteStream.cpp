// The growable byte stream of compiled libraries.
#include "script/gmByteStream.h"

#include <algorithm>
#include <cstring>

gmByteStream::gmByteStream(const void* data, size_t size)
    : bytes_(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

void gmByteStream::write(const void* data, size_t size) {
    if (size == 0) {
        return;
    }
    if (bytes_.size() - position_ < size) {
        bytes_.resize(position_ + size);
    }
    std::memcpy(bytes_.data() + position_, data, size);
    position_ += size;
}

void gmByteStream::writeWord(uint32_t word) {
    uint8_t bytes[4] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                        static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)};
    if (byteSwap_) {
        std::reverse(bytes, bytes + 4);
    }
    write(bytes, sizeof(bytes));
}

size_t gmByteStream::read(void* data, size_t size) {
    const size_t count = std::min(size, getRemaining());
    if (count > 0) {
        std::memcpy(data, bytes_.data() + position_, count);
        position_ += count;
    }
    return count;
}

bool gmByteStream::readWord(uint32_t& word) {
    uint8_t bytes[4] = {};
    if (read(bytes, sizeof(bytes)) != sizeof(bytes)) {
        return false;
    }
    word = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

bool gmByteStream::seek(size_t position) {
    if (position > bytes_.size()) {
        return false;
    }
    position_ = position;
    return true;
}
