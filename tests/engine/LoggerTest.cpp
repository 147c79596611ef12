#include "Engine/Logger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

TEST(Logger, SplitsLinesAndIndentsAllButAnEmptyRemainder) {
    Logger logger;
    logger.logText("first\nsecond\n", 2);
    ASSERT_EQ(logger.getOutput().size(), 3u);
    EXPECT_EQ(logger.getOutput()[0], "        first");
    EXPECT_EQ(logger.getOutput()[1], "        second");
    EXPECT_EQ(logger.getOutput()[2], "");
    EXPECT_EQ(logger.getChangeID(), 1);
}

TEST(Logger, EmptyTextAppendsOneEmptyLineAndCarriageReturnsStay) {
    Logger logger;
    logger.logText("", 0);
    logger.logText("a\r\nb", 1);
    ASSERT_EQ(logger.getOutput().size(), 3u);
    EXPECT_EQ(logger.getOutput()[0], "");
    EXPECT_EQ(logger.getOutput()[1], "    a\r");
    EXPECT_EQ(logger.getOutput()[2], "    b");
    EXPECT_EQ(logger.getChangeID(), 2);
}

TEST(Logger, ResetCountsAsAChangeEvenWhenEmpty) {
    Logger logger;
    logger.reset();
    logger.reset();
    EXPECT_TRUE(logger.getOutput().empty());
    EXPECT_EQ(logger.getChangeID(), 2);
}

TEST(Logger, OutputToFileEndsWithItsOwnLineAndKeepsPercentSigns) {
    Logger logger;
    logger.logText("100% done", 0);
    // Files go beside the program (the working folder); the test leaves nothing behind there.
    const std::string name = "logger_test_output.txt";
    ASSERT_TRUE(logger.outputToFile(name));
    std::ifstream file(name);
    std::stringstream contents;
    contents << file.rdbuf();
    file.close();
    std::filesystem::remove(name);
    EXPECT_EQ(contents.str(), "100% done\nWriting output to logger_test_output.txt\n");
}

TEST(Logger, OutputToFileThatCannotBeWrittenSaysSoAfterTheAttempt) {
    Logger logger;
    EXPECT_FALSE(logger.outputToFile("no/such/folder/out.txt"));
    ASSERT_EQ(logger.getOutput().size(), 2u);
    EXPECT_EQ(logger.getOutput()[0], "Writing output to no/such/folder/out.txt");
    EXPECT_EQ(logger.getOutput()[1], "Could not write output to no/such/folder/out.txt");
    EXPECT_FALSE(logger.outputToFile(std::string(800, 'x')));
}

}  // namespace
