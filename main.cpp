// Program entry: runs the game in a folder of scripts (the working directory by default) or in a
// game archive until it quits: in a window, or headless for a number of ticks with scripted keys.
// Files named on the command line are relative to the folder tact was started in, not to the game.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Engine/AudioModule.h"
#include "Engine/GameFiles.h"
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
    "usage: tact [options] [DIR | GAME.tact]\n"
    "Runs the game in DIR (default: the working directory), or in the archive GAME.tact that\n"
    "tact-script pack makes, starting with its script Main.\n"
    "  --source           read the scripts as source (NAME.gm) instead of compiled libraries\n"
    "                     (NAME.gmc); F10 then writes the compiled libraries beside the sources\n"
    "  --headless         no window and no sound card: a virtual clock, fixed random seeds, sound\n"
    "                     rendered in memory; the same game and input give the same run everywhere\n"
    "  --ticks N          quit after N ticks (60 a second of game time)\n"
    "  --input FILE       press and release keys as FILE says, one \"TICK KEY down|up\" a line (in a\n"
    "                     window, beside the real keys)\n"
    "  --record FILE      write the key presses and releases of the session to FILE in that form\n"
    "  --log FILE         write the engine's log to FILE as it grows\n"
    "  --screenshot FILE  with --ticks: save the frame after the last tick as a PNG file (headless:\n"
    "                     drawn off screen)\n"
    "  --frames DIR       save every K-th frame as DIR/frame-NNNNNN.png (headless: drawn off screen)\n"
    "  --every K          with --frames: every K-th frame (default 1: every frame)\n"
    "  --size WxH         draw at W x H pixels (1 to 16384 each; default: the size the game asks for)\n"
    "  --stats            at the end, print the median time of a tick and of its phases, and the\n"
    "                     sound output's latency, underruns, late voices and clipped samples\n"
    "  --audio-out FILE   write the sound the run rendered to the WAV file FILE (frame 0 is tick 0)\n"
    "  --audio-period MS  the sound output period in ms, 1 to 20 (default 5.8); the latency follows\n"
    "  --process NAME     start the native process NAME instead of Main (also TACT_MAIN_PROCESS)\n"
    "  --help             show this text\n"
    "A headless run exits 1 when a script error or a failed load of a file the game asked for was\n"
    "reported (the last line of standard error counts them), or at once when Main has no script.\n";

// The seed of every random generator in a headless run.
constexpr uint32_t kHeadlessSeed = 5489;
// The largest side --size takes.
constexpr long kMaxPictureSide = 16384;

struct Options {
    bool compiledScripts = true;
    bool headless = false;
    bool stats = false;
    long ticks = 0;  // 0: until the game quits
    std::string inputFile;
    std::string recordFile;
    std::string logFile;
    std::string screenshotFile;
    std::string audioOutFile;
    float audioPeriodMS = 0.0f;  // 0: the module's default
    std::string framesFolder;
    long frameEvery = 0;  // 0: not given (every frame)
    int width = 0;        // 0: the size the game asks for
    int height = 0;
    std::string gameFolder;
    std::string firstProcess;
};

// A whole number of at most nine digits, with a leading minus for a negative one; false for
// anything else.
bool parseNumber(const std::string& text, long& number) {
    const std::size_t digits = text.rfind('-', 0) == 0 ? 1 : 0;
    if (text.size() <= digits || text.size() - digits > 9 ||
        text.find_first_not_of("0123456789", digits) != std::string::npos)
        return false;
    number = std::stol(text);
    return true;
}

// "WxH" with both sides from 1 to kMaxPictureSide.
bool parseSize(const std::string& text, Options& options) {
    const std::size_t x = text.find('x');
    long width = 0;
    long height = 0;
    if (x == std::string::npos || !parseNumber(text.substr(0, x), width) ||
        !parseNumber(text.substr(x + 1), height) || width < 1 || height < 1 || width > kMaxPictureSide ||
        height > kMaxPictureSide) {
        std::fprintf(stderr, "tact: --size takes WIDTHxHEIGHT, each from 1 to %ld pixels, not '%s'\n",
                     kMaxPictureSide, text.c_str());
        return false;
    }
    options.width = static_cast<int>(width);
    options.height = static_cast<int>(height);
    return true;
}

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
        std::string text;
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
        } else if (argument == "--log") {
            ok = value(i, options.logFile);
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
        } else if (argument == "--frames") {
            ok = value(i, options.framesFolder);
        } else if (argument == "--every") {
            ok = value(i, text) && parseNumber(text, options.frameEvery);
            if (ok && options.frameEvery < 1) {
                std::fprintf(stderr, "tact: --every takes a number of frames from 1 up, not '%s'\n",
                             text.c_str());
                return false;
            }
        } else if (argument == "--size") {
            if (!value(i, text))
                ok = false;
            else if (!parseSize(text, options))
                return false;
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
    if (!options.screenshotFile.empty() && options.ticks == 0) {
        std::fprintf(stderr, "tact: --screenshot needs --ticks\n");
        return false;
    }
    if (options.frameEvery != 0 && options.framesFolder.empty()) {
        std::fprintf(stderr, "tact: --every needs --frames\n");
        return false;
    }
    return true;
}

// [path] made absolute against the working directory, so that it still names the same file once
// the game folder is the working directory.
std::string fromStartFolder(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

// The folder of the picture files: made when missing, and it must take a file. False after
// saying why.
bool prepareFramesFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && std::filesystem::is_directory(folder, error) && access(folder.c_str(), W_OK | X_OK) == 0)
        return true;
    std::fprintf(stderr, "tact: cannot write frames to the folder '%s'\n", folder.c_str());
    return false;
}

// A screenshot is written at the end of the run: its folder is checked first, so that a long run
// does not end in nothing. False after saying why.
bool checkScreenshotFolder(const std::string& fileName) {
    const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
    std::error_code error;
    if (std::filesystem::is_directory(folder, error) && access(folder.c_str(), W_OK | X_OK) == 0)
        return true;
    std::fprintf(stderr, "tact: cannot write the screenshot '%s'\n", fileName.c_str());
    return false;
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

// The engine's log copied to a file line by line as it grows, flushed at once so that a run that
// is stopped loses nothing. The first failed write is remembered and ends the run's success.
class LogFileWriter {
  public:
    explicit LogFileWriter(const std::string& fileName) : fileName_(fileName) {
        file_ = std::fopen(fileName.c_str(), "w");
    }
    ~LogFileWriter() {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    void write(const std::string& line) {
        if (file_ == nullptr || failed_)
            return;
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fputc('\n', file_);
        failed_ = std::fflush(file_) != 0 || std::ferror(file_) != 0;
    }
    // Closes the file; false (after saying why) when any line could not be written.
    bool finish() {
        if (file_ != nullptr) {
            failed_ = std::fclose(file_) != 0 || failed_;
            file_ = nullptr;
        }
        if (failed_)
            std::fprintf(stderr, "tact: cannot write the log file '%s'\n", fileName_.c_str());
        return !failed_;
    }

  private:
    std::string fileName_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

// The last line of a headless run's standard error: how many errors it reported.
void printErrorCount(int errors) {
    std::fprintf(stderr, "tact: %d error%s reported during the run\n", errors, errors == 1 ? "" : "s");
}

// Runs the loop until the game quits or the tick limit; with a screenshot, the frame drawn after
// tick N (drawn even when the loop is behind) is saved and the run ends. False (after saying why) when a
// picture could not be written: the run stops there.
bool runGame(GameSystem& gameSystem, const Options& options) {
    gameSystem.startUp();
    bool screenshotRequested = false;
    while (!gameSystem.isQuitting()) {
        if (const std::string& failed = gameSystem.getVideoModule()->getCaptureFailure(); !failed.empty()) {
            std::fprintf(stderr, "tact: cannot write the picture '%s'\n", failed.c_str());
            gameSystem.shutDown();
            return false;
        }
        const uint32_t tick = gameSystem.getCurrentTick();
        if (options.ticks > 0 && !options.screenshotFile.empty()) {
            // Asked for before tick N runs: frames are drawn only after a tick.
            VideoModule* video = gameSystem.getVideoModule();
            if (!screenshotRequested && tick + 1 >= static_cast<uint32_t>(options.ticks)) {
                video->requestScreenshot(options.screenshotFile);
                screenshotRequested = true;
            } else if (screenshotRequested && !video->isScreenshotPending()) {
                break;
            }
        } else if (options.ticks > 0 && tick >= static_cast<uint32_t>(options.ticks)) {
            break;
        }
        gameSystem.runLoopIteration();
    }
    const bool shotMissing = !options.screenshotFile.empty() &&
                             (!screenshotRequested || gameSystem.getVideoModule()->isScreenshotPending());
    gameSystem.shutDown();
    if (shotMissing) {
        std::fprintf(stderr, "tact: the game quit before tick %ld: no screenshot '%s'\n", options.ticks,
                     options.screenshotFile.c_str());
        return false;
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    // Piped output arrives line by line, as it does on a terminal.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options options;
    bool helpOnly = false;
    if (!parseOptions(argc, argv, options, helpOnly))
        return 2;
    if (helpOnly) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    options.screenshotFile = fromStartFolder(options.screenshotFile);
    options.framesFolder = fromStartFolder(options.framesFolder);
    options.audioOutFile = fromStartFolder(options.audioOutFile);
    options.logFile = fromStartFolder(options.logFile);
    if (!options.screenshotFile.empty() && !checkScreenshotFolder(options.screenshotFile))
        return 2;
    if (!options.framesFolder.empty() && !prepareFramesFolder(options.framesFolder))
        return 2;
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
    std::unique_ptr<LogFileWriter> logFile;
    if (!options.logFile.empty()) {
        logFile = std::make_unique<LogFileWriter>(options.logFile);
        if (!logFile->isOpen()) {
            std::fprintf(stderr, "tact: cannot write the log file '%s'\n", options.logFile.c_str());
            return 2;
        }
    }
    const std::string defaultScriptFolder = findDefaultScriptFolder();
    // A file is a game archive: every game file is read from it, and the working directory stays.
    std::error_code missing;
    if (!options.gameFolder.empty() && !isDirectory(options.gameFolder) &&
        std::filesystem::exists(options.gameFolder, missing)) {
        std::string error;
        std::unique_ptr<ArchiveGameFiles> archive = ArchiveGameFiles::open(options.gameFolder, error);
        if (!archive) {
            std::fprintf(stderr, "tact: '%s' is not a game archive: %s\n", options.gameFolder.c_str(),
                         error.c_str());
            return 2;
        }
        setGameFiles(std::move(archive));
    } else if (!options.gameFolder.empty() && chdir(options.gameFolder.c_str()) != 0) {
        // Every engine file is opened relative to the working directory, so the game folder becomes it.
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

    // A headless run draws only when it has pictures to save.
    const bool drawing = !options.screenshotFile.empty() || !options.framesFolder.empty();
    std::unique_ptr<ModuleFactory> factory =
        options.headless
            ? createHeadlessPlatformModuleFactory(options.compiledScripts, std::move(keyEvents), drawing)
            : createPlatformModuleFactory(options.compiledScripts, std::move(keyEvents));
    bool picturesWritten = true;
    int reportedErrors = 0;
    {
        TickProfiler profiler;  // outlives the game system that times into it
        GameSystem gameSystem(*factory);
        if (logFile) {
            // The lines the modules logged while they were made come first.
            for (const std::string& line : gameSystem.getLogger()->getOutput()) logFile->write(line);
            gameSystem.getLogger()->setLineListener(
                [&logFile](const std::string& line) { logFile->write(line); });
        }
        if (options.headless)
            gameSystem.log("Headless run: virtual clock, random seeds fixed at " +
                           std::to_string(kHeadlessSeed));
        gameSystem.getVideoModule()->setAspectRatio(16.0f / 9.0f);
        if (options.width > 0)
            gameSystem.getVideoModule()->setFixedDeviceSize(options.width, options.height);
        if (!options.framesFolder.empty())
            gameSystem.getVideoModule()->setFrameSequence(
                options.framesFolder, options.frameEvery > 0 ? static_cast<int>(options.frameEvery) : 1);
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
        // A headless run without its first script would run to its tick limit, or for ever, doing
        // nothing: it stops at once instead.
        const std::string& first = gameSystem.getMainProcessName();
        if (options.headless && !gameSystem.getProcessIndustry()->hasFactory(first) &&
            !gameSystem.getScriptModule()->hasScript(first)) {
            std::fprintf(stderr, "tact: the first process %s has no script: the run stops\n", first.c_str());
            printErrorCount(gameSystem.getReportedErrorCount());
            gameSystem.getLogger()->setLineListener({});
            return 1;
        }
        picturesWritten = runGame(gameSystem, options);
        reportedErrors = gameSystem.getReportedErrorCount();
        // The shutdown let the logger go with its last lines.
        if (Logger* logger = gameSystem.getLogger())
            logger->setLineListener({});
        if (options.stats) {
            std::printf("%s\n", profiler.summary().c_str());
            if (const std::string particles = profiler.particleSummary(); !particles.empty())
                std::printf("%s\n", particles.c_str());
            if (const std::string audio = profiler.audioSummary(); !audio.empty())
                std::printf("%s\n", audio.c_str());
        }
    }
    const bool logWritten = logFile == nullptr || logFile->finish();
    if (!picturesWritten || !logWritten)
        return 1;
    // A windowed game goes on after errors, as it always did; a headless run is a test.
    if (options.headless && reportedErrors > 0) {
        printErrorCount(reportedErrors);
        return 1;
    }
    return 0;
}
