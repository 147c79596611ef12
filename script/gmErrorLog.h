// The machine's error log: compile errors, run-time errors with their call stacks and the
// messages of native functions, kept as ordered text entries until the host clears them.
#pragma once

#include <cstdint>
#include <vector>

#include "script/gmChainArena.h"
#include "script/gmCompileLog.h"

// Entries are copied into a gmChainArena (each is formatted into a 2048-byte buffer first, so
// longer text is cut). With a byte limit set, adding an entry while the arena already holds more
// than the limit clears the whole log first: a script that logs in a loop cannot grow it without
// bound. An optional listener sees every entry as it is added (the command-line tool writes them
// to standard error at once, so they interleave with printed output in the order they happened).
// Warnings are entries like the others; a warning listener, when set, sees them instead of the
// listener, so a host can tell them from errors.
class gmErrorLog final : public gmCompileLog {
  public:
    using Listener = void (*)(void* userData, const char* entry);

    void addEntry(const char* text) override;
    void addWarning(const char* text) override;

    int32_t getEntryCount() const { return static_cast<int32_t>(entries_.size()); }
    // Entries in the order they were added; valid until clear().
    const char* getEntry(int32_t index) const { return entries_[static_cast<std::size_t>(index)]; }
    void clear();
    // Drops the entries from [count] on (a host that reports them under their own heading); the
    // earlier ones stay. Their text stays in the arena until the next clear.
    void truncate(int32_t count) {
        if (count <= 0)
            clear();
        else if (count < getEntryCount())
            entries_.resize(static_cast<std::size_t>(count));
    }

    // 0: no limit.
    void setByteLimit(std::size_t bytes) { byteLimit_ = bytes; }
    void setListener(Listener listener, void* userData) {
        listener_ = listener;
        listenerData_ = userData;
    }
    void setWarningListener(Listener listener, void* userData) {
        warningListener_ = listener;
        warningListenerData_ = userData;
    }

  private:
    gmChainArena arena_;
    std::vector<const char*> entries_;
    std::size_t byteLimit_ = 0;
    Listener listener_ = nullptr;
    void* listenerData_ = nullptr;
    Listener warningListener_ = nullptr;
    void* warningListenerData_ = nullptr;

    const char* store(const char* text);
};
