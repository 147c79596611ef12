#include "script/gmFunction.h"

#include "script/gmGarbageCollector.h"
#include "script/gmScriptMachine.h"
#include "script/gmString.h"

void gmFunction::initScript(gmScriptMachine& machine, const gmFunctionContents& compiled) {
    gmCollectionPause pause(machine);
    // Exact-size copies: shrink to what the record holds so the block heap is charged no slack.
    decltype(code_)(compiled.code.begin(), compiled.code.end(), code_.get_allocator()).swap(code_);
    decltype(constants_)(compiled.constants.begin(), compiled.constants.end(), constants_.get_allocator())
        .swap(constants_);
    decltype(lineInfo_)(compiled.lineInfo.begin(), compiled.lineInfo.end(), lineInfo_.get_allocator())
        .swap(lineInfo_);
    std::vector<uint32_t>().swap(fastCode_);
    numParams_ = compiled.numParams;
    numLocals_ = compiled.numLocals;
    maxStackSize_ = compiled.maxStackSize;
    native_ = nullptr;
    nativeUserData_ = nullptr;
    debugName_ = compiled.debugName.empty()
                     ? nullptr
                     : machine.internString(compiled.debugName.data(),
                                            static_cast<int32_t>(compiled.debugName.size()));
    localNames_ = compiled.localNames;
    sourceName_ = compiled.sourceName;
    gmGarbageCollector& collector = machine.getCollector();
    if (!collector.isIdle() && collector.isMarked(this)) {
        for (const gmValue& constant : constants_) collector.markValue(constant);
        collector.markObject(debugName_);
    }
}

const std::string& gmFunction::getLocalName(int32_t slot) const {
    static const std::string kUnknown;
    return slot >= 0 && static_cast<std::size_t>(slot) < localNames_.size()
               ? localNames_[static_cast<std::size_t>(slot)]
               : kUnknown;
}

int32_t gmFunction::getLineFromOffset(int32_t codeOffset) const {
    if (lineInfo_.empty())
        return 0;
    int32_t line = lineInfo_.front().line;
    for (const gmLineInfo& entry : lineInfo_) {
        if (entry.codeOffset > codeOffset)
            break;
        line = entry.line;
    }
    return line;
}

void gmFunction::destroyObject(gmScriptMachine& machine) {
    // Give the blocks back now: the object's memory is recycled by its pool.
    decltype(code_)(code_.get_allocator()).swap(code_);
    decltype(constants_)(constants_.get_allocator()).swap(constants_);
    decltype(lineInfo_)(lineInfo_.get_allocator()).swap(lineInfo_);
    std::vector<uint32_t>().swap(fastCode_);
    machine.recycleObject(this);
}

bool gmFunction::traceReferences(gmScriptMachine&, gmGarbageCollector& collector, int32_t,
                                 int32_t& workDone) {
    int32_t work = 1;
    for (const gmValue& constant : constants_) {
        if (constant.isReference()) {
            collector.markObject(constant.getObject());
            ++work;
        }
    }
    if (debugName_ != nullptr) {
        collector.markObject(debugName_);
        ++work;
    }
    workDone += work;
    return true;
}
