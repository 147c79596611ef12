#include "script/gmMachineCompileHooks.h"

void gmMachineCompileHooks::addFunction(gmCompiledFunction&& function) {
    gmFunction* made = makeFunction(
        machine_, function,
        [this](int id) -> gmFunction* {
            auto found = functions_.find(id);
            return found != functions_.end() ? found->second : nullptr;
        },
        sourceName_);
    functions_[function.id] = made;
    if (function.isRoot)
        root_ = made;
}

bool gmMachineCompileHooks::setCollectionEnabled(bool enabled) {
    const bool previous = machine_.isCollectionEnabled();
    machine_.setCollectionEnabled(enabled);
    return previous;
}
