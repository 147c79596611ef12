// Program entry: runs the game in a folder of scripts (the working directory by default) on this
// machine's modules until it quits.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "Engine/GameSystem.h"
#include "Engine/PlatformModuleFactory.h"
#include "Engine/ProcessIndustry.h"
#include "Engine/VideoModule.h"
#include "NativeTestProcesses.h"

namespace {
constexpr const char* kUsage =
    "usage: tact [--source] [--process NAME] [DIR]\n"
    "Runs the game in DIR (default: the working directory), starting with its script Main.\n"
    "  --source        read the scripts as source (NAME.gm) instead of compiled libraries\n"
    "                  (NAME.gmc); F10 then writes the compiled libraries beside the sources\n"
    "  --process NAME  start the native process NAME instead of Main (also TACT_MAIN_PROCESS)\n"
    "  --help          show this text\n";

struct Options {
    bool compiledScripts = true;
    std::string gameFolder;
    std::string firstProcess;
};

// False (after saying why) when the arguments are not understood.
bool parseOptions(int argc, char** argv, Options& options, bool& helpOnly) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            helpOnly = true;
        } else if (std::strcmp(argument, "--source") == 0) {
            options.compiledScripts = false;
        } else if (std::strcmp(argument, "--process") == 0 && i + 1 < argc) {
            options.firstProcess = argv[++i];
        } else if (argument[0] == '-' || !options.gameFolder.empty()) {
            std::fprintf(stderr, "tact: unexpected argument '%s'\n%s", argument, kUsage);
            return false;
        } else {
            options.gameFolder = argument;
        }
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool helpOnly = false;
    if (!parseOptions(argc, argv, options, helpOnly)) return 2;
    if (helpOnly) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // Every engine file is opened relative to the working directory, so the game folder becomes it.
    if (!options.gameFolder.empty() && chdir(options.gameFolder.c_str()) != 0) {
        std::fprintf(stderr, "tact: cannot enter the game folder '%s'\n", options.gameFolder.c_str());
        return 2;
    }
    if (options.firstProcess.empty()) {
        if (const char* first = std::getenv("TACT_MAIN_PROCESS"); first != nullptr) options.firstProcess = first;
    }

    std::unique_ptr<ModuleFactory> factory = createPlatformModuleFactory(options.compiledScripts);
    {
        GameSystem gameSystem(*factory);
        gameSystem.getVideoModule()->setAspectRatio(16.0f / 9.0f);
        gameSystem.setDebugKeysEnabled(true);
        registerNativeTestProcesses(*gameSystem.getProcessIndustry());
        if (!options.firstProcess.empty()) gameSystem.setMainProcessName(options.firstProcess);
        gameSystem.run();
    }
    return 0;
}
