// tact-script: runs a script file with the standard library, or lists its instructions.
//   tact-script run FILE.gm      print output to standard output, error-log entries to standard error;
//                                exit status 1 after a compile or run-time error
//   tact-script disasm FILE.gm   the instruction listing of every function
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "script/gmCodeGen.h"
#include "script/gmDisassembler.h"
#include "script/gmScriptMachine.h"

namespace {

// Simulated time per Execute: one 60 Hz engine tick, rounded down to whole milliseconds.
constexpr uint32_t kTickMs = 16;

bool readFile(const char* path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "tact-script: cannot open \"%s\"\n", path);
        return false;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    text = contents.str();
    return true;
}

void printLine(void*, const char* line) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void logEntry(void* userData, const char* entry) {
    *static_cast<bool*>(userData) = true;
    std::fflush(stdout);
    std::fputs(entry, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

int run(const char* path) {
    std::string text;
    if (!readFile(path, text))
        return 1;
    gmScriptMachine machine;
    bool errorLogged = false;
    machine.setPrintSink(printLine, nullptr);
    machine.getErrorLog().setListener(logEntry, &errorLogged);
    if (machine.runText(text.c_str(), nullptr, true, path) != 0)
        return 1;
    while (machine.hasRunningOrSleepingThreads()) machine.Execute(kTickMs);
    return errorLogged ? 1 : 0;
}

int disassemble(const char* path) {
    std::string text;
    if (!readFile(path, text))
        return 1;
    gmFunctionCollector functions;
    gmStringListLog log;
    if (gmCompileText(text.c_str(), functions, log) != 0 || functions.getRoot() == nullptr) {
        for (const std::string& entry : log.getEntries()) std::fprintf(stderr, "%s\n", entry.c_str());
        return 1;
    }
    std::fputs(gmDisassembleAll(functions.getFunctions(), functions.getRoot()->id).c_str(), stdout);
    return 0;
}

int usage() {
    std::fputs("usage: tact-script run FILE.gm\n       tact-script disasm FILE.gm\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return usage();
    const std::string command = argv[1];
    if (command == "run")
        return run(argv[2]);
    if (command == "disasm")
        return disassemble(argv[2]);
    return usage();
}
