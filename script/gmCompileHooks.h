// The seam between the compiler and whatever receives its functions. The script machine implements
// it to build function objects; the library writer implements it to write compiled files;
// gmFunctionCollector keeps the records in memory for tests and the disassembler.
#pragma once

#include "script/gmCompiledFunction.h"

#include <vector>

class gmCompileHooks {
  public:
    virtual ~gmCompileHooks() = default;

    // Returns the id of a function whose compilation begins now. Nested functions take their id
    // when their constructor is reached, the root function after its body is complete, so ids rise
    // in that order. Ids of a failed compilation are simply never used.
    virtual int allocFunctionId() = 0;

    // Receives one finished function. Called only when the whole compilation succeeded, once per
    // function, in the order in which their compilation finished: nested functions before the
    // functions containing them, the root last. Every Function constant of [function] names a
    // function handed over before it.
    virtual void addFunction(gmCompiledFunction&& function) = 0;

    // Switches the host's garbage collection on or off and returns the previous setting. The
    // compiler switches it off for the whole compilation (so the host may intern names and strings
    // in addFunction without a collection running) and restores the previous setting at the end.
    virtual bool setCollectionEnabled(bool enabled) { return enabled; }
};

// Keeps every handed-over function; ids count from 0.
class gmFunctionCollector final : public gmCompileHooks {
  public:
    int allocFunctionId() override { return nextId_++; }
    void addFunction(gmCompiledFunction&& function) override { functions_.push_back(std::move(function)); }
    bool setCollectionEnabled(bool enabled) override {
        bool previous = collectionEnabled_;
        collectionEnabled_ = enabled;
        return previous;
    }

    const std::vector<gmCompiledFunction>& getFunctions() const { return functions_; }
    // The function with [id], or null.
    const gmCompiledFunction* findFunction(int id) const;
    // The root function, or null when none was handed over.
    const gmCompiledFunction* getRoot() const;
    bool isCollectionEnabled() const { return collectionEnabled_; }

  private:
    std::vector<gmCompiledFunction> functions_;
    int nextId_ = 0;
    bool collectionEnabled_ = true;
};
