// The compiler from code tree to bytecode: variable resolution, instruction selection, jumps, the
// expression-stack depth estimate and the line table. Finished functions go to a gmCompileHooks.
#pragma once

#include "script/gmCodeTree.h"
#include "script/gmCompileHooks.h"
#include "script/gmCompileLog.h"

struct gmCompileOptions {
    // Emit `line` instructions before statements whose line differs from the previous one, and keep
    // the names below.
    bool debug = false;
    // Keep debug names ("__main" for the root, the assigned name for functions: `Main`,
    // `Ship.update`) and local names, which run-time errors report. They cost no code.
    bool names = false;
    // Store every code word byte-swapped, for a target of the other byte order.
    bool byteSwap = false;
};

// Compiles the program whose statement list is [tree]'s root into a root function (no parameters)
// and one nested function per function constructor. On success every function is handed to
// [hooks] (nested ones first, the root last) and 0 is returned. The first error is logged as
// "error (line) message" and ends the compilation; then nothing is handed over and 1 is returned.
// The hooks' collection is switched off for the whole call.
int gmCompile(const gmCodeTree& tree, gmCompileHooks& hooks, gmCompileLog& log,
              const gmCompileOptions& options = {});

// Parses [text] (see gmParse) and compiles it; returns the error count. A text that fails to parse
// compiles nothing.
int gmCompileText(const char* text, gmCompileHooks& hooks, gmCompileLog& log,
                  const gmCompileOptions& options = {});
