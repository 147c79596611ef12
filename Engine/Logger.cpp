#include "Engine/Logger.h"

#include <cstdio>

#include "Engine/FilePath.h"

namespace {
constexpr const char* kIndentUnit = "    ";
constexpr std::size_t kOutputPathBufferSize = 768;

std::string indented(const std::string& line, int indent) {
    std::string result;
    for (int i = 0; i < indent; ++i) result += kIndentUnit;
    return result + line;
}
}  // namespace

void Logger::logText(const std::string& text, int indent) {
    const std::size_t first = lines_.size();
    std::size_t start = 0;
    for (std::size_t lineFeed = text.find('\n'); lineFeed != std::string::npos;
         lineFeed = text.find('\n', start)) {
        lines_.push_back(indented(text.substr(start, lineFeed - start), indent));
        start = lineFeed + 1;
    }
    if (start == text.size()) {
        lines_.emplace_back();
    } else {
        lines_.push_back(indented(text.substr(start), indent));
    }
    if (lineListener_) {
        for (std::size_t i = first; i < lines_.size(); ++i) lineListener_(lines_[i]);
    }
    changeID_ = static_cast<int32_t>(static_cast<uint32_t>(changeID_) + 1u);
}

void Logger::reset() {
    lines_.clear();
    changeID_ = static_cast<int32_t>(static_cast<uint32_t>(changeID_) + 1u);
}

bool Logger::outputToFile(const std::string& fileName) {
    logText("Writing output to " + fileName, 0);
    std::optional<std::string> path = makeFilePath(fileName, kOutputPathBufferSize);
    std::FILE* file = path ? std::fopen(path->c_str(), "w") : nullptr;
    bool written = file != nullptr;
    if (file != nullptr) {
        for (const std::string& line : lines_) {
            std::fwrite(line.data(), 1, line.size(), file);
            std::fputc('\n', file);
        }
        written = std::ferror(file) == 0;
        written = std::fclose(file) == 0 && written;
    }
    // The line above already promised the file: say so when it did not come about.
    if (!written)
        logText("Could not write output to " + fileName, 0);
    return written;
}
