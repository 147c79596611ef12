// Compiled libraries in the machine: LoadLib and runLibrary, rejected files, collection while
// loading, hand-made code a verifier-passing file can carry (a hostile foreach iterator), and the
// execution watch that bounds untrusted scripts.
#include "script/gmLibraryLoader.h"
#include "script/gmLibraryWriter.h"
#include "script/gmOpcodes.h"
#include "script/gmScriptMachine.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

constexpr uint32_t op(gmOpcode opcode) {
    return static_cast<uint32_t>(opcode);
}

void captureLine(void* userData, const char* line) {
    static_cast<std::vector<std::string>*>(userData)->emplace_back(line);
}

std::vector<std::string> logEntries(gmScriptMachine& machine) {
    std::vector<std::string> entries;
    for (int32_t i = 0; i < machine.getErrorLog().getEntryCount(); ++i)
        entries.emplace_back(machine.getErrorLog().getEntry(i));
    return entries;
}

gmByteStream compileLibrary(const char* text, bool lineTables = true) {
    gmByteStream stream;
    gmStringListLog log;
    gmLibraryOptions options;
    options.lineTables = lineTables;
    EXPECT_EQ(compileToLibrary(text, stream, log, options), 0) << text;
    return gmByteStream(stream.getBytes());
}

// A library of the single root function [code] with the Name constants [names] (operand i of a
// name instruction indexes names[i]).
gmByteStream handMadeLibrary(std::vector<uint32_t> code, int maxStack, int locals,
                             const std::vector<std::string>& names = {}) {
    gmCompiledFunction root;
    root.id = 0;
    root.isRoot = true;
    root.code = std::move(code);
    root.maxStackDepth = maxStack;
    root.numLocals = locals;
    for (const std::string& name : names)
        root.constants.push_back({gmCompiledConstant::Kind::Name, name, -1});
    gmLibraryWriter writer;
    writer.addFunction(std::move(root));
    gmByteStream stream;
    writer.finish(stream);
    return gmByteStream(stream.getBytes());
}

gmValue globalValue(gmScriptMachine& machine, const char* name) {
    return machine.getGlobals()->get(gmValue::makeString(machine.internString(name)));
}

// Runs [library] to the end; its output goes to [output].
bool runToEnd(gmScriptMachine& machine, gmByteStream& library, std::vector<std::string>& output) {
    machine.setPrintSink(captureLine, &output);
    const bool accepted = machine.runLibrary(library);
    while (machine.hasRunningOrSleepingThreads()) machine.Execute(16);
    return accepted;
}

const char* const kScript =
    "global square = function(x) { return x * x; };\n"
    "global names = { a = \"first\", b = \"second\" };\n"
    "t = { 1, 2, 3 }; sum = 0;\n"
    "foreach (v in t) { sum = sum + square(v); }\n"
    "thread(function() { sleep(0.02); print(\"late\", names.b); });\n"
    "print(\"sum\", sum, names.a);\n";

}  // namespace

TEST(gmScriptMachineLibrary, ALoadedLibraryRunsLikeItsSource) {
    gmScriptMachine fromSource;
    std::vector<std::string> sourceOutput;
    fromSource.setPrintSink(captureLine, &sourceOutput);
    ASSERT_EQ(fromSource.runText(kScript), 0);
    while (fromSource.hasRunningOrSleepingThreads()) fromSource.Execute(16);

    gmScriptMachine machine;
    std::vector<std::string> output;
    gmByteStream library = compileLibrary(kScript);
    EXPECT_TRUE(runToEnd(machine, library, output));
    EXPECT_EQ(output, sourceOutput);
    EXPECT_EQ(output, (std::vector<std::string>{"sum 14 first ", "late second "}));
    EXPECT_TRUE(globalValue(machine, "square").isFunction());
    EXPECT_TRUE(logEntries(machine).empty());
}

void countEntry(void* userData, const char*) {
    ++*static_cast<int*>(userData);
}

// The script host decides from runText's count whether a load failed: a warning must not count,
// and a host can tell warnings from errors through the warning listener.
TEST(gmScriptMachineLibrary, ACompileWarningIsNoErrorAndReachesTheWarningListener) {
    gmScriptMachine machine;
    std::vector<std::string> output;
    machine.setPrintSink(captureLine, &output);
    int errors = 0;
    int warnings = 0;
    machine.getErrorLog().setListener(countEntry, &errors);
    machine.getErrorLog().setWarningListener(countEntry, &warnings);
    EXPECT_EQ(machine.runText("x = 'abcdef';\nprint(x == 'cdef');", nullptr, true, nullptr), 0);
    EXPECT_EQ(output, std::vector<std::string>{"1 "});
    EXPECT_EQ(logEntries(machine), std::vector<std::string>{"truncated char, line 1"});
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(errors, 0);
    // A real error in the same text still fails the compile and still counts.
    EXPECT_NE(machine.runText("x = 'abcdef';\nprint(x", nullptr, true, nullptr), 0);
    EXPECT_EQ(errors, 1);
}

TEST(gmScriptMachineLibrary, RunLibraryReportsTheThreadAndCanDeferTheRun) {
    gmScriptMachine machine;
    std::vector<std::string> output;
    machine.setPrintSink(captureLine, &output);
    gmByteStream library = compileLibrary("print(this.name);");
    gmValue self = gmValue::makeTable(machine.createTable());
    machine.addHostRoot(self.getTable());
    self.getTable()->set(machine, gmValue::makeString(machine.internString("name")),
                         gmValue::makeString(machine.internString("me")));
    int32_t threadId = 0;
    ASSERT_TRUE(machine.runLibrary(library, &threadId, false, "lib.gmc", &self));
    EXPECT_NE(machine.findThread(threadId), nullptr);
    EXPECT_TRUE(output.empty());
    machine.Execute(16);
    EXPECT_EQ(output, std::vector<std::string>{"me "});
    machine.removeHostRoot(self.getTable());
}

TEST(gmScriptMachineLibrary, EveryRejectedFileLogsOneMessageAndRunsNothing) {
    const gmByteStream good = compileLibrary(kScript);
    std::vector<std::vector<uint8_t>> damaged;
    damaged.emplace_back();                                                       // empty
    damaged.emplace_back(good.getBytes().begin(), good.getBytes().begin() + 10);  // short header
    damaged.emplace_back(good.getBytes().begin(), good.getBytes().end() - 1);     // cut
    damaged.push_back(good.getBytes());
    damaged.back()[0] = 'x';  // magic
    for (const std::vector<uint8_t>& bytes : damaged) {
        gmScriptMachine machine;
        gmByteStream stream(bytes);
        bool accepted = true;
        EXPECT_EQ(machine.LoadLib(stream, &accepted), nullptr);
        EXPECT_FALSE(accepted);
        EXPECT_EQ(logEntries(machine), std::vector<std::string>{"Error loading library"});
        machine.getErrorLog().clear();
        int32_t threadId = -5;
        EXPECT_FALSE(machine.runLibrary(stream, &threadId));
        EXPECT_EQ(threadId, -5);
        EXPECT_EQ(machine.getThreadCount(), 0);
        EXPECT_EQ(logEntries(machine), std::vector<std::string>{"Error loading library"});
        EXPECT_TRUE(machine.isCollectionEnabled());
    }
}

TEST(gmScriptMachineLibrary, ALibraryWithoutARootLoadsAndRunsNothing) {
    gmCompiledFunction function;
    function.id = 0;
    function.code = {op(gmOpcode::ReturnNull)};
    gmLibraryWriter writer;
    writer.addFunction(std::move(function));
    gmByteStream written;
    writer.finish(written);
    gmScriptMachine machine;
    gmByteStream stream(written.getBytes());
    bool accepted = false;
    EXPECT_EQ(machine.LoadLib(stream, &accepted), nullptr);
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(machine.runLibrary(stream));
    EXPECT_EQ(machine.getThreadCount(), 0);
    EXPECT_TRUE(logEntries(machine).empty());
}

TEST(gmScriptMachineLibrary, LoadingKeepsTheCollectionSetting) {
    gmScriptMachine machine;
    std::vector<std::string> output;
    machine.setPrintSink(captureLine, &output);
    gmByteStream library = compileLibrary(kScript);
    machine.setCollectionEnabled(false);
    ASSERT_NE(machine.LoadLib(library), nullptr);
    EXPECT_FALSE(machine.isCollectionEnabled());
    machine.setCollectionEnabled(true);
    EXPECT_TRUE(machine.runLibrary(library));
    EXPECT_TRUE(machine.isCollectionEnabled());
}

TEST(gmScriptMachineLibrary, NestedFunctionsSurviveACollectionStepAtEveryAllocation) {
    gmScriptMachine machine;
    machine.setStressCollection(true);
    std::vector<std::string> output;
    gmByteStream library = compileLibrary(
        "global make = function() { return function(n) { return \"made\" + n; }; };\n"
        "for (i = 0; i < 50; i += 1) { s = make()(i); }\n"
        "print(s, make()(7));");
    EXPECT_TRUE(runToEnd(machine, library, output));
    EXPECT_EQ(output, std::vector<std::string>{"made49 made7 "});
    EXPECT_TRUE(logEntries(machine).empty());
}

TEST(gmScriptMachineLibrary, RunTimeErrorsOfALibraryWithLineTablesKeepTheirLines) {
    gmScriptMachine machine;
    std::vector<std::string> output;
    gmByteStream library = compileLibrary("x = 1;\ny = null;\nz = y.field;\n");
    EXPECT_TRUE(runToEnd(machine, library, output));
    const std::vector<std::string> log = logEntries(machine);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "getdot failed.");
    EXPECT_EQ(log[1], "member 'field' of null");
    EXPECT_EQ(log[2], "\nunknown(3) : ");
}

// ---- a hostile foreach iterator: the verifier passes it, the VM must stay inside the nodes ----

namespace {

// A root that fills a table with [entries] pairs, then runs one foreachnext with [iterator] pushed
// as the iterator (pushint [value], or pushnull when [pushNull]) and stores the "more" flag in the
// global "more" and the key local in the global "key".
gmByteStream foreachLibrary(int entries, int32_t value, bool pushNull = false) {
    std::vector<uint32_t> code = {op(gmOpcode::NewTable)};
    for (int i = 0; i < entries; ++i) {
        code.insert(code.end(),
                    {op(gmOpcode::Dup), op(gmOpcode::PushInt), static_cast<uint32_t>(i),
                     op(gmOpcode::PushInt), static_cast<uint32_t>(100 + i), op(gmOpcode::SetInd)});
    }
    if (pushNull)
        code.push_back(op(gmOpcode::PushNull));
    else
        code.insert(code.end(), {op(gmOpcode::PushInt), static_cast<uint32_t>(value)});
    code.insert(code.end(), {op(gmOpcode::ForeachNext), (0u << 16) | 1u, op(gmOpcode::SetGlobal), 0,
                             op(gmOpcode::GetLocal), 0, op(gmOpcode::SetGlobal), 1, op(gmOpcode::Pop2),
                             op(gmOpcode::ReturnNull)});
    return handMadeLibrary(std::move(code), 4, 2, {"more", "key"});
}

struct ForeachOutcome {
    gmValue more;
    gmValue key;
    std::vector<std::string> log;
};

ForeachOutcome runForeach(gmByteStream library) {
    gmScriptMachine machine;
    std::vector<std::string> output;
    EXPECT_TRUE(runToEnd(machine, library, output)) << machine.getErrorLog().getEntryCount();
    return {globalValue(machine, "more"), globalValue(machine, "key"), logEntries(machine)};
}

}  // namespace

TEST(gmScriptMachineLibrary, AForeachIteratorBeyondTheNodesEndsTheLoop) {
    for (int32_t iterator : {4, 64, 1000000, INT_MAX}) {
        const ForeachOutcome outcome = runForeach(foreachLibrary(3, iterator));
        EXPECT_TRUE(outcome.log.empty()) << iterator;
        ASSERT_TRUE(outcome.more.isInt()) << iterator;
        EXPECT_EQ(outcome.more.getInt(), 0) << iterator;
    }
}

TEST(gmScriptMachineLibrary, ANegativeForeachIteratorOtherThanTheStartIsFinished) {
    for (int32_t iterator : {-1, -3, -1000, INT_MIN}) {
        const ForeachOutcome outcome = runForeach(foreachLibrary(3, iterator));
        EXPECT_TRUE(outcome.log.empty()) << iterator;
        ASSERT_TRUE(outcome.more.isInt()) << iterator;
        EXPECT_EQ(outcome.more.getInt(), 0) << iterator;
    }
    const ForeachOutcome start = runForeach(foreachLibrary(3, -2));
    ASSERT_TRUE(start.more.isInt());
    EXPECT_EQ(start.more.getInt(), 1);
    EXPECT_TRUE(start.key.isInt());
}

TEST(gmScriptMachineLibrary, AForeachIteratorThatIsNotAnIntStopsTheThread) {
    const ForeachOutcome outcome = runForeach(foreachLibrary(3, 0, true));
    ASSERT_FALSE(outcome.log.empty());
    EXPECT_EQ(outcome.log[0], "foreach iterator is not int type");
    EXPECT_TRUE(outcome.more.isNull());
}

// ---- the execution watch ----

namespace {

struct Budget {
    int64_t calls = 0;
    int64_t allowed = 0;
};

bool countDown(gmScriptMachine&, void* userData) {
    Budget& budget = *static_cast<Budget*>(userData);
    return ++budget.calls <= budget.allowed;
}

}  // namespace

TEST(gmScriptMachineWatch, AHookThatSaysNoStopsAnInfiniteLoop) {
    gmScriptMachine machine;
    Budget budget{0, 1000};
    machine.setStepHook(countDown, &budget, 10);
    EXPECT_EQ(machine.runText("global n = 0;\nwhile (true) { n = n + 1; }\n"), 0);
    EXPECT_EQ(machine.getThreadCount(), 0);
    const std::vector<std::string> log = logEntries(machine);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "execution stopped by the host");
    EXPECT_EQ(budget.calls, 1001);
    EXPECT_GT(globalValue(machine, "n").getInt(), 1000);
}

TEST(gmScriptMachineWatch, RecursionWithoutLoopsTakesSteps) {
    gmScriptMachine machine;
    Budget budget{0, 100};
    machine.setStepHook(countDown, &budget, 1);
    EXPECT_EQ(machine.runText("global f = function(n) { return f(n + 1) + f(n + 2); };\nf(0);\n"), 0);
    EXPECT_EQ(budget.calls, 101);
    EXPECT_EQ(logEntries(machine).at(0), "execution stopped by the host");
}

// Fused runs that end in a jump, loop runs and table tests count the steps the plain instructions
// count: the same hook calls, fused or not, and the same results.
TEST(gmScriptMachineWatch, FusedRunsTakeTheStepsOfThePlainCode) {
    const char* script =
        "t = {}; n = 0; s = 0;\n"
        "for (i = 0; i < 50; i += 1) { t[i] = i % 2; }\n"
        "for (i = 0; i < 50; i += 1) { if (t[i] == 1) { n += 1; } if (t[i] != 0) { s += i; } }\n"
        "j = 40; while (j > 2) { j = j - 3; }\n"
        "print(n, s, j);\n";
    int64_t calls[2] = {0, 0};
    for (int fused = 0; fused < 2; ++fused) {
        gmScriptMachine machine;
        machine.setFusedRuns(fused == 1);
        std::vector<std::string> output;
        machine.setPrintSink(captureLine, &output);
        Budget budget{0, 1000000};
        machine.setStepHook(countDown, &budget, 1);
        EXPECT_EQ(machine.runText(script), 0);
        EXPECT_EQ(output, std::vector<std::string>{"25 625 1 "});
        calls[fused] = budget.calls;
    }
    EXPECT_GT(calls[0], 150);
    EXPECT_EQ(calls[1], calls[0]);
}

TEST(gmScriptMachineWatch, WithoutAHookOrWithinTheBudgetNothingChanges) {
    gmScriptMachine machine;
    std::vector<std::string> output;
    machine.setPrintSink(captureLine, &output);
    Budget budget{0, 1000000};
    machine.setStepHook(countDown, &budget, 1);
    EXPECT_EQ(machine.runText("s = 0; for (i = 0; i < 10; i += 1) { s += i; } print(s);"), 0);
    EXPECT_GT(budget.calls, 10);
    machine.setStepHook(nullptr, nullptr);
    EXPECT_EQ(machine.runText("s = 0; for (i = 0; i < 10; i += 1) { s += i; } print(s);"), 0);
    EXPECT_EQ(output, (std::vector<std::string>{"45 ", "45 "}));
    EXPECT_TRUE(logEntries(machine).empty());
}

TEST(gmScriptMachineWatch, AConcatenationPastTheStringLimitStopsTheThread) {
    gmScriptMachine machine;
    machine.setMaxStringLength(16);
    std::vector<std::string> output;
    machine.setPrintSink(captureLine, &output);
    EXPECT_EQ(machine.runText("s = \"abcdefgh\";\ns = s + s;\nprint(s);\ns = s + \"!\";\nprint(s);\n"), 0);
    EXPECT_EQ(output, std::vector<std::string>{"abcdefghabcdefgh "});
    const std::vector<std::string> log = logEntries(machine);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "string too long");
    EXPECT_EQ(log[1], "\nunknown(4) : ");
}

TEST(gmScriptMachineWatch, FormatPastTheStringLimitStopsTheThread) {
    gmScriptMachine machine;
    machine.setMaxStringLength(16);
    std::vector<std::string> output;
    machine.setPrintSink(captureLine, &output);
    EXPECT_EQ(machine.runText(
                  "s = \"abcdefgh\";\nprint(format(\"%s%s\", s, s));\nprint(format(\"%s%s!\", s, s));\n"),
              0);
    EXPECT_EQ(output, std::vector<std::string>{"abcdefghabcdefgh "});
    const std::vector<std::string> log = logEntries(machine);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "string too long");
    EXPECT_EQ(log[1], "\nunknown(3) : ");
}
