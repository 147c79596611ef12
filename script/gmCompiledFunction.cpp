// Queries on compiled function records.
#include "script/gmCompiledFunction.h"

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
