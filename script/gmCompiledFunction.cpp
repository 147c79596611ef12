// Queries on compiled function records.
#include "script/gmCompiledFunction.h"

#include "script/gmCompileHooks.h"

int gmCompiledFunction::getLineAt(uint32_t codeOffset) const {
    if (lineTable.empty()) {
        return 0;
    }
    int line = lineTable.front().line;
    for (const gmLineEntry& entry : lineTable) {
        if (entry.codeOffset > codeOffset) {
            break;
        }
        line = entry.line;
    }
    return line;
}

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
