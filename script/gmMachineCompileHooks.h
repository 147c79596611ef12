// The compile hooks of a script machine: every compiled function becomes a gmFunction.
#pragma once

#include <string>
#include <unordered_map>

#include "script/gmCompileHooks.h"
#include "script/gmFunction.h"

class gmScriptMachine;

// Name constants are interned as permanent strings, String constants as ordinary strings and
// Function constants become the gmFunction already made for that id (the compiler hands nested
// functions over first). The made functions are reachable only through the root function's
// constants: the caller must root the root function (push it on a thread's stack) before
// collection is enabled again and anything is allocated. The compiled-library loader builds its
// functions through makeFunction as well.
class gmMachineCompileHooks final : public gmCompileHooks {
  public:
    explicit gmMachineCompileHooks(gmScriptMachine& machine) : machine_(machine) {}

    int allocFunctionId() override { return nextId_++; }
    void addFunction(gmCompiledFunction&& function) override;
    bool setCollectionEnabled(bool enabled) override;

    // The file the functions come from, kept by each for error reports.
    void setSourceName(const char* name) { sourceName_ = name != nullptr ? name : ""; }
    // The root function of the last successful compilation, or null.
    gmFunction* getRoot() const { return root_; }
    // Builds the machine function of [compiled]; [findFunction] maps a Function constant's id to
    // an already made function (null when unknown: the constant becomes null).
    template <class Find>
    static gmFunction* makeFunction(gmScriptMachine& machine, const gmCompiledFunction& compiled,
                                    Find findFunction, const std::string& sourceName = {});

  private:
    gmScriptMachine& machine_;
    std::unordered_map<int, gmFunction*> functions_;
    gmFunction* root_ = nullptr;
    int nextId_ = 0;
    std::string sourceName_;
};

#include "script/gmScriptMachine.h"

template <class Find>
gmFunction* gmMachineCompileHooks::makeFunction(gmScriptMachine& machine, const gmCompiledFunction& compiled,
                                                Find findFunction, const std::string& sourceName) {
    gmCollectionPause pause(machine);
    gmFunctionContents contents;
    contents.code = compiled.code;
    contents.numParams = compiled.numParams;
    contents.numLocals = compiled.numLocals;
    contents.maxStackSize = compiled.maxStackDepth;
    contents.debugName = compiled.debugName;
    contents.localNames = compiled.localNames;
    contents.sourceName = sourceName;
    contents.lineInfo.reserve(compiled.lineTable.size());
    for (const gmLineEntry& entry : compiled.lineTable)
        contents.lineInfo.push_back({static_cast<int32_t>(entry.codeOffset), entry.line});
    contents.constants.reserve(compiled.constants.size());
    for (const gmCompiledConstant& constant : compiled.constants) {
        const int32_t length = static_cast<int32_t>(constant.text.size());
        switch (constant.kind) {
            case gmCompiledConstant::Kind::Name:
                contents.constants.push_back(
                    gmValue::makeString(machine.internPermanentString(constant.text.data(), length)));
                break;
            case gmCompiledConstant::Kind::String:
                contents.constants.push_back(
                    gmValue::makeString(machine.internString(constant.text.data(), length)));
                break;
            case gmCompiledConstant::Kind::Function: {
                gmFunction* nested = findFunction(constant.functionId);
                contents.constants.push_back(nested != nullptr ? gmValue::makeFunction(nested) : gmValue());
                break;
            }
        }
    }
    return machine.createFunction(contents);
}
