// Fuzz target: bytes through the library loader and its verifier. An accepted library must
// survive being written again by the writer and read back unchanged.
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

    // Bounded run: once the machine exists, load the accepted library into it (gmLibraryLoader::load
    // with the machine's hooks) and run the root here with an instruction budget.
    return 0;
}
