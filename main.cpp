// Program entry: runs the game in a folder of scripts (the working directory by default) until it
// quits: in a window, or headless for a number of ticks with scripted keys.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Engine/AudioModule.h"
#include "Engine/GameSystem.h"
#include "Engine/InputModule.h"
#include "Engine/KeyScript.h"
#include "Engine/Logger.h"
#include "Engine/PlatformModuleFactory.h"
#include "Engine/ProcessIndustry.h"
#include "Engine/RandomGenerator.h"
#include "Engine/ScriptModule.h"
#include "Engine/TickProfiler.h"
#include "Engine/VideoModule.h"
#include "NativeTestProcesses.h"

namespace {
constexpr const char* kUsage =
    "usage: tact [options] [DIR]\n"
    "Runs the game in DIR (default: the working directory), starting with its script Main.\n"
    "  --source           read the scripts as source (NAME.gm) instead of compiled libraries\n"
    "                     (NAME.gmc); F10 then writes the compiled libraries beside the sources\n"
    "  --headless         no window and no sound card: a virtual clock, fixed random seeds, sound\n"
    "                     rendered in memory; the same game and input give the same run everywhere\n"
    "  --ticks N          quit after N ticks (60 a second of game time)\n"
    "  --input FILE       headless: press and release keys as FILE says, one \"TICK KEY down|up\" a line\n"
    "  --record FILE      write the key presses and releases of the session to FILE in that form\n"
    "  --screenshot FILE  with --ticks: save the last frame as a PNG file (in a window)\n"
    "  --stats            at the end, print the median time of a tick and of its phases, and the\n"
    "                     sound output's latency, underruns, late voices and clipped samples\n"
    "  --audio-out FILE   write the sound the run rendered to the WAV file FILE (frame 0 is tick 0)\n"
    "  --audio-period MS  the sound output period in ms, 1 to 20 (default 5.8); the latency follows\n"
    "  --process NAME     start the native process NAME instead of Main (also TACT_MAIN_PROCESS)\n"
    "  --help             show this text\n";

// The seed of every random generator in a headless run.
constexpr uint32_t kHeadlessSeed = 5489;

struct Options {
    bool compiledScripts = true;
    bool headless = false;
    bool stats = false;
    long ticks = 0;  // 0: until the game quits
    std::string inputFile;
    std::string recordFile;
    std::string screenshotFile;
    std::string audioOutFile;
    float audioPeriodMS = 0.0f;  // 0: the module's default
    std::string gameFolder;
    std::string firstProcess;
};

// False (after saying why) when the arguments are not understood.
bool parseOptions(int argc, char** argv, Options& options, bool& helpOnly) {
    auto value = [&](int& i, std::string& out) {
        if (i + 1 >= argc)
            return false;
        out = argv[++i];
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::string ticks;
        bool ok = true;
        if (argument == "--help" || argument == "-h") {
            helpOnly = true;
        } else if (argument == "--source") {
            options.compiledScripts = false;
        } else if (argument == "--stats") {
            options.stats = true;
        } else if (argument == "--headless") {
            options.headless = true;
        } else if (argument == "--ticks") {
            ok = value(i, ticks) && ticks.find_first_not_of("0123456789") == std::string::npos &&
                 ticks.size() < 10;
            if (ok)
                options.ticks = std::stol(ticks);
        } else if (argument == "--input") {
            ok = value(i, options.inputFile);
        } else if (argument == "--record") {
            ok = value(i, options.recordFile);
        } else if (argument == "--screenshot") {
            ok = value(i, options.screenshotFile);
        } else if (argument == "--audio-out") {
            ok = value(i, options.audioOutFile);
        } else if (argument == "--audio-period") {
            std::string period;
            char* end = nullptr;
            ok = value(i, period);
            if (ok)
                options.audioPeriodMS = std::strtof(period.c_str(), &end);
            ok = ok && end != period.c_str() && *end == '\0' && options.audioPeriodMS > 0.0f &&
                 options.audioPeriodMS <= 1000.0f;
        } else if (argument == "--process") {
            ok = value(i, options.firstProcess);
        } else if (argument[0] == '-' || !options.gameFolder.empty()) {
            ok = false;
        } else {
            options.gameFolder = argument;
        }
        if (!ok) {
            std::fprintf(stderr, "tact: unexpected or incomplete argument '%s'\n%s", argument.c_str(),
                         kUsage);
            return false;
        }
    }
    if (!options.inputFile.empty() && !options.headless) {
        std::fprintf(stderr, "tact: --input needs --headless\n");
        return false;
    }
    if (!options.screenshotFile.empty() && (options.headless || options.ticks == 0)) {
        std::fprintf(stderr, "tact: --screenshot needs --ticks and a window\n");
        return false;
    }
    return true;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The engine's own scripts (the default console, pause screen and colour editor): TACT_DEFAULTS
// when set, else "defaults" beside the program (the build tree), else share/tact/defaults beside
// its bin folder (an installed engine). An absolute path, found before the game folder becomes the
// working directory; empty when there is none.
std::string findDefaultScriptFolder() {
    std::vector<std::string> candidates;
    if (const char* chosen = std::getenv("TACT_DEFAULTS"); chosen != nullptr && *chosen != '\0') {
        candidates.push_back(chosen);
    } else {
        char program[PATH_MAX] = {};
        const ssize_t length = readlink("/proc/self/exe", program, sizeof(program) - 1);
        if (length > 0) {
            std::string folder(program, static_cast<std::size_t>(length));
            folder.erase(folder.rfind('/') + 1);
            candidates.push_back(folder + "defaults");
            candidates.push_back(folder + "../share/tact/defaults");
        }
    }
    for (const std::string& candidate : candidates) {
        char resolved[PATH_MAX] = {};
        if (isDirectory(candidate) && realpath(candidate.c_str(), resolved) != nullptr)
            return resolved;
    }
    return {};
}

bool readKeyEvents(const std::string& fileName, std::vector<KeyEvent>& events) {
    std::ifstream file(fileName);
    if (!file) {
        std::fprintf(stderr, "tact: cannot read the input file '%s'\n", fileName.c_str());
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::string error;
    std::optional<std::vector<KeyEvent>> parsed = KeyScript::parse(text.str(), error);
    if (!parsed) {
        std::fprintf(stderr, "tact: %s: %s\n", fileName.c_str(), error.c_str());
        return false;
    }
    events = std::move(*parsed);
    return true;
}

// Runs the loop until the game quits or the tick limit; with a screenshot, the frame after the
// limit is saved before the run ends.
void runGame(GameSystem& gameSystem, const Options& options) {
    gameSystem.startUp();
    bool screenshotRequested = false;
    while (!gameSystem.isQuitting()) {
        if (options.ticks > 0 && gameSystem.getCurrentTick() >= static_cast<uint32_t>(options.ticks)) {
            if (options.screenshotFile.empty())
                break;
            VideoModule* video = gameSystem.getVideoModule();
            if (!screenshotRequested) {
                video->requestScreenshot(options.screenshotFile);
                screenshotRequested = true;
            } else if (!video->isScreenshotPending()) {
                break;
            }
        }
        gameSystem.runLoopIteration();
    }
    gameSystem.shutDown();
}
}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool helpOnly = false;
    if (!parseOptions(argc, argv, options, helpOnly))
        return 2;
    if (helpOnly) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::vector<KeyEvent> keyEvents;
    if (!options.inputFile.empty() && !readKeyEvents(options.inputFile, keyEvents))
        return 2;
    std::ofstream record;
    if (!options.recordFile.empty()) {
        record.open(options.recordFile);
        if (!record) {
            std::fprintf(stderr, "tact: cannot write the record file '%s'\n", options.recordFile.c_str());
            return 2;
        }
    }
    const std::string defaultScriptFolder = findDefaultScriptFolder();
    // Every engine file is opened relative to the working directory, so the game folder becomes it.
    if (!options.gameFolder.empty() && chdir(options.gameFolder.c_str()) != 0) {
        std::fprintf(stderr, "tact: cannot enter the game folder '%s'\n", options.gameFolder.c_str());
        return 2;
    }
    if (options.firstProcess.empty()) {
        if (const char* first = std::getenv("TACT_MAIN_PROCESS"); first != nullptr)
            options.firstProcess = first;
    }
    if (options.headless) {
        RandomGenerator::setFixedSeed(kHeadlessSeed);
        RandomGenerator::getProcessGenerator().reseed(kHeadlessSeed);
    }

    std::unique_ptr<ModuleFactory> factory =
        options.headless ? createHeadlessPlatformModuleFactory(options.compiledScripts, std::move(keyEvents))
                         : createPlatformModuleFactory(options.compiledScripts);
    {
        TickProfiler profiler;  // outlives the game system that times into it
        GameSystem gameSystem(*factory);
        if (options.headless)
            gameSystem.log("Headless run: virtual clock, random seeds fixed at " +
                           std::to_string(kHeadlessSeed));
        gameSystem.getVideoModule()->setAspectRatio(16.0f / 9.0f);
        gameSystem.setDebugKeysEnabled(true);
        registerNativeTestProcesses(*gameSystem.getProcessIndustry());
        gameSystem.getScriptModule()->setDefaultScriptFolder(defaultScriptFolder);
        if (!options.firstProcess.empty())
            gameSystem.setMainProcessName(options.firstProcess);
        if (record.is_open()) {
            gameSystem.getRealInputModule()->setKeyListener([&record, &gameSystem](int keyCode, bool down) {
                record << KeyScript::formatEvent({gameSystem.getCurrentTick(), keyCode, down}) << '\n';
                record.flush();
            });
        }
        if (options.audioPeriodMS > 0.0f)
            gameSystem.getAudioModule()->setOutputPeriodMS(options.audioPeriodMS);
        if (std::string error; !options.audioOutFile.empty() &&
                               !gameSystem.getAudioModule()->writeOutputTo(options.audioOutFile, error)) {
            std::fprintf(stderr, "tact: cannot write the audio file '%s': %s\n", options.audioOutFile.c_str(),
                         error.c_str());
            return 2;
        }
        if (options.stats)
            gameSystem.setTickProfiler(&profiler);
        runGame(gameSystem, options);
        if (options.stats) {
            std::printf("%s\n", profiler.summary().c_str());
            if (const std::string particles = profiler.particleSummary(); !particles.empty())
                std::printf("%s\n", particles.c_str());
            if (const std::string audio = profiler.audioSummary(); !audio.empty())
                std::printf("%s\n", audio.c_str());
        }
    }
    return 0;
}
