// A growable byte buffer with one read/write position: the medium compiled libraries are written to
// and read from. Words are 32-bit little-endian; reads are bounded and report short reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class gmByteStream {
  public:
    gmByteStream() = default;
    explicit gmByteStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    gmByteStream(const void* data, size_t size);

    // Writes [size] bytes at the position, overwriting what is there and growing the buffer past
    // its end; the position moves past them.
    void write(const void* data, size_t size);
    // Writes [word] little-endian (byte-swapped when setByteSwap(true) was called).
    void writeWord(uint32_t word);

    // Copies up to [size] bytes from the position into [data] and returns how many were copied:
    // fewer than asked only at the end of the buffer.
    size_t read(void* data, size_t size);
    // Reads one little-endian word; false (and [word] unchanged, the position at the end) when fewer
    // than four bytes are left.
    bool readWord(uint32_t& word);

    // Moves the position to [position]; false (position unchanged) when it lies past the end.
    bool seek(size_t position);
    size_t tell() const { return position_; }
    size_t getSize() const { return bytes_.size(); }
    // Bytes between the position and the end.
    size_t getRemaining() const { return bytes_.size() - position_; }

    // For a target of the other byte order: writeWord stores every word byte-swapped. Reading is
    // never swapped, since the machine always reads little-endian files.
    void setByteSwap(bool swap) { byteSwap_ = swap; }

    const std::vector<uint8_t>& getBytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;  // invariant: position_ <= bytes_.size()
    bool byteSwap_ = false;
};
