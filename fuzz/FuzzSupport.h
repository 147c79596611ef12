// Helpers shared by the fuzz targets: invariant checks that abort, so libFuzzer reports them.
#pragma once

#include "script/gmCompiledFunction.h"

#include <cstdio>
#include <cstdlib>

// Stops the run with [what] when [condition] is false. A broken invariant is a finding like a crash.
inline void fuzzCheck(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
        std::abort();
    }
}

// The records agree in everything the file carries (line tables only when [withLineTables]).
inline bool sameRecord(const gmCompiledFunction& a, const gmCompiledFunction& b, bool withLineTables) {
    return a.id == b.id && a.isRoot == b.isRoot && a.code == b.code && a.numParams == b.numParams &&
           a.numLocals == b.numLocals && a.maxStackDepth == b.maxStackDepth && a.constants == b.constants &&
           a.debugName == b.debugName && a.localNames == b.localNames &&
           (!withLineTables || a.lineTable == b.lineTable);
}
