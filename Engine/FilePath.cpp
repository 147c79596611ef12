#include "Engine/FilePath.h"

std::optional<std::string> makeFilePath(const std::string& fileName, std::size_t bufferSize) {
    std::string path = "./" + fileName;
    if (path.size() + 1 > bufferSize)
        return std::nullopt;
    return path;
}
