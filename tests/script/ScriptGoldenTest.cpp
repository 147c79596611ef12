// Golden scripts: every tests/scripts/<area>/*.gm runs in-process and its output and error log are
// compared with the expectations written in its comments:
//   // expect: text                      the next line of output is `text`
//   // expect error   /  // expect error line N
//                                        a compile error is reported on this line (or line N)
//   // expect error: message             a compile error with this message, on this line
//                                        (the compile errors are exactly those expected, in order)
//   // expect runtime error: message     the script stops with `message`, reported at this line
//   // expect warning: text              the log holds the warning `text`; the script still runs
//   // skip: reason                      not run
// print ends every piece with a space, so output lines and expected texts are compared without
// trailing spaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "script/gmLibraryWriter.h"
#include "script/gmScriptMachine.h"

namespace {

// How a script reaches the machine: its text through runText, or compiled to a library (with line
// tables, as `tact-script compile` writes it), the bytes copied as a file would carry them, loaded
// and run through runLibrary; and from source with the fused instruction runs off, so fused and
// plain execution are checked against each other. All must give the same output and errors.
enum class RunMode { Source, CompileSaveLoad, SourcePlain };

struct ExpectedCompileError {
    int line = 0;
    std::string message;  // empty: any
};

struct Expectations {
    std::vector<std::string> output;
    std::vector<ExpectedCompileError> compileErrors;  // in the order of their lines
    std::string runtimeMessage;
    int runtimeLine = 0;  // 0: none expected
    std::string skipReason;
    std::vector<std::string> warnings;
};

std::string trimRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.pop_back();
    return text;
}

Expectations parseExpectations(const std::string& text) {
    Expectations result;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const std::size_t comment = line.find("//");
        if (comment == std::string::npos)
            continue;
        std::string body = line.substr(comment + 2);
        body.erase(0, body.find_first_not_of(' '));
        body = trimRight(body);
        const std::string kOutput = "expect: ";
        const std::string kRuntime = "expect runtime error: ";
        const std::string kErrorLine = "expect error line ";
        const std::string kErrorMessage = "expect error: ";
        const std::string kSkip = "skip: ";
        const std::string kWarning = "expect warning: ";
        if (body == "expect runtime error:") {
            result.runtimeLine = lineNumber;  // a failure without a message of its own
        } else if (body.rfind(kOutput, 0) == 0 || body == "expect:") {
            result.output.push_back(body.size() > kOutput.size() ? body.substr(kOutput.size()) : "");
        } else if (body.rfind(kRuntime, 0) == 0) {
            result.runtimeMessage = body.substr(kRuntime.size());
            result.runtimeLine = lineNumber;
        } else if (body.rfind(kErrorLine, 0) == 0) {
            result.compileErrors.push_back({std::stoi(body.substr(kErrorLine.size())), ""});
        } else if (body == "expect error") {
            result.compileErrors.push_back({lineNumber, ""});
        } else if (body.rfind(kErrorMessage, 0) == 0) {
            result.compileErrors.push_back({lineNumber, body.substr(kErrorMessage.size())});
        } else if (body.rfind(kWarning, 0) == 0) {
            result.warnings.push_back(body.substr(kWarning.size()));
        } else if (body.rfind(kSkip, 0) == 0) {
            result.skipReason = body.substr(kSkip.size());
        }
    }
    return result;
}

struct RunResult {
    std::vector<std::string> output;
    std::vector<std::string> log;
    int compileErrors = 0;
    bool loaded = true;
    bool finished = true;
};

void captureLine(void* userData, const char* line) {
    static_cast<RunResult*>(userData)->output.push_back(trimRight(line));
}

// Starts [text] in [machine] the way [mode] says; compile errors go to [result].
void startScript(gmScriptMachine& machine, const std::string& text, RunMode mode, RunResult& result) {
    if (mode != RunMode::CompileSaveLoad) {
        result.compileErrors = machine.runText(text.c_str(), nullptr, true, nullptr);
        return;
    }
    gmByteStream written;
    gmStringListLog compileLog;
    gmLibraryOptions options;
    options.lineTables = true;
    result.compileErrors = compileToLibrary(text.c_str(), written, compileLog, options);
    for (const std::string& entry : compileLog.getEntries()) machine.getErrorLog().addEntry(entry.c_str());
    if (result.compileErrors != 0)
        return;
    gmByteStream file(written.getBytes());  // a fresh stream: only the bytes travel
    result.loaded = machine.runLibrary(file, nullptr, true, nullptr);
}

// Runs [text] like `tact-script run`: Execute on simulated 16 ms ticks until no thread runs or
// sleeps. A script that never stops is cut off after a simulated hour.
RunResult runScript(const std::string& text, RunMode mode) {
    RunResult result;
    gmScriptMachine machine;
    machine.setFusedRuns(mode != RunMode::SourcePlain);
    machine.setPrintSink(captureLine, &result);
    startScript(machine, text, mode, result);
    constexpr int kMaxTicks = 60 * 60 * 60;
    int ticks = 0;
    while (result.compileErrors == 0 && result.loaded && machine.hasRunningOrSleepingThreads() &&
           ticks < kMaxTicks) {
        machine.Execute(16);
        ++ticks;
    }
    result.finished = ticks < kMaxTicks;
    gmErrorLog& log = machine.getErrorLog();
    for (int32_t i = 0; i < log.getEntryCount(); ++i) result.log.emplace_back(log.getEntry(i));
    return result;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

void expectGolden(const std::string& path, RunMode mode) {
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file) << "cannot open " << path;
    std::ostringstream contents;
    contents << file.rdbuf();
    const std::string text = contents.str();
    const Expectations expected = parseExpectations(text);
    if (!expected.skipReason.empty())
        GTEST_SKIP() << expected.skipReason;

    RunResult result = runScript(text, mode);
    // Expected warnings come first, in order; the rest of the log is checked as before.
    for (const std::string& warning : expected.warnings) {
        const auto found = std::find(result.log.begin(), result.log.end(), warning);
        EXPECT_NE(found, result.log.end()) << "expected the warning \"" << warning << "\"";
        if (found != result.log.end())
            result.log.erase(found);
    }
    const std::string log = joined(result.log);
    EXPECT_TRUE(result.finished) << "the script was still running after the tick limit";
    EXPECT_TRUE(result.loaded) << "the compiled library was rejected; log:\n" << log;

    if (!expected.compileErrors.empty()) {
        EXPECT_NE(result.compileErrors, 0) << "a compile error was expected";
        // Every compile error is expected, one for one: a follow-on error fails the test too.
        std::vector<std::string> errors;
        std::copy_if(result.log.begin(), result.log.end(), std::back_inserter(errors),
                     [](const std::string& entry) { return entry.rfind("error (", 0) == 0; });
        std::vector<ExpectedCompileError> sorted = expected.compileErrors;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto& a, const auto& b) { return a.line < b.line; });
        EXPECT_EQ(errors.size(), sorted.size()) << "compile errors; log:\n" << log;
        for (std::size_t i = 0; i < std::min(errors.size(), sorted.size()); ++i) {
            const std::string prefix = "error (" + std::to_string(sorted[i].line) + ") ";
            EXPECT_TRUE(errors[i].rfind(prefix, 0) == 0) << "compile error " << i + 1 << " is \"" << errors[i]
                                                         << "\", expected on line " << sorted[i].line;
            if (!sorted[i].message.empty())
                EXPECT_EQ(errors[i].substr(std::min(prefix.size(), errors[i].size())), sorted[i].message);
        }
        return;
    }
    EXPECT_EQ(result.compileErrors, 0) << log;

    if (expected.runtimeLine != 0) {
        // An empty message: a native that fails without one; the report starts with the position.
        const auto message = expected.runtimeMessage.empty()
                                 ? result.log.begin()
                                 : std::find(result.log.begin(), result.log.end(), expected.runtimeMessage);
        EXPECT_NE(message, result.log.end()) << "expected \"" << expected.runtimeMessage << "\"; log:\n"
                                             << log;
        const std::string position = "\nunknown(" + std::to_string(expected.runtimeLine) + ") : ";
        EXPECT_NE(std::find(message, result.log.end(), position), result.log.end())
            << "expected the error at line " << expected.runtimeLine << "; log:\n"
            << log;
    } else {
        EXPECT_TRUE(result.log.empty()) << "unexpected errors:\n" << log;
    }
    EXPECT_EQ(joined(result.output), joined(expected.output));
}

// The scripts under [root], or under $TACT_GOLDEN_DIR when set (to try another tree's scripts).
std::string scriptRoot() {
    const char* overridden = std::getenv("TACT_GOLDEN_DIR");
    return overridden != nullptr && overridden[0] != '\0' ? overridden : TACT_SCRIPT_TEST_DIR;
}

std::vector<std::string> findScripts(const std::string& root) {
    std::vector<std::string> scripts;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".gm")
            scripts.push_back(entry.path().string());
    }
    std::sort(scripts.begin(), scripts.end());
    return scripts;
}

// "operators/int_add.gm" -> "operators_int_add"
std::string scriptTestName(const testing::TestParamInfo<std::string>& info) {
    std::string name = std::filesystem::relative(info.param, scriptRoot()).replace_extension().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

class ScriptGolden : public testing::TestWithParam<std::string> {};

TEST_P(ScriptGolden, FromSource) {
    expectGolden(GetParam(), RunMode::Source);
}

TEST_P(ScriptGolden, FromBytecode) {
    expectGolden(GetParam(), RunMode::CompileSaveLoad);
}

TEST_P(ScriptGolden, FromSourceUnfused) {
    expectGolden(GetParam(), RunMode::SourcePlain);
}

INSTANTIATE_TEST_SUITE_P(All, ScriptGolden, testing::ValuesIn(findScripts(scriptRoot())), scriptTestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ScriptGolden);

}  // namespace
