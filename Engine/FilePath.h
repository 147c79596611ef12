// Every engine file is opened through a path relative to the working directory ("./%s").
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The path for [fileName], or nothing when it would not fit in a buffer of [bufferSize] bytes
// (terminator included); callers treat that as a failed open.
std::optional<std::string> makeFilePath(const std::string& fileName, std::size_t bufferSize);
