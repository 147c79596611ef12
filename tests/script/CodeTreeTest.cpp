// Constant folding while parsing, observed through the constants the compiler emits.
#include "script/gmCodeTree.h"
#include "script/gmParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// Parses "x = [expression];" and returns the assigned value node (valid while [tree] lives).
const gmCodeTreeNode* folded(gmCodeTree& tree, const std::string& expression) {
    gmStringListLog log;
    const std::string text = "x = " + expression + ";";
    EXPECT_EQ(gmParse(text.c_str(), tree, log), 0) << text;
    return tree.getRoot() ? tree.getRoot()->children[1] : nullptr;
}

int32_t foldedInt(const std::string& expression) {
    gmCodeTree tree;
    const gmCodeTreeNode* node = folded(tree, expression);
    EXPECT_TRUE(node && node->isExpression(kExprConstant) && node->data == kConstInt) << expression;
    return node ? node->intValue : 0;
}

float foldedFloat(const std::string& expression) {
    gmCodeTree tree;
    const gmCodeTreeNode* node = folded(tree, expression);
    EXPECT_TRUE(node && node->isExpression(kExprConstant) && node->data == kConstFloat) << expression;
    return node ? node->floatValue : 0.0f;
}

bool isFolded(const std::string& expression) {
    gmCodeTree tree;
    const gmCodeTreeNode* node = folded(tree, expression);
    return node && node->isExpression(kExprConstant);
}

}  // namespace

TEST(gmConstantFolding, IntArithmeticWrapsAt32Bits) {
    EXPECT_EQ(foldedInt("2 + 3 * 4 - 1"), 13);
    EXPECT_EQ(foldedInt("2147483647 + 1"), INT32_MIN);
    EXPECT_EQ(foldedInt("-2147483647 - 2"), INT32_MAX);
    EXPECT_EQ(foldedInt("65536 * 65536"), 0);
    EXPECT_EQ(foldedInt("-7 / 2"), -3);
    EXPECT_EQ(foldedInt("-7 % 3"), -1);
    EXPECT_EQ(foldedInt("(-2147483647 - 1) / -1"), INT32_MIN);
    EXPECT_EQ(foldedInt("(-2147483647 - 1) % -1"), 0);
}

TEST(gmConstantFolding, IntDivisionByConstantZeroIsZero) {
    EXPECT_EQ(foldedInt("7 / 0"), 0);
    EXPECT_EQ(foldedInt("7 % 0"), 0);
    EXPECT_EQ(foldedFloat("7.0 / 0.0"), 0.0f);
    EXPECT_EQ(foldedFloat("7 / 0.0"), 0.0f);
}

TEST(gmConstantFolding, MixedOperandsFoldAsFloats) {
    EXPECT_FLOAT_EQ(foldedFloat("1 + 0.5"), 1.5f);
    EXPECT_FLOAT_EQ(foldedFloat("3 * 0.5"), 1.5f);
    EXPECT_FLOAT_EQ(foldedFloat("7.5 % 2"), 1.5f);
    EXPECT_FLOAT_EQ(foldedFloat("-(1.5)"), -1.5f);
    EXPECT_FLOAT_EQ(foldedFloat("+2.5"), 2.5f);
    EXPECT_TRUE(std::isnan(foldedFloat("1.0 % 0")));
}

TEST(gmConstantFolding, BitOperationsFoldOnIntsOnly) {
    EXPECT_EQ(foldedInt("6 | 1 ^ 3 & 2"), 6 | (1 ^ (3 & 2)));
    EXPECT_EQ(foldedInt("~0"), -1);
    EXPECT_EQ(foldedInt("!0"), 1);
    EXPECT_EQ(foldedInt("!5"), 0);
    EXPECT_EQ(foldedInt("1 << 33"), 2);
    EXPECT_EQ(foldedInt("1 << 31"), INT32_MIN);
    EXPECT_EQ(foldedInt("-8 >> 1"), -4);
    EXPECT_EQ(foldedInt("-1 >> 40"), -1);
    EXPECT_EQ(foldedInt("0x80000000 >> 31"), -1);
    EXPECT_FALSE(isFolded("1.0 | 2"));
    EXPECT_FALSE(isFolded("~1.0"));
    EXPECT_FALSE(isFolded("!1.0"));
}

TEST(gmConstantFolding, ComparisonsLogicStringsAndNamesAreNotFolded) {
    for (const char* expression :
         {"1 < 2", "1 == 1", "1 and 2", "0 or 1", "\"a\" + 1", "null + 1", "a + 1"}) {
        EXPECT_FALSE(isFolded(expression)) << expression;
    }
}

TEST(gmConstantFolding, TrueFalseAndCharsAreInts) {
    EXPECT_EQ(foldedInt("true + true"), 2);
    EXPECT_EQ(foldedInt("false - 1"), -1);
    EXPECT_EQ(foldedInt("'a' + 1"), 'b');
}
