// Formatting of log entries.
#include "script/gmCompileLog.h"

#include <cstdarg>
#include <cstdio>

namespace {

// Entries longer than this are cut; the machine's log uses the same limit.
constexpr size_t kMaxEntryBytes = 2048;

}  // namespace

void gmCompileLog::logf(const char* format, ...) {
    char buffer[kMaxEntryBytes];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof(buffer), format, arguments);
    va_end(arguments);
    addEntry(buffer);
}

void gmCompileLog::warnf(const char* format, ...) {
    char buffer[kMaxEntryBytes];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof(buffer), format, arguments);
    va_end(arguments);
    addWarning(buffer);
}

std::string gmCompileErrorWithFile(const std::string& entry, const std::string& fileName) {
    constexpr const char* kPrefix = "error (";
    const std::size_t prefixLength = std::char_traits<char>::length(kPrefix);
    if (fileName.empty() || entry.rfind(kPrefix, 0) != 0)
        return entry;
    const std::size_t close = entry.find(") ", prefixLength);
    if (close == std::string::npos || close == prefixLength ||
        entry.find_first_not_of("0123456789", prefixLength) != close)
        return entry;
    return fileName + ":" + entry.substr(prefixLength, close - prefixLength) + ": " + entry.substr(close + 2);
}
