// Where the scanner, parser and compiler write their messages. The machine's error log implements
// this; gmStringListLog keeps the entries for tests and tools.
#pragma once

#include <string>
#include <vector>

class gmCompileLog {
  public:
    virtual ~gmCompileLog() = default;
    // Adds one entry. [text] is complete: the caller has formatted it already.
    virtual void addEntry(const char* text) = 0;
    // Adds one entry that reports something doubtful but does not fail the compile (a char
    // constant that lost characters). Kept with the other entries, in order.
    virtual void addWarning(const char* text) { addEntry(text); }

    // Formats like printf into a 2048-byte buffer (longer text is cut) and adds the result.
    void logf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // As logf, through addWarning.
    void warnf(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

// A compile error entry "error (LINE) message" as "FILE:LINE: message", the form editors read;
// any other entry, or an empty [fileName], comes back as it is.
std::string gmCompileErrorWithFile(const std::string& entry, const std::string& fileName);

class gmStringListLog final : public gmCompileLog {
  public:
    void addEntry(const char* text) override { entries_.emplace_back(text); }
    const std::vector<std::string>& getEntries() const { return entries_; }
    void clear() { entries_.clear(); }

  private:
    std::vector<std::string> entries_;
};
