// Makes native processes by name; registered in the process industry.
#pragma once

#include <string>

class GameSystem;
class Process;

class ProcessFactory {
  public:
    virtual ~ProcessFactory() = default;
    virtual Process* create(const std::string& name, GameSystem* gameSystem) = 0;
};

// A factory for a process class constructed from (name, game system).
template <typename ProcessType>
class NativeProcessFactory final : public ProcessFactory {
  public:
    Process* create(const std::string& name, GameSystem* gameSystem) override {
        return new ProcessType(name, gameSystem);
    }
};
