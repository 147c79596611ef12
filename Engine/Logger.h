// The engine's text output, kept in memory as lines; the console polls the change counter.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Logger {
  public:
    // Appends [text] split at line feeds, each line prefixed with [indent] units of four spaces.
    // An empty remainder (empty text, or text ending in a line feed) appends one unindented empty line.
    void logText(const std::string& text, int indent = 0);
    void reset();
    const std::vector<std::string>& getOutput() const { return lines_; }
    int32_t getChangeID() const { return changeID_; }
    // Logs "Writing output to <name>", then writes every line to ./<name>; false when it cannot open it.
    bool outputToFile(const std::string& fileName);
    // Hears every line as it is appended (empty: none); reset() does not take lines back from it.
    void setLineListener(std::function<void(const std::string&)> listener) {
        lineListener_ = std::move(listener);
    }

  private:
    std::vector<std::string> lines_;
    int32_t changeID_ = 0;
    std::function<void(const std::string&)> lineListener_;
};
