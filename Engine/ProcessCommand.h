// A deferred change of the process list, executed at the start of the next tick.
#pragma once

#include <string>

class GameSystem;

class ProcessCommand {
  public:
    enum class Kind { kStartNewList, kRun, kTerminate, kSetPause, kClearPause };

    ProcessCommand(Kind kind, std::string processName) : kind_(kind), processName_(std::move(processName)) {}

    Kind getKind() const { return kind_; }
    const std::string& getProcessName() const { return processName_; }
    void execute(GameSystem& gameSystem) const;

  private:
    Kind kind_;
    std::string processName_;
};
