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
