#include "script/gmErrorLog.h"

#include <cstring>

const char* gmErrorLog::store(const char* text) {
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
    return copy;
}

void gmErrorLog::addEntry(const char* text) {
    const char* entry = store(text);
    if (listener_ != nullptr)
        listener_(listenerData_, entry);
}

void gmErrorLog::addWarning(const char* text) {
    const char* entry = store(text);
    if (warningListener_ != nullptr)
        warningListener_(warningListenerData_, entry);
    else if (listener_ != nullptr)
        listener_(listenerData_, entry);
}

void gmErrorLog::clear() {
    entries_.clear();
    arena_.reset();
}
