// The bounded run shared by the fuzz targets: a machine with the standard library (it touches no
// files and sleeps only in machine time) whose scripts cannot run, allocate or log without bound.
#pragma once

#include "script/gmScriptMachine.h"

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

class FuzzMachine {
  public:
    // Steps (jumps and calls) all threads may take together: enough for every golden script,
    // small enough that an infinite loop costs a few milliseconds.
    static constexpr int64_t kMaxSteps = 20000;
    // Script memory past which every thread stops at its next step. Concatenations are capped at
    // kMaxStringLength, so straight-line code (inputs are at most 4 KiB) cannot jump far past it.
    static constexpr int32_t kMaxMemoryBytes = 32 << 20;
    // Every concatenation interns (hashes) its whole result, so this bounds the cost of a step too:
    // with 64 KiB, and still with 8 KiB, concatenation loops took most of the fuzzers' time.
    static constexpr int32_t kMaxStringLength = 1 << 10;
    // Live threads past which every thread stops at its next step. Thread stacks count in the memory
    // figure, but a library whose functions declare thousands of locals, started in thousands of
    // threads, should stop long before its stacks reach the memory bound (a stack stays under
    // 512 KiB).
    static constexpr int32_t kMaxThreads = 256;
    // Simulated 16 ms ticks: threads that sleep, block or yield longer are simply abandoned.
    static constexpr int kMaxTicks = 200;
    // Output kept for comparisons; the rest is only counted.
    static constexpr size_t kMaxOutputLines = 256;

    FuzzMachine() {
        machine_.setPrintSink(&FuzzMachine::capture, this);
        machine_.setStepHook(&FuzzMachine::onStep, this, 1);
        machine_.setMaxStringLength(kMaxStringLength);
        machine_.getErrorLog().setByteLimit(64 << 10);
    }

    gmScriptMachine& getMachine() { return machine_; }

    // Executes ticks until no thread runs or sleeps, or the tick limit.
    void runThreads() {
        for (int tick = 0; tick < kMaxTicks && machine_.hasRunningOrSleepingThreads(); ++tick) {
            machine_.Execute(16);
        }
    }

    // The output lines with object addresses (which differ between machines) blanked.
    const std::vector<std::string>& getOutput() const { return output_; }
    size_t getOutputCount() const { return outputCount_; }
    int64_t getSteps() const { return steps_; }
    // Threads were stopped for memory (or for their number): the point can depend on exact byte counts.
    bool wasStoppedForMemory() const { return memoryStopped_; }

  private:
    static bool onStep(gmScriptMachine& machine, void* userData) {
        FuzzMachine& self = *static_cast<FuzzMachine*>(userData);
        if (machine.getMemoryUsage() > kMaxMemoryBytes || machine.getThreadCount() > kMaxThreads) {
            self.memoryStopped_ = true;
            return false;
        }
        return ++self.steps_ <= kMaxSteps;
    }

    static void capture(void* userData, const char* line) {
        FuzzMachine& self = *static_cast<FuzzMachine*>(userData);
        ++self.outputCount_;
        if (self.output_.size() >= kMaxOutputLines) {
            return;
        }
        std::string text(line);
        for (size_t at = text.find(":0x"); at != std::string::npos; at = text.find(":0x", at + 3)) {
            size_t end = at + 3;
            while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end]))) {
                ++end;
            }
            text.erase(at + 3, end - (at + 3));
        }
        self.output_.push_back(std::move(text));
    }

    gmScriptMachine machine_;
    int64_t steps_ = 0;
    bool memoryStopped_ = false;
    std::vector<std::string> output_;
    size_t outputCount_ = 0;
};
