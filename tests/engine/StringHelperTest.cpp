#include "Engine/StringHelper.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace StringHelper;

TEST(StringHelper, CharactersOutsideTheStringAreZero) {
    EXPECT_EQ(getChar(1, "abc"), 'b');
    EXPECT_EQ(getChar(5, "abc"), 0);
    EXPECT_EQ(getChar(-1, "abc"), 0);
    EXPECT_EQ(getChar(0, "\xe9"), 0xe9);
    EXPECT_EQ(getLength("abc"), 3);
}

TEST(StringHelper, SearchAndBackspace) {
    EXPECT_EQ(getFirstOccurrence("hello world", "o"), 4);
    EXPECT_EQ(getFirstOccurrence("hello", "xyz"), -1);
    EXPECT_EQ(backspace("abc"), "ab");
    EXPECT_EQ(backspace(""), "");
}

TEST(StringHelper, OnlyAsciiLettersAreClassifiedAndConverted) {
    EXPECT_TRUE(isBackspace(8));
    EXPECT_TRUE(isBackspace(127));
    EXPECT_FALSE(isBackspace('a'));
    EXPECT_TRUE(isAlpha('Z'));
    EXPECT_FALSE(isAlpha('5'));
    EXPECT_TRUE(isAlphanumeric('5'));
    EXPECT_FALSE(isAlphanumeric(0xe9));
    EXPECT_EQ(makeLowercase('Q'), 'q');
    EXPECT_EQ(makeUppercase('q'), 'Q');
    EXPECT_EQ(makeLowercase('['), '[');
    EXPECT_EQ(makeLowercase(std::string("Hello World 42\xc9")), "hello world 42\xc9");
    EXPECT_EQ(makeUppercase(std::string("Hello World 42")), "HELLO WORLD 42");
}

TEST(StringHelper, TimeStringsPadSecondsAndDoNotLimitMinutes) {
    EXPECT_EQ(makeTimeString(0), "0:00");
    EXPECT_EQ(makeTimeString(59999), "0:59");
    EXPECT_EQ(makeTimeString(65000), "1:05");
    EXPECT_EQ(makeTimeString(600000), "10:00");
    EXPECT_EQ(makeTimeString(-5000), "0:00");
    EXPECT_FALSE(makeTimeString(std::numeric_limits<int>::max()).empty());
}

}  // namespace
