// Compiled libraries: the byte stream, the file the writer produces, and round trips of compiled
// records through writer and loader (records, listings, ids handed to the hooks).
#include "script/gmByteStream.h"
#include "script/gmCodeGen.h"
#include "script/gmDisassembler.h"
#include "script/gmLibraryLoader.h"
#include "script/gmLibraryWriter.h"
#include "script/gmOpcodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

uint32_t wordAt(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t word = 0;
    std::memcpy(&word, bytes.data() + offset, 4);  // the test hosts are little-endian
    return word;
}

std::vector<gmCompiledFunction> compileRecords(const std::string& text, gmCompileOptions options = {}) {
    gmFunctionCollector collector;
    gmStringListLog log;
    EXPECT_EQ(gmCompileText(text.c_str(), collector, log, options), 0)
        << text << "\n"
        << (log.getEntries().empty() ? "" : log.getEntries()[0]);
    return collector.getFunctions();
}

// Compiles [text] to a library and reads it back; the test fails when either step fails.
gmLibrary roundTrip(const std::string& text, const gmLibraryOptions& options = {}) {
    gmByteStream stream;
    gmStringListLog log;
    EXPECT_EQ(compileToLibrary(text.c_str(), stream, log, options), 0) << text;
    gmLibraryLoader loader(log);
    gmLibrary library;
    EXPECT_TRUE(loader.read(stream, library)) << text << "\n" << loader.getError();
    EXPECT_TRUE(log.getEntries().empty());
    return library;
}

// Compares the loaded functions with the compiled ones, which the file lists in completion order.
// Line tables travel only with the debug section.
void expectSameRecords(const std::vector<gmCompiledFunction>& compiled, const gmLibrary& library,
                       bool withLineTables, const std::string& text) {
    ASSERT_EQ(library.functions.size(), compiled.size()) << text;
    ASSERT_FALSE(compiled.empty()) << text;
    for (const gmCompiledFunction& original : compiled) {
        const gmCompiledFunction& loaded = library.functions[static_cast<size_t>(original.id)];
        EXPECT_EQ(loaded.id, original.id) << text;
        EXPECT_EQ(loaded.isRoot, original.isRoot) << text;
        EXPECT_EQ(loaded.code, original.code) << text;
        EXPECT_EQ(loaded.numParams, original.numParams) << text;
        EXPECT_EQ(loaded.numLocals, original.numLocals) << text;
        EXPECT_EQ(loaded.maxStackDepth, original.maxStackDepth) << text;
        EXPECT_EQ(loaded.constants, original.constants) << text;
        EXPECT_EQ(loaded.debugName, original.debugName) << text;
        EXPECT_EQ(loaded.localNames, original.localNames) << text;
        if (withLineTables) {
            EXPECT_EQ(loaded.lineTable, original.lineTable) << text;
        } else {
            EXPECT_TRUE(loaded.lineTable.empty()) << text;
        }
    }
    const int rootId = compiled.back().id;
    EXPECT_EQ(library.rootId, rootId);
    EXPECT_EQ(gmDisassembleAll(library.functions, library.rootId), gmDisassembleAll(compiled, rootId))
        << text;
}

// One source per construct of the language.
const char* const kConstructs[] = {
    ";",
    "x = 5; print(x); global g = 7; g = x;",
    "local a; global a; a = 1; local a; a = 2; member m; m = a; .n = m;",
    "o.f(1); o:f(2); .m(); member n; n(); g(3, 4);",
    "t = { \"a\", k = 3, \"b\" }; t[1] = t.k; u = t[g()];",
    "t[g()] += 1; a.b -= 2; c *= 3;",
    "x = a + b - c * d / e % f | g ^ h & i << j >> k; y = -a; z = ~b; w = !c; v = +d;",
    "x = a < b; x = a > b; x = a <= b; x = a >= b; x = a == b; x = a != b;",
    "x = a and b or c; if (a and (b or c)) { d(); }",
    "if (a) { b(); } else if (c) { d(); } else { e(); }",
    "while (a) { if (b) { break; } if (c) { continue; } d(); }",
    "dowhile (a) { if (b) { continue; } if (c) { break; } }",
    "for (i = 0; i < 10; i += 1) { if (i == 3) { continue; } if (i == 5) { break; } }",
    "for (;;) { break; }",
    "foreach (v in t) { print(v); } foreach (k and v in t) { if (k) { break; } continue; }",
    "foreach (k and v in t) { foreach (w in v) { if (w) { return w; } } }",
    "f = function(a, b) { local c = a + b; return c; }; g = function() { return function(x) { return x; }; "
    "};",
    "global f = function(n) { if (n < 2) { return 1; } return n * f(n - 1); }; print(f(5));",
    "s = \"text\"; t = \"text\"; o.text = s; print(\"with \\\"quotes\\\" and \\n\");",
    "x = 1.5; y = -2.25e3; z = 0; w = 1; n = null; b = true; c = false; h = 0x7fffffff;",
    "o = { f = function() { return this.v; }, v = 3 }; print(o.f()); print(this);",
    "member m = function() { .x = 1; }; local h = function(a, b, c) { return a; };",
    "a = function() { return; }; return 1;",
};

// Random programs that compile: nested statements and expressions over a few names.
class ProgramGenerator {
  public:
    explicit ProgramGenerator(unsigned seed) : random_(seed) {}

    std::string program() {
        std::string text;
        const int count = 1 + pick(6);
        for (int i = 0; i < count; ++i) {
            text += statement(0, false);
        }
        return text;
    }

  private:
    int pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
    std::string name() {
        static const char* const names[] = {"a", "b", "c", "t", "g", ".m", "print"};
        return names[pick(7)];
    }

    std::string expression(int depth) {
        if (depth > 3) {
            return pick(2) ? name() : std::to_string(pick(100));
        }
        switch (pick(12)) {
            case 0:
                return std::to_string(pick(1000) - 500);
            case 1:
                return "\"s" + std::to_string(pick(4)) + "\"";
            case 2:
                return "1.5";
            case 3:
                return expression(depth + 1) + " + " + expression(depth + 1);
            case 4:
                return "(" + expression(depth + 1) + " and " + expression(depth + 1) + ")";
            case 5:
                return "(" + expression(depth + 1) + " or " + expression(depth + 1) + ")";
            case 6:
                return name() + "(" + expression(depth + 1) + ", " + expression(depth + 1) + ")";
            case 7:
                return "{ " + expression(depth + 1) + ", k = " + expression(depth + 1) + " }";
            case 8:
                return "function(p, q) { " + statement(depth + 1, false) + " return p; }";
            case 9:
                return name() + ".x" + std::to_string(pick(3));
            case 10:
                return name() + "[" + expression(depth + 1) + "]";
            default:
                return name();
        }
    }

    std::string statement(int depth, bool inLoop) {
        if (depth > 3) {
            return name() + " = " + expression(depth) + ";\n";
        }
        switch (pick(11)) {
            case 0:
                return "if (" + expression(depth) + ") { " + statement(depth + 1, inLoop) + "} else { " +
                       statement(depth + 1, inLoop) + "}\n";
            case 1:
                return "while (" + expression(depth) + ") { " + statement(depth + 1, true) + "}\n";
            case 2:
                return "for (a = 0; a < 3; a += 1) { " + statement(depth + 1, true) + "}\n";
            case 3:
                return "foreach (k and v in " + expression(depth) + ") { " + statement(depth + 1, true) +
                       "}\n";
            case 4:
                return "dowhile (" + expression(depth) + ") { " + statement(depth + 1, true) + "}\n";
            case 5:
                return inLoop ? (pick(2) ? "break;\n" : "continue;\n")
                              : "return " + expression(depth) + ";\n";
            case 6:
                return "t[" + expression(depth) + "] = " + expression(depth) + ";\n";
            case 7:
                return expression(depth) + ";\n";
            case 8:
                return "local l" + std::to_string(pick(3)) + " = " + expression(depth) + ";\n";
            default:
                return name() + " = " + expression(depth) + ";\n";
        }
    }

    std::mt19937 random_;
};

// Records what the loader hands over and whether collection was off at that moment.
class RecordingHooks final : public gmCompileHooks {
  public:
    int allocFunctionId() override { return nextId_++; }
    void addFunction(gmCompiledFunction&& function) override {
        collectionOffAtEveryHandOver_ = collectionOffAtEveryHandOver_ && !collectionEnabled_;
        functions.push_back(std::move(function));
    }
    bool setCollectionEnabled(bool enabled) override {
        bool previous = collectionEnabled_;
        collectionEnabled_ = enabled;
        return previous;
    }

    std::vector<gmCompiledFunction> functions;
    int nextId_ = 100;  // ids already in use by the host
    bool collectionEnabled_ = true;
    bool collectionOffAtEveryHandOver_ = true;
};

}  // namespace

TEST(gmByteStream, WordsAreLittleEndianAndWritesGrowTheBuffer) {
    gmByteStream stream;
    stream.writeWord(0x04030201u);
    stream.write("xy", 2);
    EXPECT_EQ(stream.getBytes(), (std::vector<uint8_t>{1, 2, 3, 4, 'x', 'y'}));
    ASSERT_TRUE(stream.seek(4));
    stream.writeWord(0xa0b0c0d0u);  // overwrites two bytes, appends two
    EXPECT_EQ(stream.getSize(), 8u);
    EXPECT_EQ(stream.tell(), 8u);
    stream.setByteSwap(true);
    stream.writeWord(0x04030201u);
    EXPECT_EQ(std::vector<uint8_t>(stream.getBytes().begin() + 8, stream.getBytes().end()),
              (std::vector<uint8_t>{4, 3, 2, 1}));
}

TEST(gmByteStream, ReadsAreBoundedAndReportShortReads) {
    gmByteStream stream(std::vector<uint8_t>{1, 0, 0, 0, 7, 8});
    uint32_t word = 99;
    ASSERT_TRUE(stream.readWord(word));
    EXPECT_EQ(word, 1u);
    EXPECT_FALSE(stream.readWord(word));
    EXPECT_EQ(word, 1u);
    EXPECT_EQ(stream.tell(), 6u);
    ASSERT_TRUE(stream.seek(5));
    char bytes[4] = {};
    EXPECT_EQ(stream.read(bytes, sizeof(bytes)), 1u);
    EXPECT_EQ(bytes[0], 8);
    EXPECT_FALSE(stream.seek(7));
    EXPECT_EQ(stream.tell(), 6u);
    EXPECT_TRUE(stream.seek(6));
    EXPECT_EQ(stream.getRemaining(), 0u);
}

TEST(gmLibraryWriter, WritesHeaderStringTableAndFunctionsInCompletionOrder) {
    gmByteStream stream;
    gmStringListLog log;
    ASSERT_EQ(compileToLibrary("o.a = \"a\"; f = function() { return \"b\"; };", stream, log), 0);
    const std::vector<uint8_t>& bytes = stream.getBytes();
    ASSERT_GE(bytes.size(), 20u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "gml0");
    EXPECT_EQ(wordAt(bytes, 4), 0u);   // no debug information
    EXPECT_EQ(wordAt(bytes, 8), 20u);  // the string table follows the header
    EXPECT_EQ(wordAt(bytes, 12), 0u);  // no source section

    // The name a and the string "a" share one entry; "o" comes first, as the root uses it first.
    // The nested function finished first, so its string "b" is met first.
    EXPECT_EQ(wordAt(bytes, 20), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 24, 6), std::string("b\0o\0a\0", 6));
    const uint32_t functionTable = wordAt(bytes, 16);
    EXPECT_EQ(functionTable, 30u);
    EXPECT_EQ(wordAt(bytes, functionTable), 2u);

    // The nested function (id 0) comes first, unflagged; the root (id 1) last, flagged.
    size_t record = functionTable + 4;
    EXPECT_EQ(
        std::string(bytes.begin() + static_cast<long>(record), bytes.begin() + static_cast<long>(record) + 4),
        "func");
    EXPECT_EQ(wordAt(bytes, record + 4), 0u);
    EXPECT_EQ(wordAt(bytes, record + 8), 0u);
    // pushstring "b" is stored as the string's offset 0
    EXPECT_EQ(wordAt(bytes, record + 28), static_cast<uint32_t>(gmOpcode::PushString));
    EXPECT_EQ(wordAt(bytes, record + 32), 0u);
    record += 28 + wordAt(bytes, record + 24);
    EXPECT_EQ(wordAt(bytes, record + 4), 1u);
    EXPECT_EQ(wordAt(bytes, record + 8), 1u);
    EXPECT_EQ(record + 28 + wordAt(bytes, record + 24), bytes.size());
    // getglobal "o" (offset 2), pushstring "a" (offset 4), setdot "a" (offset 4), pushfunction 0
    const std::vector<uint32_t> expected = {
        static_cast<uint32_t>(gmOpcode::GetGlobal), 2, static_cast<uint32_t>(gmOpcode::PushString),   4,
        static_cast<uint32_t>(gmOpcode::SetDot),    4, static_cast<uint32_t>(gmOpcode::PushFunction), 0};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(wordAt(bytes, record + 28 + 4 * i), expected[i]) << i;
    }
}

TEST(gmLibraryWriter, CompileErrorsAreCountedAndLogged) {
    gmByteStream stream;
    gmStringListLog log;
    EXPECT_EQ(compileToLibrary("break;", stream, log), 1);
    ASSERT_EQ(log.getEntries().size(), 1u);
    EXPECT_EQ(log.getEntries()[0], "error (1) illegal break statement");
}

TEST(gmLibraryWriter, DebugInformationCarriesNamesLinesAndTheSource) {
    const char* text = "f = function(a, b) {\n local c = a;\n return c; };\nforeach (v in t) { f(v); }";
    gmCompileOptions debug;
    debug.debug = true;
    gmLibraryOptions options;
    options.debug = true;
    const gmLibrary library = roundTrip(text, options);
    EXPECT_TRUE(library.hasDebugInfo);
    EXPECT_EQ(library.sourceText, text);
    expectSameRecords(compileRecords(text, debug), library, true, text);
    EXPECT_EQ(library.functions[0].localNames, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(gmLibraryWriter, ByteSwappedFilesAreNotReadAsLibraries) {
    gmByteStream stream;
    gmStringListLog log;
    gmLibraryOptions options;
    options.byteSwap = true;
    ASSERT_EQ(compileToLibrary("x = 1;", stream, log, options), 0);
    EXPECT_EQ(std::string(stream.getBytes().begin(), stream.getBytes().begin() + 4), "0lmg");
    gmLibrary library;
    EXPECT_FALSE(gmLibraryLoader(log).read(stream, library));
}

TEST(gmLibraryRoundTrip, EveryConstructLoadsAsTheCompiledRecords) {
    for (const char* text : kConstructs) {
        expectSameRecords(compileRecords(text), roundTrip(text), false, text);
    }
}

TEST(gmLibraryRoundTrip, LineTablesTravelInTheDebugSectionWhenAsked) {
    gmLibraryOptions options;
    options.lineTables = true;
    // With the line tables go the names that run-time errors report.
    gmCompileOptions names;
    names.names = true;
    for (const char* text : kConstructs) {
        const gmLibrary library = roundTrip(text, options);
        EXPECT_TRUE(library.hasDebugInfo);
        EXPECT_TRUE(library.sourceText.empty());
        expectSameRecords(compileRecords(text, names), library, true, text);
    }
}

TEST(gmLibraryRoundTrip, GeneratedProgramsAlwaysPassTheVerifierAndRoundTrip) {
    ProgramGenerator generator(20240601);
    for (int i = 0; i < 400; ++i) {
        const std::string text = generator.program();
        const std::vector<gmCompiledFunction> compiled = compileRecords(text);
        if (compiled.empty()) {
            return;  // the generator produced something that does not compile: already reported
        }
        expectSameRecords(compiled, roundTrip(text), false, text);
        if (HasFailure()) {
            return;
        }
    }
}

TEST(gmLibraryLoader, HandsOverWithHostIdsNestedFirstAndCollectionOff) {
    const char* text = "a = function() { return function() {}; }; b = function() {};";
    gmByteStream stream;
    gmStringListLog log;
    ASSERT_EQ(compileToLibrary(text, stream, log), 0);
    RecordingHooks hooks;
    int rootId = -1;
    ASSERT_TRUE(gmLibraryLoader(log).load(stream, hooks, rootId));
    EXPECT_TRUE(hooks.collectionOffAtEveryHandOver_);
    EXPECT_TRUE(hooks.collectionEnabled_);  // restored
    ASSERT_EQ(hooks.functions.size(), 4u);
    EXPECT_EQ(rootId, hooks.functions.back().id);
    EXPECT_TRUE(hooks.functions.back().isRoot);
    // Every function refers only to functions handed over before it, by their new ids.
    std::vector<int> seen;
    for (const gmCompiledFunction& function : hooks.functions) {
        EXPECT_GE(function.id, 100);
        for (const gmCompiledConstant& constant : function.constants) {
            if (constant.kind == gmCompiledConstant::Kind::Function) {
                EXPECT_NE(std::find(seen.begin(), seen.end(), constant.functionId), seen.end());
            }
        }
        seen.push_back(function.id);
    }
    EXPECT_EQ(gmDisassembleAll(hooks.functions, rootId).find("function 0"), std::string::npos);
}

TEST(gmLibraryLoader, AcceptsRecordsInAnyOrder) {
    const char* text = "a = function() { return function() { return 1; }; }; b = function(x) { return x; };";
    std::vector<gmCompiledFunction> compiled = compileRecords(text);
    gmLibraryWriter writer;
    for (auto it = compiled.rbegin(); it != compiled.rend(); ++it) {
        writer.addFunction(gmCompiledFunction(*it));
    }
    gmByteStream stream;
    writer.finish(stream);
    gmStringListLog log;
    gmLibrary library;
    ASSERT_TRUE(gmLibraryLoader(log).read(stream, library));
    expectSameRecords(compiled, library, false, text);
    // The root comes last in the hand-over order, after everything it refers to.
    EXPECT_EQ(library.handOverOrder.back(), library.rootId);
}
