// Fuzz target: source text through the scanner, parser and compiler. Whatever compiles must pass
// the load-time verifier, which is what a file written from it would meet, and then runs in a
// machine within the bounds of FuzzRun.h.
#include "FuzzRun.h"
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

    FuzzMachine run;
    fuzzCheck(run.getMachine().runText(text.c_str()) == 0, "the machine did not compile what compiled");
    run.runThreads();
    return 0;
}
