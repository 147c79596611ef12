#include "Engine/DebugLog.h"

#include <cstdio>

#include "Engine/FilePath.h"

namespace {
constexpr std::size_t kPathBufferSize = 256;
}

void appendToDebugLog(const std::string& message) {
    std::optional<std::string> path = makeFilePath("debug.log", kPathBufferSize);
    std::FILE* file = path ? std::fopen(path->c_str(), "a") : nullptr;
    if (file == nullptr) {
        std::fprintf(stderr, "couldn't write to log: %s\n", message.c_str());
        return;
    }
    std::fprintf(file, "%s\n", message.c_str());
    std::fclose(file);
}
