// The central directory of a zip archive, read and checked before anything in it is trusted:
// every name is a plain relative path, every entry lies inside the archive, and the sizes and
// checksums it declares are what each read is held to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

struct ZipEntry {
    uint32_t crc = 0;
    uint32_t size = 0;  // uncompressed bytes
    uint32_t packedBytes = 0;
};

class ZipDirectory {
  public:
    // The largest file an archive may hold (uncompressed): a game's sound or picture is far
    // smaller, and a forged size must not make the reader allocate more.
    static constexpr uint32_t kMaxEntryBytes = 512u << 20;

    // Reads [length] bytes at [offset] into [out]; false when the archive cannot give them.
    using ReadAt = std::function<bool(uint64_t offset, std::size_t length, uint8_t* out)>;

    // Reads the directory of the archive of [archiveBytes] bytes; false with [error] saying why
    // ("not a zip archive", "truncated or damaged: ...", "the name \"../x\" is not a plain
    // relative path"...).
    bool read(const ReadAt& readAt, uint64_t archiveBytes, std::string& error);

    // The file [name] (folders are not entries), or null.
    const ZipEntry* find(const std::string& name) const;
    const std::map<std::string, ZipEntry>& getFiles() const { return files_; }

    // Whether [name] is a plain relative path: '/'-separated, no empty, "." or ".." part, no
    // backslash, colon or control character. A folder's name may end with one '/'.
    static bool isPlainName(const std::string& name);

  private:
    std::map<std::string, ZipEntry> files_;
};
