#include "Engine/Image.h"

#include <cstdio>

bool readImageFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    // Grown as it is read rather than sized from a seek: a pipe or a file that changes while it
    // is read cannot make the buffer disagree with what was read.
    uint8_t chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}
