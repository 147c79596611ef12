// Writes the compiled libraries of each script named on the command line into a directory, as seeds
// for the loader's fuzz target: tact_fuzz_make_seeds OUT_DIR SCRIPT.gm...
// Scripts that do not compile are skipped.
#include "script/gmLibraryWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR SCRIPT.gm...\n", argv[0]);
        return 2;
    }
    const std::filesystem::path outDir = argv[1];
    std::filesystem::create_directories(outDir);
    int written = 0;
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path script = argv[i];
        std::ifstream in(script, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        // Both forms: as the engine writes libraries, and with line tables as tact-script does.
        for (bool lineTables : {false, true}) {
            gmByteStream library;
            gmStringListLog log;
            gmLibraryOptions options;
            options.lineTables = lineTables;
            if (!in || compileToLibrary(text.str().c_str(), library, log, options) != 0) {
                break;
            }
            // Distinct names for scripts of the same name in different folders.
            std::string name = script.parent_path().filename().string() + "_" + script.stem().string() +
                               (lineTables ? ".lines.gmc" : ".gmc");
            std::ofstream out(outDir / name, std::ios::binary);
            out.write(reinterpret_cast<const char*>(library.getBytes().data()),
                      static_cast<std::streamsize>(library.getSize()));
            ++written;
        }
    }
    std::printf("%d libraries written to %s\n", written, outDir.c_str());
    return 0;
}
