// tact-script: runs a script file with the standard library, compiles it to a library, or lists its
// instructions. A file is a compiled library when its name ends in ".gmc" or it starts with "gml0".
//   tact-script run FILE             print output to standard output, error-log entries to standard
//                                    error; exit status 1 after a compile, load or run-time error
//                                    (warnings are written too but do not fail the run);
//                                    TACT_SCRIPT_FUSED=0 in the environment turns fused runs off
//   tact-script compile IN.gm OUT.gmc
//                                    writes the compiled library, with line tables so that run-time
//                                    errors keep their lines
//   tact-script build DIR [-o OUT]   compiles every .gm under DIR to .gmc beside it, or into OUT
//                                    with the game's other files (the same folders); every compile
//                                    error is reported as "FILE: error (LINE) ..."; exit status 1
//                                    when any script fails or a file cannot be written
//   tact-script pack DIR -o GAME.tact [--with-sources]
//                                    one archive with the compiled scripts and the other files
//                                    (sources only with --with-sources); compile errors as build,
//                                    and no archive then
//   tact-script pack DIR --deb [-o FILE.deb] [--with-sources]
//                                    a Debian package that installs the archive with a launcher
//   tact-script disasm FILE          the instruction listing of every function
//   tact-script disasm --fast FILE   the same listing from the fast code the machine builds when it
//                                    first enters each function, with the name of the fused
//                                    instruction before the first instruction of each fused run
//   tact-script check [--json] [DIR | FILE...]
//                                    checks every .gm of the game folder DIR (default: the current
//                                    folder), or the FILEs within the folder of the first, against
//                                    the engine's names; prints "FILE:LINE: error: message" (or
//                                    warning) per problem, or a JSON array with --json; exit status
//                                    1 when there is an error
//   tact-script lsp                  a language server for editors on standard input and output
// Every failure exits with status 1 and its message on standard error.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "script/gmCodeGen.h"
#include "script/gmDisassembler.h"
#include "script/gmLibraryLoader.h"
#include "script/gmLibraryWriter.h"
#include "script/gmScriptMachine.h"
#include "tools/GamePack.h"
#include "tools/LanguageServer.h"
#include "tools/ScriptCheck.h"

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

// What a run's error listener knows: whether anything was logged, and the file, which compile
// errors name ("FILE:LINE: message").
struct RunLog {
    bool errorLogged = false;
    const char* path = nullptr;
};

void logEntry(void* userData, const char* entry) {
    RunLog& log = *static_cast<RunLog*>(userData);
    log.errorLogged = true;
    std::fflush(stdout);
    std::fputs(gmCompileErrorWithFile(entry, log.path).c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// A warning goes to standard error too, but does not make the run fail.
void logWarning(void*, const char* entry) {
    std::fflush(stdout);
    std::fputs(entry, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

bool isLibrary(const std::string& path, const std::string& contents) {
    const std::string extension = ".gmc";
    const bool named = path.size() >= extension.size() &&
                       path.compare(path.size() - extension.size(), extension.size(), extension) == 0;
    return named || contents.rfind("gml0", 0) == 0;
}

int run(const char* path) {
    std::string text;
    if (!readFile(path, text))
        return 1;
    gmScriptMachine machine;
    // TACT_SCRIPT_FUSED=0 runs every instruction on its own, to compare with the fused runs.
    const char* fused = std::getenv("TACT_SCRIPT_FUSED");
    machine.setFusedRuns(fused == nullptr || std::strcmp(fused, "0") != 0);
    RunLog log;
    log.path = path;
    machine.setPrintSink(printLine, nullptr);
    machine.getErrorLog().setListener(logEntry, &log);
    machine.getErrorLog().setWarningListener(logWarning, nullptr);
    if (isLibrary(path, text)) {
        gmByteStream library(text.data(), text.size());
        if (!machine.runLibrary(library, nullptr, true, path))
            return 1;
    } else if (machine.runText(text.c_str(), nullptr, true, path) != 0) {
        return 1;
    }
    while (machine.hasRunningOrSleepingThreads()) machine.Execute(kTickMs);
    return log.errorLogged ? 1 : 0;
}

void printLog(const gmStringListLog& log, const char* path) {
    for (const std::string& entry : log.getEntries())
        std::fprintf(stderr, "%s\n", gmCompileErrorWithFile(entry, path).c_str());
}

int compile(const char* inPath, const char* outPath) {
    std::string text;
    if (!readFile(inPath, text))
        return 1;
    gmByteStream library;
    gmStringListLog log;
    gmLibraryOptions options;
    options.lineTables = true;
    const int errors = compileToLibrary(text.c_str(), library, log, options);
    printLog(log, inPath);  // after a successful compile, its warnings
    if (errors != 0)
        return 1;
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(library.getBytes().data()),
              static_cast<std::streamsize>(library.getSize()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "tact-script: cannot write \"%s\"\n", outPath);
        return 1;
    }
    return 0;
}

// Compiles [text] (the script at [name], as messages name it) into [outPath]. Every compile error
// and warning goes to standard error prefixed with [name]; false on any error.
bool compileNamed(const std::string& text, const std::string& name, const std::filesystem::path& outPath) {
    gmByteStream library;
    gmStringListLog log;
    gmLibraryOptions options;
    options.lineTables = true;
    const int errors = compileToLibrary(text.c_str(), library, log, options);
    for (const std::string& entry : log.getEntries())
        std::fprintf(stderr, "%s: %s\n", name.c_str(), entry.c_str());
    if (errors != 0)
        return false;
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(library.getBytes().data()),
              static_cast<std::streamsize>(library.getSize()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "tact-script: cannot write \"%s\"\n", outPath.c_str());
        return false;
    }
    return true;
}

bool hasExtension(const std::filesystem::path& path, const char* extension) {
    return path.extension() == extension;
}

// Every script of a game folder, compiled at once (not only the ones a run happened to load). Hidden
// files and folders (".git") are left out, and so is OUT when it lies inside DIR; symbolic links
// are not followed. With OUT, the other files are copied there, except a .gmc whose source is
// compiled anyway.
int build(const std::string& dir, const std::string& outDir) {
    namespace fs = std::filesystem;
    std::error_code code;
    const fs::path root = fs::weakly_canonical(dir, code);
    if (code || !fs::is_directory(root, code)) {
        std::fprintf(stderr, "tact-script: \"%s\" is not a folder\n", dir.c_str());
        return 1;
    }
    const fs::path out = outDir.empty() ? root : fs::weakly_canonical(outDir, code);
    if (!outDir.empty() && out == root)
        return build(dir, "");
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(root, code);
         !code && it != fs::recursive_directory_iterator(); it.increment(code)) {
        const fs::path& path = it->path();
        const bool hidden = path.filename().string().rfind('.', 0) == 0;
        if (hidden || (!outDir.empty() && path == out)) {
            if (it->is_directory(code))
                it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(code) && !it->is_symlink(code))
            files.push_back(path);
    }
    if (code) {
        std::fprintf(stderr, "tact-script: cannot list \"%s\": %s\n", dir.c_str(), code.message().c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());
    int compiled = 0;
    int failed = 0;
    int copied = 0;
    for (const fs::path& path : files) {
        const fs::path relative = path.lexically_relative(root);
        fs::path target = out / relative;
        fs::create_directories(target.parent_path(), code);
        if (hasExtension(path, ".gm")) {
            std::string text;
            target += "c";
            if (readFile(path.c_str(), text) && compileNamed(text, relative.string(), target))
                ++compiled;
            else
                ++failed;
        } else if (!outDir.empty()) {
            fs::path source = path;
            if (hasExtension(path, ".gmc") && fs::exists(source.replace_extension(".gm"), code))
                continue;
            if (!fs::copy_file(path, target, fs::copy_options::overwrite_existing, code)) {
                std::fprintf(stderr, "tact-script: cannot copy \"%s\": %s\n", relative.c_str(),
                             code.message().c_str());
                ++failed;
            } else {
                ++copied;
            }
        }
    }
    std::fprintf(stderr, "tact-script: %d scripts compiled, %d failed", compiled, failed);
    if (!outDir.empty())
        std::fprintf(stderr, ", %d other files copied", copied);
    std::fprintf(stderr, "\n");
    return failed == 0 ? 0 : 1;
}

int disassemble(const char* path, gmListing listing) {
    std::string text;
    if (!readFile(path, text))
        return 1;
    gmStringListLog log;
    if (isLibrary(path, text)) {
        gmByteStream stream(text.data(), text.size());
        gmLibraryLoader loader(log);
        gmLibrary library;
        if (!loader.read(stream, library)) {
            printLog(log, path);
            std::fprintf(stderr, "tact-script: %s: %s\n", path, loader.getError().c_str());
            return 1;
        }
        if (library.rootId >= 0) {
            std::fputs(gmDisassembleAll(library.functions, library.rootId, listing).c_str(), stdout);
        } else {
            // Nothing to start from: every function, in id order.
            for (size_t i = 0; i < library.functions.size(); ++i) {
                std::fputs(i == 0 ? "" : "\n", stdout);
                std::fputs(gmDisassemble(library.functions[i], listing).c_str(), stdout);
            }
        }
        return 0;
    }
    gmFunctionCollector functions;
    if (gmCompileText(text.c_str(), functions, log) != 0 || functions.getRoot() == nullptr) {
        printLog(log, path);
        return 1;
    }
    std::fputs(gmDisassembleAll(functions.getFunctions(), functions.getRoot()->id, listing).c_str(), stdout);
    return 0;
}

int usage() {
    std::fputs(
        "usage: tact-script run FILE.gm|FILE.gmc\n"
        "       tact-script compile IN.gm OUT.gmc\n"
        "       tact-script build DIR [-o OUT]\n"
        "       tact-script pack DIR -o GAME.tact [--with-sources]\n"
        "       tact-script pack DIR --deb [-o FILE.deb] [--with-sources]\n"
        "       tact-script disasm [--fast] FILE.gm|FILE.gmc\n"
        "       tact-script check [--json] [DIR | FILE.gm...]\n"
        "       tact-script lsp\n",
        stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc >= 2 ? argv[1] : "";
    if (command == "run" && argc == 3)
        return run(argv[2]);
    if (command == "compile" && argc == 4)
        return compile(argv[2], argv[3]);
    if (command == "build" && argc == 3)
        return build(argv[2], "");
    if (command == "build" && argc == 5 && std::strcmp(argv[3], "-o") == 0)
        return build(argv[2], argv[4]);
    if (command == "pack") {
        PackOptions options;
        if (!parsePackArguments(argc - 2, argv + 2, options))
            return usage();
        return packGame(options);
    }
    if (command == "disasm" && argc == 3)
        return disassemble(argv[2], gmListing::Code);
    if (command == "disasm" && argc == 4 && std::strcmp(argv[2], "--fast") == 0)
        return disassemble(argv[3], gmListing::FastCode);
    if (command == "check")
        return checkCommand(argc - 2, argv + 2);
    if (command == "lsp")
        return languageServerCommand(argc - 2, argv + 2);
    return usage();
}
