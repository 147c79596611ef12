// Fuzz target: source text through the scanner, parser and compiler. Whatever compiles must pass
// the load-time verifier, which is what a file written from it would meet.
#include "FuzzSupport.h"

#include "script/gmBytecodeVerifier.h"
#include "script/gmCodeGen.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // cut at the first NUL, as a C string
    gmFunctionCollector functions;
    gmStringListLog log;
    if (gmCompileText(text.c_str(), functions, log) != 0) {
        fuzzCheck(functions.getFunctions().empty(), "a failed compilation handed functions over");
        return 0;
    }
    const int count = static_cast<int>(functions.getFunctions().size());
    gmBytecodeVerifier verifier;
    for (const gmCompiledFunction& function : functions.getFunctions()) {
        fuzzCheck(verifier.verify(function, count), "compiled code fails the verifier");
    }

    // Bounded run: once the machine exists, run the root here with an instruction budget (so that
    // infinite loops end) and its output and error log going to sinks that are discarded.
    return 0;
}
