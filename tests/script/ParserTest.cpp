// Parser: the syntax error messages with their line numbers, the stack limit, the one-parse-at-a-
// time rule and the shape of the code tree.
#include "script/gmCodeTree.h"
#include "script/gmParser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> parseErrors(const std::string& text) {
    gmCodeTree tree;
    gmStringListLog log;
    const int errors = gmParse(text.c_str(), tree, log);
    EXPECT_EQ(errors, log.getEntries().empty() ? 0 : 1) << text;
    return log.getEntries();
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(gmParser, AcceptsEveryStatementForm) {
    const char* text = R"(
        local a; global b = 1; member c = { 1, 2, x = 3, };
        ;
        if (a) { } else if (b) { a = 1; } else { b = 2; }
        while (a < 3) { a += 1; }
        dowhile (a) { break; }
        for (i = 0; i < 3; i += 1) { continue; }
        for (;;) { return; }
        foreach (v in t) { } foreach (k and v in t) { }
        f = function(p, q = 2) { return p and q or !p; };
        t = table(1, y = "s" "t");
        o.m(1, 2)[3] = this:g() | 'c' ^ 0x1 & 0b1 << 2 >> 1 <= 2 >= 1 != 3 == -~+.5e1 % 2 / 1.f * 3;
        a >>= 1; a <<= 1; a -= 1; a *= 2; a /= 2; a %= 2; a &= 1; a |= 1; a ^= 1;
    )";
    EXPECT_EQ(parseErrors(text), Lines{});
}

TEST(gmParser, BlocksAreRequiredAndABlockAloneIsATable) {
    EXPECT_EQ(parseErrors("if (x) y = 1;"), Lines{"error (1) parse error, expecting `'{''"});
    EXPECT_EQ(parseErrors("x = 1;\n\nwhile (x) x = 2;"), Lines{"error (3) parse error, expecting `'{''"});
    EXPECT_EQ(parseErrors("{ x = 1; }"), Lines{"error (1) parse error, expecting `'}'' or `',''"});
    EXPECT_EQ(parseErrors("t = table(1,);"), Lines{"error (1) parse error"});
}

TEST(gmParser, StrayCharactersAreParseErrorsWhereverTheyAppear) {
    EXPECT_EQ(parseErrors("x = #;"), Lines{"error (1) parse error"});
    EXPECT_EQ(parseErrors("x = 1;\ny = $;"), Lines{"error (2) parse error"});
    EXPECT_EQ(parseErrors("\n\nx = a ? b;"), Lines{"error (3) parse error, expecting `';''"});
    EXPECT_EQ(parseErrors("x = 1;\n#"), Lines{"error (2) parse error, expecting `$'"});
    EXPECT_EQ(parseErrors("x = \"#$?\"; // #\n/* $ */"), Lines{});
}

TEST(gmParser, ListsTheExpectedTokensWhenFewerThanFive) {
    EXPECT_EQ(parseErrors("local 5;"), Lines{"error (1) parse error, expecting `IDENTIFIER'"});
    EXPECT_EQ(parseErrors("foreach (a b"),
              Lines{"error (1) parse error, expecting `KEYWORD_AND' or `KEYWORD_IN'"});
    EXPECT_EQ(parseErrors("x = 1 + ;"), Lines{"error (1) parse error"});
    EXPECT_EQ(parseErrors("x = a:5;"), Lines{"error (1) parse error, expecting `IDENTIFIER'"});
}

TEST(gmParser, AssignmentIsNotAnExpression) {
    EXPECT_EQ(parseErrors("if (a = 1) { }"), Lines{"error (1) parse error, expecting `')''"});
    EXPECT_EQ(parseErrors("x = y = 1;"), Lines{"error (1) parse error, expecting `';''"});
}

TEST(gmParser, ErrorLineIsThatOfTheOffendingToken) {
    EXPECT_EQ(parseErrors("x = 1;\n/* a\nb */ y = \"multi\nline\" z;"),
              Lines{"error (4) parse error, expecting `';''"});
}

TEST(gmParser, NestingBeyondTheStateStackLimitOverflows) {
    const std::string deep = "x = " + std::string(10001, '(') + "1" + std::string(10001, ')') + ";";
    EXPECT_EQ(parseErrors(deep), Lines{"error (1) parser stack overflow"});
    const std::string fits = "x = " + std::string(5000, '(') + "1" + std::string(5000, ')') + ";";
    EXPECT_EQ(parseErrors(fits), Lines{});
}

TEST(gmParser, ReportsEachMistakeAndLeavesNoTreeAfterAny) {
    gmCodeTree tree;
    gmStringListLog log;
    EXPECT_EQ(gmParse("x = 1 +;\ny = 2;\nz = (3;\nw = 4;", tree, log), 1);
    EXPECT_EQ(log.getEntries(), (Lines{"error (1) parse error", "error (3) parse error, expecting `')''"}));
    EXPECT_EQ(tree.getRoot(), nullptr);
    // The stack limit still ends the parse at once, whatever follows.
    const std::string deep = "x = " + std::string(10001, '(') + "1" + std::string(10001, ')') + ";\ny = ;";
    EXPECT_EQ(parseErrors(deep), Lines{"error (1) parser stack overflow"});
}

TEST(gmParser, TruncatedCharIsLoggedButIsNoError) {
    gmCodeTree tree;
    gmStringListLog log;
    EXPECT_EQ(gmParse("\nx = 'abcde';", tree, log), 0);
    EXPECT_EQ(log.getEntries(), Lines{"truncated char, line 2"});
    ASSERT_NE(tree.getRoot(), nullptr);
    const gmCodeTreeNode* value = tree.getRoot()->children[1];
    EXPECT_EQ(value->intValue, 0x62636465);
}

namespace {

// A log that tries to start a second parse while the first one is reporting its error.
class ReentrantLog final : public gmCompileLog {
  public:
    void addEntry(const char* text) override {
        entries.emplace_back(text);
        if (!nested_) {
            nested_ = true;
            gmCodeTree tree;
            nestedResult = gmParse("x = 1;", tree, *this);
        }
    }
    std::vector<std::string> entries;
    int nestedResult = -1;

  private:
    bool nested_ = false;
};

}  // namespace

TEST(gmParser, ASecondParseDuringAParseFailsWithOneError) {
    ReentrantLog log;
    gmCodeTree tree;
    EXPECT_EQ(gmParse("x = #;", tree, log), 1);
    EXPECT_EQ(log.nestedResult, 1);
    EXPECT_EQ(log.entries, (Lines{"error (1) parse error", "error (0) parse already in progress"}));
    // Afterwards parsing works again.
    EXPECT_EQ(gmParse("x = 1;", tree, log), 0);
}

TEST(gmParser, BuildsTheCodeTree) {
    gmCodeTree tree;
    gmStringListLog log;
    ASSERT_EQ(gmParse("local a = 2;\nforeach (k and v in t) { o:f(1, 2); }", tree, log), 0);
    const gmCodeTreeNode* declaration = tree.getRoot();
    ASSERT_NE(declaration, nullptr);
    EXPECT_EQ(declaration->kind, gmNodeKind::Declaration);
    EXPECT_EQ(declaration->subType, kDeclVariable);
    EXPECT_EQ(declaration->data, kScopeLocal);
    const gmCodeTreeNode* assignment = declaration->next;
    ASSERT_NE(assignment, nullptr);
    EXPECT_TRUE(assignment->isOperation(kOpAssign));
    EXPECT_TRUE(assignment->flags & kNodeFlagDiscard);
    const gmCodeTreeNode* loop = assignment->next;
    ASSERT_NE(loop, nullptr);
    ASSERT_TRUE(loop->isStatement(kStmtForeach));
    EXPECT_EQ(loop->children[1]->text, "v");
    EXPECT_EQ(loop->children[2]->text, "k");
    const gmCodeTreeNode* call = loop->children[3]->children[0];
    ASSERT_TRUE(call->isExpression(kExprCall));
    EXPECT_EQ(call->children[0]->text, "f");
    EXPECT_EQ(call->children[2]->text, "o");
    EXPECT_EQ(call->children[1]->intValue, 1);
    EXPECT_EQ(call->children[1]->next->intValue, 2);
    EXPECT_EQ(loop->next, nullptr);
}

TEST(gmParser, CompoundAssignmentEvaluatesItsTargetTwice) {
    gmCodeTree tree;
    gmStringListLog log;
    ASSERT_EQ(gmParse("t[g()] -= 1;", tree, log), 0);
    const gmCodeTreeNode* assignment = tree.getRoot();
    ASSERT_TRUE(assignment->isOperation(kOpAssign));
    const gmCodeTreeNode* value = assignment->children[1];
    ASSERT_TRUE(value->isOperation(kOpMinus));
    EXPECT_EQ(value->children[0], assignment->children[0]);
}

TEST(gmParser, AdjacentStringsJoin) {
    gmCodeTree tree;
    gmStringListLog log;
    ASSERT_EQ(gmParse("x = \"a\" `b` \"\\65\";", tree, log), 0);
    EXPECT_EQ(tree.getRoot()->children[1]->text, "abA");
}

TEST(gmParser, ArbitraryBytesNeverCrash) {
    std::mt19937 random(12345);
    const std::string pieces[] = {"if",     "(", ")",  "{", "}",  "x",     "=",     ";",       "function",
                                  "return", "'", "\"", "`", "/*", "*/",    "//",    "\n",      "1.5",
                                  "0x",     "[", "]",  ".", ":",  ",",     "and",   "foreach", "in",
                                  "table",  "#", "+=", "-", "!",  "local", "while", "break"};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) {
            if (random() % 4 == 0) {
                text += static_cast<char>(1 + random() % 255);
            } else {
                text += pieces[random() % std::size(pieces)];
                text += ' ';
            }
        }
        gmCodeTree tree;
        gmStringListLog log;
        const int errors = gmParse(text.c_str(), tree, log);
        EXPECT_TRUE(errors == 0 || errors == 1);
    }
}
