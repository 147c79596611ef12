// Compiler: instruction sequences of the language's constructs (compared as listings), variable
// resolution, calls and their this, loops, the line table, hooks and compile errors.
#include "script/gmCodeGen.h"
#include "script/gmDisassembler.h"
#include "script/gmOpcodes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Compiled {
    int errors = 0;
    gmFunctionCollector functions;
    gmStringListLog log;
};

void compile(const char* text, Compiled& out, gmCompileOptions options = {}) {
    out.errors = gmCompileText(text, out.functions, out.log, options);
}

// The listing of the root and its nested functions, or the log when compiling failed.
std::string listing(const char* text, gmCompileOptions options = {}) {
    Compiled compiled;
    compile(text, compiled, options);
    if (compiled.errors != 0) {
        std::string log;
        for (const std::string& entry : compiled.log.getEntries()) {
            log += entry + "\n";
        }
        return log;
    }
    return gmDisassembleAll(compiled.functions.getFunctions(), compiled.functions.getRoot()->id);
}

}  // namespace

TEST(gmCodeGen, UndeclaredAssignmentMakesALocalAndUndeclaredReadIsGlobal) {
    EXPECT_EQ(listing("print(x); x = 5; print(x); global g = 7; g = x;"),
              "function 0 root (params 0, locals 1, stack 3)\n"
              "   0  pushnull\n"
              "   4  getglobal \"print\"\n"
              "  12  getglobal \"x\"\n"
              "  20  call 1\n"
              "  28  pop\n"
              "  32  pushint 5\n"
              "  40  setlocal 0\n"
              "  48  pushnull\n"
              "  52  getglobal \"print\"\n"
              "  60  getlocal 0\n"
              "  68  call 1\n"
              "  76  pop\n"
              "  80  pushint 7\n"
              "  88  setglobal \"g\"\n"
              "  96  getlocal 0\n"
              " 104  setglobal \"g\"\n"
              " 112  returnnull\n");
}

TEST(gmCodeGen, EmptyTextCompilesToARootThatReturnsNull) {
    EXPECT_EQ(listing(" // nothing\n;"),
              "function 0 root (params 0, locals 0, stack 0)\n"
              "   0  returnnull\n");
}

TEST(gmCodeGen, LaterDeclarationsChangeTheScope) {
    EXPECT_EQ(listing("local a; global a; a = 1; local a; a = 2; member m; m = a; .n = m;"),
              "function 0 root (params 0, locals 1, stack 1)\n"
              "   0  pushtrue\n"
              "   4  setglobal \"a\"\n"
              "  12  pushint 2\n"
              "  20  setlocal 0\n"
              "  28  getlocal 0\n"
              "  36  setthismember \"m\"\n"
              "  44  getthismember \"m\"\n"
              "  52  setthismember \"n\"\n"
              "  60  returnnull\n");
}

TEST(gmCodeGen, CallsPassTheirThisFirst) {
    EXPECT_EQ(listing("o.f(1); o:f(2); .m(); member n; n(); g(3, 4);"),
              "function 0 root (params 0, locals 0, stack 4)\n"
              "   0  getglobal \"o\"\n"
              "   8  dup\n"
              "  12  getdot \"f\"\n"
              "  20  pushtrue\n"
              "  24  call 1\n"
              "  32  pop\n"
              "  36  getglobal \"o\"\n"
              "  44  getglobal \"f\"\n"
              "  52  pushint 2\n"
              "  60  call 1\n"
              "  68  pop\n"
              "  72  pushthis\n"
              "  76  getthismember \"m\"\n"
              "  84  call 0\n"
              "  92  pop\n"
              "  96  pushthis\n"
              " 100  getthismember \"n\"\n"
              " 108  call 0\n"
              " 116  pop\n"
              " 120  pushnull\n"
              " 124  getglobal \"g\"\n"
              " 132  pushint 3\n"
              " 140  pushint 4\n"
              " 148  call 2\n"
              " 156  pop\n"
              " 160  returnnull\n");
}

TEST(gmCodeGen, TableConstructorCountsPositionalFieldsOnly) {
    EXPECT_EQ(listing("t = { \"a\", k = 3, \"b\" };"),
              "function 0 root (params 0, locals 1, stack 4)\n"
              "   0  newtable\n"
              "   4  dup\n"
              "   8  pushint 0\n"
              "  16  pushstring \"a\"\n"
              "  24  setind\n"
              "  28  dup\n"
              "  32  pushint 3\n"
              "  40  setdot \"k\"\n"
              "  48  dup\n"
              "  52  pushint 1\n"
              "  60  pushstring \"b\"\n"
              "  68  setind\n"
              "  72  setlocal 0\n"
              "  80  returnnull\n");
}

TEST(gmCodeGen, CompoundAssignmentEvaluatesTheTargetTwice) {
    EXPECT_EQ(listing("t[g()] += 1; o.x -= 2;"),
              "function 0 root (params 0, locals 0, stack 5)\n"
              "   0  getglobal \"t\"\n"
              "   8  pushnull\n"
              "  12  getglobal \"g\"\n"
              "  20  call 0\n"
              "  28  getglobal \"t\"\n"
              "  36  pushnull\n"
              "  40  getglobal \"g\"\n"
              "  48  call 0\n"
              "  56  getind\n"
              "  60  pushtrue\n"
              "  64  add\n"
              "  68  setind\n"
              "  72  getglobal \"o\"\n"
              "  80  getglobal \"o\"\n"
              "  88  getdot \"x\"\n"
              "  96  pushint 2\n"
              " 104  sub\n"
              " 108  setdot \"x\"\n"
              " 116  returnnull\n");
}

TEST(gmCodeGen, OperatorsMapToTheirInstructions) {
    EXPECT_EQ(listing("return -a * b / c % d + e - f << g >> h < i > j <= k >= l == m != n & o ^ p | ~!+q;"),
              "function 0 root (params 0, locals 0, stack 2)\n"
              "   0  getglobal \"a\"\n"
              "   8  neg\n"
              "  12  getglobal \"b\"\n"
              "  20  mul\n"
              "  24  getglobal \"c\"\n"
              "  32  div\n"
              "  36  getglobal \"d\"\n"
              "  44  mod\n"
              "  48  getglobal \"e\"\n"
              "  56  add\n"
              "  60  getglobal \"f\"\n"
              "  68  sub\n"
              "  72  getglobal \"g\"\n"
              "  80  shiftleft\n"
              "  84  getglobal \"h\"\n"
              "  92  shiftright\n"
              "  96  getglobal \"i\"\n"
              " 104  lt\n"
              " 108  getglobal \"j\"\n"
              " 116  gt\n"
              " 120  getglobal \"k\"\n"
              " 128  lte\n"
              " 132  getglobal \"l\"\n"
              " 140  gte\n"
              " 144  getglobal \"m\"\n"
              " 152  eq\n"
              " 156  getglobal \"n\"\n"
              " 164  neq\n"
              " 168  getglobal \"o\"\n"
              " 176  bitand\n"
              " 180  getglobal \"p\"\n"
              " 188  bitxor\n"
              " 192  getglobal \"q\"\n"
              " 200  pos\n"
              " 204  not\n"
              " 208  bitinv\n"
              " 212  bitor\n"
              " 216  return\n"
              " 220  returnnull\n");
}

TEST(gmCodeGen, AndOrShortCircuitKeepingTheDecidingValue) {
    EXPECT_EQ(listing("return a and b or c[0];"),
              "function 0 root (params 0, locals 0, stack 2)\n"
              "   0  getglobal \"a\"\n"
              "   8  jumpiffalsekeep 28\n"
              "  16  pop\n"
              "  20  getglobal \"b\"\n"
              "  28  jumpiftruekeep 56\n"
              "  36  pop\n"
              "  40  getglobal \"c\"\n"
              "  48  pushfalse\n"
              "  52  getind\n"
              "  56  return\n"
              "  60  returnnull\n");
}

TEST(gmCodeGen, IfElseChains) {
    EXPECT_EQ(listing("if (a) { b = 1; } else if (c) { b = 2; } else { b = 3; } if (d) { }"),
              "function 0 root (params 0, locals 1, stack 1)\n"
              "   0  getglobal \"a\"\n"
              "   8  jumpiffalse 36\n"
              "  16  pushtrue\n"
              "  20  setlocal 0\n"
              "  28  jump 92\n"
              "  36  getglobal \"c\"\n"
              "  44  jumpiffalse 76\n"
              "  52  pushint 2\n"
              "  60  setlocal 0\n"
              "  68  jump 92\n"
              "  76  pushint 3\n"
              "  84  setlocal 0\n"
              "  92  getglobal \"d\"\n"
              " 100  jumpiffalse 108\n"
              " 108  returnnull\n");
}

TEST(gmCodeGen, WhileBreakAndContinue) {
    EXPECT_EQ(listing("while (a) { if (b) { break; } continue; }"),
              "function 0 root (params 0, locals 0, stack 1)\n"
              "   0  getglobal \"a\"\n"
              "   8  jumpiffalse 56\n"
              "  16  getglobal \"b\"\n"
              "  24  jumpiffalse 40\n"
              "  32  jump 56\n"
              "  40  jump 0\n"
              "  48  jump 0\n"
              "  56  returnnull\n");
}

TEST(gmCodeGen, DoWhileRunsTheBodyFirstAndContinuesAtTheCondition) {
    EXPECT_EQ(listing("dowhile (false) { continue; break; }"),
              "function 0 root (params 0, locals 0, stack 1)\n"
              "   0  jump 16\n"
              "   8  jump 28\n"
              "  16  pushfalse\n"
              "  20  jumpiftrue 0\n"
              "  28  returnnull\n");
}

TEST(gmCodeGen, ForContinuesAtTheIncrement) {
    EXPECT_EQ(listing("for (i = 0; i < 3; i += 1) { continue; } for (;;) { break; }"),
              "function 0 root (params 0, locals 1, stack 2)\n"
              "   0  pushfalse\n"
              "   4  setlocal 0\n"
              "  12  getlocal 0\n"
              "  20  pushint 3\n"
              "  28  lt\n"
              "  32  jumpiffalse 80\n"
              "  40  jump 48\n"
              "  48  getlocal 0\n"
              "  56  pushtrue\n"
              "  60  add\n"
              "  64  setlocal 0\n"
              "  72  jump 12\n"
              "  80  jump 96\n"
              "  88  jump 80\n"
              "  96  returnnull\n");
}

TEST(gmCodeGen, ForeachDeclaresItsNamesAsLocals) {
    EXPECT_EQ(listing("foreach (k and v in t) { break; } foreach (v in t) { continue; }"),
              "function 0 root (params 0, locals 3, stack 3)\n"
              "   0  getglobal \"t\"\n"
              "   8  pushint -2\n"
              "  16  foreachnext key 0, value 1\n"
              "  24  jumpiffalse 48\n"
              "  32  jump 48\n"
              "  40  jump 16\n"
              "  48  pop2\n"
              "  52  getglobal \"t\"\n"
              "  60  pushint -2\n"
              "  68  foreachnext key 2, value 1\n"
              "  76  jumpiffalse 100\n"
              "  84  jump 68\n"
              "  92  jump 68\n"
              " 100  pop2\n"
              " 104  returnnull\n");
}

TEST(gmCodeGen, NestedFunctionsHaveTheirOwnLocalsAndIds) {
    EXPECT_EQ(listing("x = 1; f = function(a, b = 3) { local z; return a + z + x; }; g = function() { };"),
              "function 2 root (params 0, locals 3, stack 1)\n"
              "   0  pushtrue\n"
              "   4  setlocal 0\n"
              "  12  pushfunction function 0\n"
              "  20  setlocal 1\n"
              "  28  pushfunction function 1\n"
              "  36  setlocal 2\n"
              "  44  returnnull\n"
              "\n"
              "function 0 (params 2, locals 1, stack 2)\n"
              "   0  getlocal 0\n"
              "   8  getlocal 2\n"
              "  16  add\n"
              "  20  getglobal \"x\"\n"
              "  28  add\n"
              "  32  return\n"
              "  36  returnnull\n"
              "\n"
              "function 1 (params 0, locals 0, stack 0)\n"
              "   0  returnnull\n");
}

TEST(gmCodeGen, FunctionsAreHandedOverInnermostFirstWithCollectionOff) {
    class RecordingHooks final : public gmCompileHooks {
      public:
        int allocFunctionId() override { return nextId++; }
        void addFunction(gmCompiledFunction&& function) override {
            order.push_back(function.id);
            collectionOffWhenAdded = collectionOffWhenAdded && !collectionEnabled;
        }
        bool setCollectionEnabled(bool enabled) override {
            const bool previous = collectionEnabled;
            collectionEnabled = enabled;
            return previous;
        }
        int nextId = 10;
        std::vector<int> order;
        bool collectionEnabled = true;
        bool collectionOffWhenAdded = true;
    } hooks;
    gmStringListLog log;
    ASSERT_EQ(gmCompileText("f = function() { g = function() { }; }; h = function() { };", hooks, log), 0);
    EXPECT_EQ(hooks.order, (std::vector<int>{11, 10, 12, 13}));
    EXPECT_TRUE(hooks.collectionOffWhenAdded);
    EXPECT_TRUE(hooks.collectionEnabled);
}

TEST(gmCodeGen, ConstantsAreSharedWithinAFunctionAndKeptByKind) {
    Compiled compiled;
    compile("x.a = \"a\"; y = a; z = \"a\"; w = function() { return \"a\"; };", compiled);
    ASSERT_EQ(compiled.errors, 0);
    const gmCompiledFunction* root = compiled.functions.getRoot();
    ASSERT_NE(root, nullptr);
    using Kind = gmCompiledConstant::Kind;
    EXPECT_EQ(
        root->constants,
        (std::vector<gmCompiledConstant>{
            {Kind::Name, "x", -1}, {Kind::String, "a", -1}, {Kind::Name, "a", -1}, {Kind::Function, "", 0}}));
}

TEST(gmCodeGen, LineTableMapsStatementsToTheirLines) {
    Compiled compiled;
    compile("a = 1;\n\nb = 2; c = 3;\nwhile (a) {\n  a = 0;\n}\n", compiled);
    ASSERT_EQ(compiled.errors, 0);
    const gmCompiledFunction* root = compiled.functions.getRoot();
    EXPECT_EQ(root->lineTable, (std::vector<gmLineEntry>{{0, 1}, {12, 3}, {44, 4}, {60, 5}}));
    EXPECT_EQ(root->getLineAt(0), 1);
    EXPECT_EQ(root->getLineAt(40), 3);
    EXPECT_EQ(root->getLineAt(68), 5);
    EXPECT_TRUE(root->debugName.empty());
}

TEST(gmCodeGen, DebugInformationAddsLineInstructionsAndNames) {
    gmCompileOptions debug;
    debug.debug = true;
    EXPECT_EQ(listing("x = 1;\nt = { f = function(a) {\n return a; } };\n.m = function() { };", debug),
              "function 2 root \"__main\" (params 0, locals 2, stack 3)\n"
              "   0  line\n"
              "   4  pushtrue\n"
              "   8  setlocal 0\n"
              "  16  line\n"
              "  20  newtable\n"
              "  24  dup\n"
              "  28  pushfunction function 0\n"
              "  36  setdot \"f\"\n"
              "  44  setlocal 1\n"
              "  52  line\n"
              "  56  pushfunction function 1\n"
              "  64  setthismember \"m\"\n"
              "  72  returnnull\n"
              "\n"
              "function 0 \"t.f\" (params 1, locals 0, stack 1)\n"
              "   0  line\n"
              "   4  getlocal 0\n"
              "  12  return\n"
              "  16  returnnull\n"
              "\n"
              "function 1 \"m\" (params 0, locals 0, stack 0)\n"
              "   0  returnnull\n");
    Compiled compiled;
    compile("local a; b = 1; foreach (v in a) { }", compiled, debug);
    EXPECT_EQ(compiled.functions.getRoot()->localNames, (std::vector<std::string>{"a", "b", "__t1", "v"}));
}

TEST(gmCodeGen, ByteSwappedCodeForTheOtherByteOrder) {
    Compiled compiled;
    gmCompileOptions swapped;
    swapped.byteSwap = true;
    compile("x = 300;", compiled, swapped);
    ASSERT_EQ(compiled.errors, 0);
    EXPECT_EQ(compiled.functions.getRoot()->code,
              (std::vector<uint32_t>{0x29000000u, 0x2c010000u, 0x32000000u, 0x00000000u, 0x20000000u}));
}

TEST(gmCodeGen, CompileErrorsCarryTheLineAndHandOverNothing) {
    const char* cases[][2] = {
        {"x = 1;\nbreak;", "error (2) illegal break statement\n"},
        {"\n\ncontinue;", "error (3) illegal continue statement\n"},
        {"f = function(a, b, a) { };", "error (1) parameter a already declared\n"},
        {"f() = 1;", "error (1) illegal l-value for '=' operator\n"},
        {"1 += 2;", "error (1) illegal l-value for '=' operator\n"},
        {"while (a) { f = function() { break; }; }", "error (1) illegal break statement\n"},
    };
    for (const auto& [text, expected] : cases) {
        Compiled compiled;
        compile(text, compiled);
        EXPECT_EQ(compiled.errors, 1) << text;
        EXPECT_TRUE(compiled.functions.getFunctions().empty()) << text;
        EXPECT_EQ(listing(text), expected) << text;
    }
}

TEST(gmCodeGen, TreesNestedTooDeeplyFailInsteadOfExhaustingTheStack) {
    std::string chain = "x = y";
    for (int i = 0; i < 50000; ++i) {
        chain += ".b";
    }
    chain += ";";
    EXPECT_EQ(listing(chain.c_str()), "error (1) expression nested too deeply\n");
    std::string sum = "x = y";
    for (int i = 0; i < 50000; ++i) {
        sum += "+y";
    }
    sum += ";";
    EXPECT_EQ(listing(sum.c_str()), "error (1) expression nested too deeply\n");
}

TEST(gmCodeGen, StackDepthNeverUndercounts) {
    Compiled compiled;
    compile("f(a, b, g(c, d, e));", compiled);
    ASSERT_EQ(compiled.errors, 0);
    // null, f, a, b, null, g, c, d, e
    EXPECT_EQ(compiled.functions.getRoot()->maxStackDepth, 9);
}

TEST(gmCodeGen, ArbitraryTextsCompileOrFailCleanly) {
    std::mt19937 random(777);
    const std::string pieces[] = {"if",    "(",     ")",        "{",      "}",     "x",       "y",
                                  "=",     ";",     "function", "return", "\"s\"", "1",       "0.5",
                                  ".",     ":",     ",",        "and",    "or",    "foreach", "in",
                                  "table", "+=",    "-",        "!",      "local", "global",  "member",
                                  "while", "break", "continue", "[",      "]",     "dowhile", "for",
                                  "this",  "null",  "else",     "*",      "/",     "0"};
    int compiledCount = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 30);
        for (int i = 0; i < length; ++i) {
            text += pieces[random() % std::size(pieces)];
            text += ' ';
        }
        Compiled compiled;
        compile(text.c_str(), compiled);
        ASSERT_TRUE(compiled.errors == 0 || compiled.errors == 1);
        if (compiled.errors == 0) {
            ++compiledCount;
            ASSERT_NE(compiled.functions.getRoot(), nullptr);
            gmDisassembleAll(compiled.functions.getFunctions(), compiled.functions.getRoot()->id);
        }
    }
    EXPECT_GT(compiledCount, 0);
}

TEST(gmDisassembler, ShowsDamagedRecordsWithoutFailing) {
    gmCompiledFunction function;
    function.id = 3;
    function.code = {
        static_cast<uint32_t>(gmOpcode::GetGlobal), 7, 24, 99, static_cast<uint32_t>(gmOpcode::PushString), 0,
        static_cast<uint32_t>(gmOpcode::Jump)};
    function.constants = {{gmCompiledConstant::Kind::Name, "n", -1}};
    EXPECT_EQ(gmDisassemble(function),
              "function 3 (params 0, locals 0, stack 0)\n"
              "   0  getglobal #7 (no such constant)\n"
              "   8  ??? 24\n"
              "  12  ??? 99\n"
              "  16  pushstring #0 (wrong constant kind)\n"
              "  24  jump <missing operand>\n");
}

// foreachnext keeps each local slot in 16 bits: 65535 slots compile (the foreach's own two
// included), one more is refused on the line that declares it instead of masking the slot.
TEST(gmCodeGen, AFunctionWithMoreThan65535LocalsIsRefused) {
    const auto function = [](int plainLocals, const char* extra) {
        std::string text = "f = function(p) {\n";
        for (int i = 0; i < plainLocals; ++i) text += "v" + std::to_string(i) + " = 0;\n";
        return text + extra + "foreach (k and v in p) { }\n};\n";
    };
    Compiled fits;
    compile(function(65532, "").c_str(), fits);
    EXPECT_EQ(fits.errors, 0);
    Compiled refused;
    compile(function(65532, "one = 1;\n").c_str(), refused);
    EXPECT_NE(refused.errors, 0);
    EXPECT_EQ(refused.log.getEntries(),
              std::vector<std::string>{"error (65535) too many local variables (more than 65535)"});
}
