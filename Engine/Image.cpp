#include "Engine/Image.h"

#include "Engine/GameFiles.h"

bool readImageFile(const std::string& path, std::vector<uint8_t>& bytes) {
    return readGameFile(path, bytes) == GameFiles::Read::kRead;
}
