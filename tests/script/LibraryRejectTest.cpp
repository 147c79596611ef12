// Damaged and hostile compiled libraries: the verifier's checks on single functions, and files cut,
// flipped or patched, which must all be refused with "Error loading library" and never crash.
#include "script/gmBytecodeVerifier.h"
#include "script/gmLibraryLoader.h"
#include "script/gmLibraryWriter.h"
#include "script/gmOpcodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t op(gmOpcode opcode) {
    return static_cast<uint32_t>(opcode);
}

gmCompiledFunction makeFunction(std::vector<uint32_t> code, int maxStack = 4, int params = 0,
                                int locals = 0) {
    gmCompiledFunction function;
    function.id = 0;
    function.isRoot = true;
    function.code = std::move(code);
    function.maxStackDepth = maxStack;
    function.numParams = params;
    function.numLocals = locals;
    return function;
}

// The verifier's complaint about [function], empty when it passes.
std::string verifyError(const gmCompiledFunction& function, int numFunctions = 1) {
    gmBytecodeVerifier verifier;
    return verifier.verify(function, numFunctions) ? std::string() : verifier.getError();
}

std::vector<uint8_t> writeLibrary(const std::vector<gmCompiledFunction>& functions,
                                  gmLibraryOptions options = {}) {
    gmLibraryWriter writer(options);
    for (const gmCompiledFunction& function : functions) {
        writer.addFunction(gmCompiledFunction(function));
    }
    gmByteStream stream;
    writer.finish(stream);
    return stream.getBytes();
}

std::vector<uint8_t> compileLibrary(const char* text, gmLibraryOptions options = {}) {
    gmByteStream stream;
    gmStringListLog log;
    EXPECT_EQ(compileToLibrary(text, stream, log, options), 0);
    return stream.getBytes();
}

uint32_t wordAt(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t word = 0;
    std::memcpy(&word, bytes.data() + offset, 4);
    return word;
}

void setWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t word) {
    std::memcpy(bytes.data() + offset, &word, 4);
}

// Offset of the first function record's head.
size_t firstRecord(const std::vector<uint8_t>& bytes) {
    return wordAt(bytes, 16) + 4;
}

struct LoadResult {
    bool accepted = false;
    std::vector<std::string> log;
    std::string detail;
    gmLibrary library;
};

LoadResult readLibrary(const std::vector<uint8_t>& bytes) {
    gmByteStream stream(bytes);
    gmStringListLog log;
    gmLibraryLoader loader(log);
    LoadResult result;
    result.accepted = loader.read(stream, result.library);
    result.log = log.getEntries();
    result.detail = loader.getError();
    return result;
}

// Expects [bytes] refused with the one message, for the reason containing [detail].
void expectRejected(const std::vector<uint8_t>& bytes, const std::string& detail) {
    const LoadResult result = readLibrary(bytes);
    EXPECT_FALSE(result.accepted) << detail;
    EXPECT_EQ(result.log, std::vector<std::string>{"Error loading library"}) << detail;
    EXPECT_NE(result.detail.find(detail), std::string::npos)
        << "expected '" << detail << "', got '" << result.detail << "'";
    EXPECT_TRUE(result.library.functions.empty());
}

const char* const kRichScript =
    "global f = function(a, b) { local c = { a, k = b }; foreach (k and v in c) { if (v) { return k; } } };\n"
    "o = { m = function() { return this.k; }, k = \"text\" };\n"
    "for (i = 0; i < 3; i += 1) { print(f(i, o.m()) and o:m() or 1.5); }\n"
    "while (x) { if (y) { break; } continue; }\n";

}  // namespace

// ---- the verifier on single functions ----

TEST(gmBytecodeVerifier, ComputesTheDepthOfCompilerOutput) {
    const gmCompiledFunction function =
        makeFunction({op(gmOpcode::PushNull), op(gmOpcode::PushInt), 1, op(gmOpcode::Dup), op(gmOpcode::Call),
                      1, op(gmOpcode::Return)},
                     3);
    gmBytecodeVerifier verifier;
    ASSERT_TRUE(verifier.verify(function, 1)) << verifier.getError();
    EXPECT_EQ(verifier.getComputedMaxStackDepth(), 3);
}

TEST(gmBytecodeVerifier, StackReadsCoverWhatEveryInstructionRemoves) {
    for (uint32_t number = 0; number <= kMaxOpcode; ++number) {
        const gmOpcodeInfo info = gmGetOpcodeInfo(number);
        if (!info.name) {
            continue;
        }
        const int64_t reads = gmBytecodeVerifier::getStackReads(static_cast<gmOpcode>(number), 3);
        EXPECT_GE(reads, 0) << info.name;
        EXPECT_GE(reads + info.stackEffect, 0) << info.name;
    }
}

TEST(gmBytecodeVerifier, RefusesUnknownOpcodesAndMissingOperands) {
    EXPECT_EQ(verifyError(makeFunction({})), "empty code");
    EXPECT_EQ(verifyError(makeFunction({24, op(gmOpcode::ReturnNull)})), "unknown opcode 24 at 0");
    EXPECT_EQ(verifyError(makeFunction({op(gmOpcode::ReturnNull), 55})), "unknown opcode 55 at 4");
    EXPECT_EQ(verifyError(makeFunction({op(gmOpcode::ReturnNull), op(gmOpcode::PushInt)})),
              "pushint at 4 has no operand");
}

TEST(gmBytecodeVerifier, RefusesJumpsOutsideTheCodeOrIntoOperands) {
    const auto jumpTo = [](uint32_t target) {
        return makeFunction({op(gmOpcode::Jump), target, op(gmOpcode::PushInt), 7, op(gmOpcode::ReturnNull)});
    };
    EXPECT_EQ(verifyError(jumpTo(16)), "");
    EXPECT_NE(verifyError(jumpTo(20)).find("bad operand"), std::string::npos);
    EXPECT_NE(verifyError(jumpTo(17)).find("bad operand"), std::string::npos);
    EXPECT_NE(verifyError(jumpTo(12)).find("bad operand"), std::string::npos);  // pushint's operand
    EXPECT_NE(verifyError(jumpTo(0xfffffffc)).find("bad operand"), std::string::npos);
}

TEST(gmBytecodeVerifier, RefusesLocalsBeyondParametersAndLocals) {
    const auto withOperand = [](gmOpcode opcode, uint32_t operand) {
        if (opcode == gmOpcode::ForeachNext) {
            return makeFunction({op(gmOpcode::NewTable), op(gmOpcode::PushInt), 0xfffffffe, op(opcode),
                                 operand, op(gmOpcode::ReturnNull)},
                                4, 1, 1);
        }
        if (opcode == gmOpcode::SetLocal) {
            return makeFunction({op(gmOpcode::PushNull), op(opcode), operand, op(gmOpcode::ReturnNull)}, 4, 1,
                                1);
        }
        return makeFunction({op(opcode), operand, op(gmOpcode::ReturnNull)}, 4, 1, 1);
    };
    EXPECT_EQ(verifyError(withOperand(gmOpcode::GetLocal, 1)), "");
    EXPECT_NE(verifyError(withOperand(gmOpcode::GetLocal, 2)), "");
    EXPECT_EQ(verifyError(withOperand(gmOpcode::SetLocal, 0)), "");
    EXPECT_NE(verifyError(withOperand(gmOpcode::SetLocal, 0xffffffff)), "");
    EXPECT_EQ(verifyError(withOperand(gmOpcode::ForeachNext, 0x00010000)), "");
    EXPECT_NE(verifyError(withOperand(gmOpcode::ForeachNext, 0x00020001)), "");  // the key half
    EXPECT_NE(verifyError(withOperand(gmOpcode::ForeachNext, 0x00010002)), "");  // the value half
}

TEST(gmBytecodeVerifier, RefusesOperandsThatIndexNoConstantOfTheirKind) {
    gmCompiledFunction function = makeFunction({op(gmOpcode::GetGlobal), 0, op(gmOpcode::Return)});
    EXPECT_NE(verifyError(function), "");  // no constants at all
    function.constants.push_back({gmCompiledConstant::Kind::String, "x", -1});
    EXPECT_NE(verifyError(function), "");  // a string where a name belongs
    function.constants[0].kind = gmCompiledConstant::Kind::Name;
    EXPECT_EQ(verifyError(function), "");

    gmCompiledFunction pusher = makeFunction({op(gmOpcode::PushFunction), 0, op(gmOpcode::Return)});
    pusher.constants.push_back({gmCompiledConstant::Kind::Function, "", 1});
    EXPECT_EQ(verifyError(pusher, 2), "");
    EXPECT_EQ(verifyError(pusher, 1), "function id 1 out of range");
}

TEST(gmBytecodeVerifier, RefusesPathsThatDropBelowTheFrame) {
    EXPECT_NE(verifyError(makeFunction({op(gmOpcode::Pop), op(gmOpcode::ReturnNull)})).find("reads 1 values"),
              std::string::npos);
    EXPECT_NE(verifyError(makeFunction({op(gmOpcode::Return)})), "");
    EXPECT_NE(
        verifyError(makeFunction({op(gmOpcode::PushNull), op(gmOpcode::Swap), op(gmOpcode::ReturnNull)})),
        "");
    // call 1 needs this, the function and one argument
    EXPECT_NE(verifyError(makeFunction({op(gmOpcode::PushNull), op(gmOpcode::PushNull), op(gmOpcode::Call), 1,
                                        op(gmOpcode::ReturnNull)})),
              "");
    EXPECT_NE(verifyError(makeFunction(
                  {op(gmOpcode::PushNull), op(gmOpcode::Call), 0xffffffff, op(gmOpcode::ReturnNull)})),
              "");
    // the iterator and its table
    EXPECT_NE(verifyError(makeFunction(
                  {op(gmOpcode::PushNull), op(gmOpcode::ForeachNext), 0, op(gmOpcode::ReturnNull)}, 4, 1)),
              "");
}

TEST(gmBytecodeVerifier, RefusesADeclaredMaximumBelowTheComputedDepth) {
    const std::vector<uint32_t> code = {op(gmOpcode::PushNull), op(gmOpcode::PushNull),
                                        op(gmOpcode::Dup2),     op(gmOpcode::Pop2),
                                        op(gmOpcode::Pop2),     op(gmOpcode::ReturnNull)};
    EXPECT_EQ(verifyError(makeFunction(code, 4)), "");
    EXPECT_EQ(verifyError(makeFunction(code, 3)), "stack depth 4 at 8 exceeds the declared maximum 3");
}

TEST(gmBytecodeVerifier, RefusesLoopsThatGrowTheStackAndPathsOffTheEnd) {
    // top: pushnull; pushtrue; jumpiftrue top -- every turn leaves one more value
    EXPECT_NE(verifyError(makeFunction({op(gmOpcode::PushNull), op(gmOpcode::PushTrue),
                                        op(gmOpcode::JumpIfTrue), 0, op(gmOpcode::ReturnNull)},
                                       100))
                  .find("paths meet"),
              std::string::npos);
    EXPECT_NE(verifyError(makeFunction({op(gmOpcode::PushNull), op(gmOpcode::Pop)})).find("past the end"),
              std::string::npos);
    EXPECT_NE(verifyError(makeFunction({op(gmOpcode::PushTrue), op(gmOpcode::JumpIfFalse), 16,
                                        op(gmOpcode::ReturnNull), op(gmOpcode::Line)}))
                  .find("past the end"),
              std::string::npos);
    // Code no path reaches needs no depth, only valid instructions.
    EXPECT_EQ(verifyError(makeFunction({op(gmOpcode::ReturnNull), op(gmOpcode::Pop2), op(gmOpcode::Return)})),
              "");
}

TEST(gmBytecodeVerifier, RefusesCountsOutOfRange) {
    EXPECT_NE(verifyError(makeFunction({op(gmOpcode::ReturnNull)}, -1)), "");
    EXPECT_NE(verifyError(makeFunction({op(gmOpcode::ReturnNull)}, 0, -1)), "");
    EXPECT_NE(
        verifyError(makeFunction({op(gmOpcode::ReturnNull)}, 0, 0, gmBytecodeVerifier::kMaxFrameValues + 1)),
        "");
}

// ---- whole files ----

TEST(gmLibraryLoader, RefusesEveryTruncation) {
    gmLibraryOptions debug;
    debug.debug = true;
    for (const std::vector<uint8_t>& bytes :
         {compileLibrary(kRichScript), compileLibrary(kRichScript, debug)}) {
        ASSERT_TRUE(readLibrary(bytes).accepted);
        for (size_t length = 0; length < bytes.size(); ++length) {
            const LoadResult result =
                readLibrary(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(length)));
            ASSERT_FALSE(result.accepted) << length;
            ASSERT_EQ(result.log, std::vector<std::string>{"Error loading library"}) << length;
        }
    }
}

TEST(gmLibraryLoader, FlippedBytesAreRefusedOrVerified) {
    gmLibraryOptions debug;
    debug.debug = true;
    for (const std::vector<uint8_t>& original :
         {compileLibrary(kRichScript), compileLibrary(kRichScript, debug)}) {
        int refused = 0;
        for (size_t at = 0; at < original.size(); ++at) {
            for (uint8_t mask : {0x01, 0x10, 0x80, 0xff}) {
                std::vector<uint8_t> bytes = original;
                bytes[at] ^= mask;
                const LoadResult result = readLibrary(bytes);
                if (!result.accepted) {
                    ++refused;
                    ASSERT_EQ(result.log, std::vector<std::string>{"Error loading library"});
                    continue;
                }
                // What is accepted is whole: every function passes the verifier on its own.
                ASSERT_TRUE(result.log.empty());
                for (const gmCompiledFunction& function : result.library.functions) {
                    ASSERT_EQ(verifyError(function, int(result.library.functions.size())), "");
                }
            }
        }
        EXPECT_GT(refused, 0);
    }
}

TEST(gmLibraryLoader, RefusesWrongMagicAndTag) {
    std::vector<uint8_t> bytes = compileLibrary("x = 1;");
    bytes[3] = '1';
    expectRejected(bytes, "wrong magic");
    bytes = compileLibrary("x = 1;");
    bytes[firstRecord(bytes)] = 'F';
    expectRejected(bytes, "wrong function tag");
}

TEST(gmLibraryLoader, RefusesHeaderOffsetsAndCountsOutsideTheFile) {
    const std::vector<uint8_t> original = compileLibrary("x = \"s\";");
    std::vector<uint8_t> bytes = original;
    setWord(bytes, 8, uint32_t(bytes.size()));
    expectRejected(bytes, "string table outside");
    bytes = original;
    setWord(bytes, 20, 0x7fffffff);  // the string table's byte count
    expectRejected(bytes, "string table outside");
    bytes = original;
    setWord(bytes, 12, uint32_t(bytes.size() - 4));
    expectRejected(bytes, "source section outside");
    bytes = original;
    setWord(bytes, 16, 0xffffffff);
    expectRejected(bytes, "function table outside");
    bytes = original;
    setWord(bytes, wordAt(bytes, 16), 0x10000000);
    expectRejected(bytes, "exceeds the file");
    bytes = original;
    setWord(bytes, firstRecord(bytes) + 24, 0x7ffffffc);
    expectRejected(bytes, "code outside the file");
    bytes = original;
    setWord(bytes, firstRecord(bytes) + 24, 6);
    expectRejected(bytes, "not whole words");
    bytes = original;
    setWord(bytes, firstRecord(bytes) + 16, 0x80000000);  // locals
    expectRejected(bytes, "counts out of range");
}

TEST(gmLibraryLoader, RefusesAnUnterminatedStringTableAndOffsetsOutsideIt) {
    const std::vector<uint8_t> original = compileLibrary("x = \"s\";");
    std::vector<uint8_t> bytes = original;
    bytes[24 + 1] = 'z';  // the NUL after "s"
    expectRejected(bytes, "not terminated");
    bytes = original;
    setWord(bytes, firstRecord(bytes) + 28 + 4, 2);  // pushstring's offset, just past the table
    expectRejected(bytes, "string offset 2 outside the table");
}

TEST(gmLibraryLoader, RefusesBadFunctionIdsAndTwoRoots) {
    std::vector<uint8_t> bytes = compileLibrary("f = function() {};");
    setWord(bytes, firstRecord(bytes) + 4, 2);
    expectRejected(bytes, "function id 2 out of range");
    bytes = compileLibrary("f = function() {};");
    setWord(bytes, firstRecord(bytes) + 4, 1);
    expectRejected(bytes, "stored twice");
    bytes = compileLibrary("f = function() {};");
    setWord(bytes, firstRecord(bytes) + 8, 1);
    expectRejected(bytes, "two root functions");

    gmCompiledFunction pusher = makeFunction({op(gmOpcode::PushFunction), 0, op(gmOpcode::Return)});
    pusher.constants.push_back({gmCompiledConstant::Kind::Function, "", 5});
    expectRejected(writeLibrary({pusher}), "function id 5 out of range");
}

TEST(gmLibraryLoader, RefusesFunctionsThatReachThemselves) {
    gmCompiledFunction first = makeFunction({op(gmOpcode::PushFunction), 0, op(gmOpcode::Return)});
    first.constants.push_back({gmCompiledConstant::Kind::Function, "", 1});
    gmCompiledFunction second = first;
    second.id = 1;
    second.isRoot = false;
    second.constants[0].functionId = 0;
    expectRejected(writeLibrary({first, second}), "refers to itself");
    first.constants[0].functionId = 0;
    expectRejected(writeLibrary({first}), "refers to itself");
}

TEST(gmLibraryLoader, RefusesCodeTheVerifierRefuses) {
    expectRejected(writeLibrary({makeFunction({op(gmOpcode::Jump), 3, op(gmOpcode::ReturnNull)})}),
                   "bad operand");
    expectRejected(writeLibrary({makeFunction({op(gmOpcode::GetLocal), 0, op(gmOpcode::Return)})}),
                   "bad operand");
    expectRejected(writeLibrary({makeFunction({op(gmOpcode::Pop), op(gmOpcode::ReturnNull)})}),
                   "reads 1 values");
    expectRejected(writeLibrary({makeFunction({op(gmOpcode::PushNull), op(gmOpcode::Return)}, 0)}),
                   "exceeds the declared maximum");
    expectRejected(writeLibrary({makeFunction({op(gmOpcode::PushNull), op(gmOpcode::Pop)})}), "past the end");
    expectRejected(writeLibrary({makeFunction({60, op(gmOpcode::ReturnNull)})}), "unknown opcode 60");
}

TEST(gmLibraryLoader, RefusesDebugSectionsOutsideTheFile) {
    gmLibraryOptions options;
    options.lineTables = true;
    const std::vector<uint8_t> original = compileLibrary("x = 1;\ny = 2;", options);
    ASSERT_TRUE(readLibrary(original).accepted);
    const size_t record = firstRecord(original);
    const size_t debug = record + 28 + wordAt(original, record + 24);
    std::vector<uint8_t> bytes = original;
    setWord(bytes, debug, 0x1000);
    expectRejected(bytes, "debug name outside");
    bytes = original;
    setWord(bytes, debug + 4, 0x40000000);
    expectRejected(bytes, "line table outside");
    bytes = original;
    const size_t localNames = debug + 8 + 8 * wordAt(original, debug + 4);
    setWord(bytes, localNames, 0x1000);
    expectRejected(bytes, "local name outside");
}

TEST(gmLibraryLoader, ALibraryWithoutARootLoadsAndHasNothingToRun) {
    gmCompiledFunction function = makeFunction({op(gmOpcode::ReturnNull)});
    function.isRoot = false;
    const std::vector<uint8_t> bytes = writeLibrary({function});
    gmByteStream stream(bytes);
    gmStringListLog log;
    gmFunctionCollector collector;
    int rootId = 7;
    ASSERT_TRUE(gmLibraryLoader(log).load(stream, collector, rootId));
    EXPECT_EQ(rootId, -1);
    EXPECT_EQ(collector.getFunctions().size(), 1u);
    EXPECT_TRUE(log.getEntries().empty());
}

TEST(gmLibraryLoader, ARefusedFileHandsOverNothingAndRestoresCollection) {
    std::vector<uint8_t> bytes = compileLibrary("f = function() {};");
    bytes.pop_back();
    gmByteStream stream(bytes);
    gmStringListLog log;
    gmFunctionCollector collector;
    int rootId = 7;
    EXPECT_FALSE(gmLibraryLoader(log).load(stream, collector, rootId));
    EXPECT_EQ(rootId, -1);
    EXPECT_TRUE(collector.getFunctions().empty());
    EXPECT_TRUE(collector.isCollectionEnabled());
    EXPECT_EQ(log.getEntries(), std::vector<std::string>{"Error loading library"});
}
