#include "script/gmErrorLog.h"

#include <cstring>

void gmErrorLog::addEntry(const char* text) {
    if (byteLimit_ != 0 && arena_.getBytesUsed() > byteLimit_)
        clear();
    // Entries are cut at the same 2048 bytes as formatted ones, whoever formatted them.
    constexpr std::size_t kMaxEntryBytes = 2048;
    std::size_t length = std::strlen(text);
    if (length > kMaxEntryBytes - 1)
        length = kMaxEntryBytes - 1;
    char* copy = static_cast<char*>(arena_.allocate(length + 1, 1));
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    entries_.push_back(copy);
    if (listener_ != nullptr)
        listener_(listenerData_, copy);
}

void gmErrorLog::clear() {
    entries_.clear();
    arena_.reset();
}
