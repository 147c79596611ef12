// The loader of compiled script libraries: reads a "gml0" file (layout: gmLibraryWriter.h), checks
// every offset, count and operand against the file and verifies every function's code, and rebuilds
// the compiler's function records, so the machine materialises loaded functions through exactly
// the path it uses for compiled source.
#pragma once

#include "script/gmByteStream.h"
#include "script/gmCompileHooks.h"
#include "script/gmCompileLog.h"

#include <string>
#include <vector>

// The message of every rejected file.
constexpr const char* kErrorLoadingLibrary = "Error loading library";

// A library as read from a file.
struct gmLibrary {
    // functions[i] has id i. Constant tables are rebuilt in order of first use in the code, each
    // (kind, text or id) once, as the compiler builds them; line tables, debug and local names are
    // filled only when the file has debug information.
    std::vector<gmCompiledFunction> functions;
    int rootId = -1;  // -1 when no record is flagged as root
    bool hasDebugInfo = false;
    std::string sourceText;  // the source section's text, when present
    // Function ids in an order in which every function comes after each function it refers to,
    // the root last when nothing refers to it.
    std::vector<int> handOverOrder;
};

class gmLibraryLoader {
  public:
    explicit gmLibraryLoader(gmCompileLog& log) : log_(log) {}

    // Reads and verifies the whole of [in] into [library]. On any fault (short data, a wrong magic
    // or tag, an offset or count outside the file, a bad string offset or function id, two roots,
    // a function that refers to itself through others, code the verifier refuses) logs
    // "Error loading library", leaves [library] empty and returns false. getError() then holds the
    // detail for tools and tests; it is not logged.
    bool read(gmByteStream& in, gmLibrary& library);

    // Reads [in] like read() and hands every function to [hooks] with collection switched off
    // (restored at the end): ids from hooks.allocFunctionId() replace the file's ids (in records and
    // Function constants), and functions come in the order of gmLibrary::handOverOrder, so the
    // hooks' contract for compiled functions holds. [rootId] receives the root's new id, -1 when the
    // library has no root (it loads, with nothing to run). Returns false, handing over nothing, when
    // the file is rejected.
    bool load(gmByteStream& in, gmCompileHooks& hooks, int& rootId);

    const std::string& getError() const { return error_; }

  private:
    bool fail(std::string detail);
    bool readFile(gmByteStream& in, gmLibrary& library);
    bool readStringTable(gmByteStream& in, uint32_t offset);
    bool readSourceSection(gmByteStream& in, uint32_t offset, gmLibrary& library);
    bool readRecord(gmByteStream& in, int numFunctions, bool hasDebugInfo, gmLibrary& library);
    bool readCode(gmByteStream& in, uint32_t codeBytes, int numFunctions, gmCompiledFunction& function);
    bool readDebugInfo(gmByteStream& in, gmCompiledFunction& function);
    bool getString(uint32_t offset, std::string& text) const;
    bool orderFunctions(gmLibrary& library);

    gmCompileLog& log_;
    std::string error_;
    std::vector<char> strings_;  // the string table's bytes; ends with a NUL when not empty
};
