// Fuzz target: source text compiled, written as a library and loaded again must give back the
// compiled records exactly. The first input byte chooses whether line tables are written. With
// line tables the loaded functions are the compiled ones to the byte, so the script run from its
// source and from the library (each within the bounds of FuzzRun.h) must print the same lines.
#include "FuzzRun.h"
#include "FuzzSupport.h"

#include "script/gmCodeGen.h"
#include "script/gmDisassembler.h"
#include "script/gmLibraryLoader.h"
#include "script/gmLibraryWriter.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    gmLibraryOptions options;
    options.lineTables = (data[0] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    // Compiled as the writer compiles: the functions' names go with the line tables.
    gmFunctionCollector compiled;
    gmStringListLog log;
    gmCompileOptions compileOptions;
    compileOptions.names = options.lineTables;
    if (gmCompileText(text.c_str(), compiled, log, compileOptions) != 0) {
        return 0;
    }
    gmByteStream stream;
    fuzzCheck(compileToLibrary(text.c_str(), stream, log, options) == 0, "the writer's compilation failed");
    gmLibrary library;
    fuzzCheck(gmLibraryLoader(log).read(stream, library), "the writer's output was refused");

    const std::vector<gmCompiledFunction>& originals = compiled.getFunctions();
    fuzzCheck(library.functions.size() == originals.size(), "the function count changed");
    for (const gmCompiledFunction& original : originals) {
        fuzzCheck(
            sameRecord(original, library.functions[static_cast<size_t>(original.id)], options.lineTables),
            "a loaded function differs from the compiled one");
    }
    const int rootId = compiled.getRoot()->id;
    fuzzCheck(library.rootId == rootId, "the root changed");
    fuzzCheck(gmDisassembleAll(library.functions, rootId) == gmDisassembleAll(originals, rootId),
              "the listings differ");

    FuzzMachine fromSource;
    fuzzCheck(fromSource.getMachine().runText(text.c_str()) == 0,
              "the machine did not compile what compiled");
    fromSource.runThreads();
    FuzzMachine fromLibrary;
    gmByteStream file(stream.getBytes());
    fuzzCheck(fromLibrary.getMachine().runLibrary(file), "the machine refused the writer's output");
    fromLibrary.runThreads();
    // Without line tables the functions are smaller, and a script that looks at its memory use (or
    // is stopped for it) may take another path.
    if (options.lineTables && !fromSource.wasStoppedForMemory() && !fromLibrary.wasStoppedForMemory()) {
        fuzzCheck(fromSource.getSteps() == fromLibrary.getSteps(), "the runs took different steps");
        fuzzCheck(fromSource.getOutputCount() == fromLibrary.getOutputCount() &&
                      fromSource.getOutput() == fromLibrary.getOutput(),
                  "the runs printed different lines");
    }
    return 0;
}
