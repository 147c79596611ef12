// The in-memory receiver of compiled functions.
#include "script/gmCompileHooks.h"

const gmCompiledFunction* gmFunctionCollector::findFunction(int id) const {
    for (const gmCompiledFunction& function : functions_) {
        if (function.id == id) {
            return &function;
        }
    }
    return nullptr;
}

const gmCompiledFunction* gmFunctionCollector::getRoot() const {
    for (const gmCompiledFunction& function : functions_) {
        if (function.isRoot) {
            return &function;
        }
    }
    return nullptr;
}
