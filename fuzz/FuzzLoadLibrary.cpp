// Fuzz target: bytes through the library loader and its verifier. An accepted library must
// survive being written again by the writer and read back unchanged, and then runs in a machine
// within the bounds of FuzzRun.h.
#include "FuzzRun.h"
#include "FuzzSupport.h"

#include "script/gmLibraryLoader.h"
#include "script/gmLibraryWriter.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gmByteStream in(data, size);
    gmStringListLog log;
    gmLibrary library;
    if (!gmLibraryLoader(log).read(in, library)) {
        fuzzCheck(log.getEntries().size() == 1, "a refused library logged other than one entry");
        return 0;
    }
    fuzzCheck(log.getEntries().empty(), "an accepted library logged an error");

    gmLibraryOptions options;
    options.lineTables = library.hasDebugInfo;
    gmLibraryWriter writer(options);
    for (const gmCompiledFunction& function : library.functions) {
        writer.addFunction(gmCompiledFunction(function));
    }
    gmByteStream again;
    writer.finish(again);
    gmLibrary reread;
    fuzzCheck(gmLibraryLoader(log).read(again, reread), "a rewritten library was refused");
    fuzzCheck(reread.functions.size() == library.functions.size() && reread.rootId == library.rootId,
              "a rewritten library changed its functions");
    for (size_t i = 0; i < library.functions.size(); ++i) {
        fuzzCheck(sameRecord(library.functions[i], reread.functions[i], library.hasDebugInfo),
                  "a rewritten function changed");
    }

    FuzzMachine run;
    gmByteStream file(data, size);
    fuzzCheck(run.getMachine().runLibrary(file), "the machine refused an accepted library");
    fuzzCheck(run.getMachine().getErrorLog().getEntryCount() == 0 || library.rootId >= 0,
              "a library without a root logged an error");
    run.runThreads();
    return 0;
}
