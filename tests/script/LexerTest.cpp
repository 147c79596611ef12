// Scanner: tokens, longest match, comments, line counting and literal values.
#include "script/gmLexer.h"
#include "script/gmLiterals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

using Token = std::pair<int, std::string>;

std::vector<Token> scan(const char* text) {
    gmLexer lexer(text);
    std::vector<Token> tokens;
    for (int token = lexer.next(); token != kTokenEnd; token = lexer.next()) {
        tokens.emplace_back(token, lexer.getText());
    }
    return tokens;
}

std::vector<int> tokenNumbers(const char* text) {
    std::vector<int> numbers;
    for (const Token& token : scan(text)) {
        numbers.push_back(token.first);
    }
    return numbers;
}

}  // namespace

TEST(gmLexer, NumberEdgeCasesSplitWhereTheFormsEnd) {
    EXPECT_EQ(scan("0x"), (std::vector<Token>{{kTokenInt, "0"}, {kTokenIdentifier, "x"}}));
    EXPECT_EQ(scan("0b2"), (std::vector<Token>{{kTokenInt, "0"}, {kTokenIdentifier, "b2"}}));
    EXPECT_EQ(scan("1f"), (std::vector<Token>{{kTokenInt, "1"}, {kTokenIdentifier, "f"}}));
    EXPECT_EQ(scan("0x1F 0B101"), (std::vector<Token>{{kTokenHex, "0x1F"}, {kTokenBinary, "0B101"}}));
    for (const char* text : {"1.5f", ".5", "1.", "1e5", "2E-3F", "3.25e+2"}) {
        EXPECT_EQ(scan(text), (std::vector<Token>{{kTokenFloat, text}})) << text;
    }
}

TEST(gmLexer, WordOperatorsAndSymbolsAreTheSameTokens) {
    EXPECT_EQ(tokenNumbers("&& and || or"), (std::vector<int>{kTokenAnd, kTokenAnd, kTokenOr, kTokenOr}));
    EXPECT_EQ(
        tokenNumbers(">>= <<= += -= *= /= %= &= |= ^= >> << <= >= == !="),
        (std::vector<int>{kTokenAsgnBsr, kTokenAsgnBsl, kTokenAsgnAdd, kTokenAsgnMinus, kTokenAsgnTimes,
                          kTokenAsgnDivide, kTokenAsgnRem, kTokenAsgnBand, kTokenAsgnBor, kTokenAsgnBxor,
                          kTokenRightShift, kTokenLeftShift, kTokenLte, kTokenGte, kTokenEq, kTokenNeq}));
    EXPECT_EQ(tokenNumbers("{};=()|^&<>+-*/%~![]:.,"),
              (std::vector<int>{'{', '}', ';', '=', '(', ')', '|', '^', '&', '<', '>', '+',
                                '-', '*', '/', '%', '~', '!', '[', ']', ':', '.', ','}));
}

TEST(gmLexer, KeywordsWinOnlyWholeWords) {
    EXPECT_EQ(tokenNumbers("local global member if else while for foreach in break continue null dowhile "
                           "return function table this true false"),
              (std::vector<int>{kTokenLocal, kTokenGlobal, kTokenMember, kTokenIf, kTokenElse, kTokenWhile,
                                kTokenFor, kTokenForeach, kTokenIn, kTokenBreak, kTokenContinue, kTokenNull,
                                kTokenDoWhile, kTokenReturn, kTokenFunction, kTokenTable, kTokenThis,
                                kTokenTrue, kTokenFalse}));
    EXPECT_EQ(scan("localx Local _if"),
              (std::vector<Token>{
                  {kTokenIdentifier, "localx"}, {kTokenIdentifier, "Local"}, {kTokenIdentifier, "_if"}}));
}

TEST(gmLexer, OtherCharactersAreErrorTokens) {
    EXPECT_EQ(tokenNumbers("# $ ? @ \x80"),
              (std::vector<int>{kTokenError, kTokenError, kTokenError, kTokenError, kTokenError}));
}

TEST(gmLexer, CommentsAreSkippedAndNewlinesInsideThemCounted) {
    gmLexer lexer("a // comment ; \n/* one\ntwo */ b /* unterminated\n\n");
    EXPECT_EQ(lexer.next(), kTokenIdentifier);
    EXPECT_EQ(lexer.getLine(), 1);
    EXPECT_EQ(lexer.next(), kTokenIdentifier);
    EXPECT_STREQ(lexer.getText(), "b");
    EXPECT_EQ(lexer.getLine(), 3);
    EXPECT_EQ(lexer.next(), kTokenEnd);
    EXPECT_EQ(lexer.getLine(), 5);
    EXPECT_EQ(tokenNumbers("/* a /* b */ c */"), (std::vector<int>{kTokenIdentifier, '*', '/'}));
}

TEST(gmLexer, StringsMayHoldRawNewlinesAndEscapedQuotes) {
    gmLexer lexer("\"a\nb\\\"c\" `x``y` z");
    EXPECT_EQ(lexer.next(), kTokenString);
    EXPECT_EQ(lexer.next(), kTokenString);
    EXPECT_STREQ(lexer.getText(), "`x``y`");
    EXPECT_EQ(lexer.next(), kTokenIdentifier);
    EXPECT_EQ(lexer.getLine(), 2);
}

TEST(gmLiterals, IntegersSaturate) {
    EXPECT_EQ(gmDecimalValue("2147483647"), 2147483647);
    EXPECT_EQ(gmDecimalValue("2147483648"), 2147483647);
    EXPECT_EQ(gmDecimalValue("99999999999999999999"), 2147483647);
    EXPECT_EQ(gmHexValue("0xFFFFFFFF"), -1);
    EXPECT_EQ(gmHexValue("0x7fffffff"), 2147483647);
    EXPECT_EQ(gmHexValue("0x123456789"), -1);
    EXPECT_EQ(gmBinaryValue("0b101"), 5);
    EXPECT_EQ(gmBinaryValue(("0b" + std::string(33, '1')).c_str()), -1);
    EXPECT_EQ(gmBinaryValue("0b10000000000000000000000000000000"), INT32_MIN);
}

TEST(gmLiterals, FloatsIgnoreTheSuffixAndOverflowToInfinity) {
    EXPECT_FLOAT_EQ(gmFloatValue("1.5f"), 1.5f);
    EXPECT_FLOAT_EQ(gmFloatValue(".5"), 0.5f);
    EXPECT_FLOAT_EQ(gmFloatValue("1."), 1.0f);
    EXPECT_FLOAT_EQ(gmFloatValue("1e5"), 100000.0f);
    EXPECT_TRUE(std::isinf(gmFloatValue("1e39")));
    EXPECT_TRUE(std::isinf(gmFloatValue("1e999")));
}

TEST(gmLiterals, CharConstantsShiftBytesIn) {
    bool truncated = false;
    EXPECT_EQ(gmCharValue("'ab'", truncated), 0x6162);
    EXPECT_FALSE(truncated);
    EXPECT_EQ(gmCharValue("'\\n'", truncated), 10);
    EXPECT_EQ(gmCharValue("'\\''", truncated), 39);
    EXPECT_EQ(gmCharValue("'\\q'", truncated), 'q');
    EXPECT_EQ(gmCharValue("'\\\\\\\"\\a\\b'", truncated), (92 << 24) | (34 << 16) | (7 << 8) | 8);
    EXPECT_EQ(gmCharValue("'\\f\\r\\t\\v'", truncated), (12 << 24) | (13 << 16) | (9 << 8) | 11);
    EXPECT_EQ(gmCharValue("'abcde'", truncated), 0x62636465);
    EXPECT_TRUE(truncated);
    EXPECT_EQ(gmCharValue("'\xff'", truncated), 255);
}

TEST(gmLiterals, StringEscapes) {
    EXPECT_EQ(gmStringValue("\"\\65\\066x\""), "ABx");
    EXPECT_EQ(gmStringValue("\"\\0659\""), "A9");
    EXPECT_EQ(gmStringValue("\"\\n\\t\\\"\\'\\\\\\q\""), "\n\t\"'\\q");
    EXPECT_EQ(gmStringValue("\"a\\0b\""), "a");
    EXPECT_EQ(gmStringValue("\"\\\""), "\\");
}

TEST(gmLiterals, BackQuotedStringsKeepBackslashesAndUndoubleBackQuotes) {
    EXPECT_EQ(gmStringValue("`a``b`"), "a`b");
    EXPECT_EQ(gmStringValue("`c:\\dir\\n`"), "c:\\dir\\n");
    EXPECT_EQ(gmStringValue("````"), "`");
}
