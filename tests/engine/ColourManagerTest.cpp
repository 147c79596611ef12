#include "Engine/ColourManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

void writeFile(const std::string& name, const std::string& contents) {
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file << contents;
}

std::string readFile(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

TEST(ColourManager, InitLoadsTheTableAndMissingFilesLeaveItEmpty) {
    writeFile("colours_init_test.dat", "red 1 0 0\n");
    ColourManager manager(nullptr, "colours_init_test.dat");
    EXPECT_TRUE(manager.init());
    EXPECT_TRUE(manager.isInited());
    EXPECT_EQ(manager.getColour("red"), Colour(1, 0, 0));

    EXPECT_FALSE(manager.load("no_such_colours.dat"));
    EXPECT_EQ(manager.getNumColours(), 0);
    EXPECT_EQ(manager.getCurrentFilename(), "no_such_colours.dat");
    EXPECT_EQ(manager.getColour("anything"), Colour());
    EXPECT_EQ(manager.getNumColours(), 1);
}

TEST(ColourManager, AMalformedThirdLineEndsTheReading) {
    writeFile("colours_malformed_test.dat", "a 0.1 0.2 0.3\nb 0.4 0.5 0.6\nc 0.7 0.8\nd 1 1 1\n");
    ColourManager manager(nullptr, "colours_malformed_test.dat");
    EXPECT_TRUE(manager.load());
    EXPECT_EQ(manager.getColourNames(), (std::vector<std::string>{"a", "b"}));
}

TEST(ColourManager, FieldsAreSeparatedByAnyWhiteSpaceAndRepeatsKeepTheirFirstId) {
    writeFile("colours_space_test.dat", "a\t0.1\n0.2 0.3   b 1 1 1\r\na 0 1 0\n");
    ColourManager manager(nullptr, "colours_space_test.dat");
    manager.load();
    EXPECT_EQ(manager.getNumColours(), 2);
    EXPECT_EQ(manager.getColourID("a"), 0);
    EXPECT_EQ(manager.getColour(0), Colour(0, 1, 0));
}

TEST(ColourManager, OverLongNamesAndNumbersEndTheReadingWithoutSpillingIntoTheNextField) {
    const std::string longName(ColourManager::kMaxNameLength + 1, 'x');
    writeFile("colours_long_test.dat", "ok 1 1 1\n" + longName + "5 0 0 0\nlater 0 0 0\n");
    ColourManager manager(nullptr, "colours_long_test.dat");
    manager.load();
    EXPECT_EQ(manager.getColourNames(), std::vector<std::string>{"ok"});

    writeFile("colours_long_test.dat", "ok 1 1 1\nz 0." + std::string(100, '0') + "1 0 0\nlater 0 0 0\n");
    manager.load();
    EXPECT_EQ(manager.getColourNames(), std::vector<std::string>{"ok"});

    writeFile("colours_long_test.dat", "ok 1 1 1\nbad 1x 0 0\n");
    manager.load();
    EXPECT_EQ(manager.getNumColours(), 1);

    // Saved, a name with a NUL would come back as another name.
    const char withNul[] = "ok 1 1 1\nal\0ert 1 0 0\nlater 0 0 0\n";
    writeFile("colours_long_test.dat", std::string(withNul, sizeof withNul - 1));
    manager.load();
    EXPECT_EQ(manager.getColourNames(), std::vector<std::string>{"ok"});
}

TEST(ColourManager, SaveWritesNamesInByteOrderAndLoadsBackTheSame) {
    ColourManager manager(nullptr, "colours_roundtrip_test.dat");
    manager.setColour("zebra", Colour(0.5f, 0.25f, 1));
    manager.setColour("Zulu", Colour(1, 0, 0));
    manager.setColour("apple", Colour(0, 1, 0));
    ASSERT_TRUE(manager.save());
    EXPECT_EQ(readFile("colours_roundtrip_test.dat"),
              "Zulu 1.000000 0.000000 0.000000\n"
              "apple 0.000000 1.000000 0.000000\n"
              "zebra 0.500000 0.250000 1.000000\n");

    ColourManager reloaded(nullptr, "colours_roundtrip_test.dat");
    reloaded.load();
    EXPECT_EQ(reloaded.getColourNames(), (std::vector<std::string>{"Zulu", "apple", "zebra"}));
    EXPECT_EQ(reloaded.getColour("zebra"), Colour(0.5f, 0.25f, 1));
}

TEST(ColourManager, AFailedSaveLeavesTheOldFileWhole) {
    writeFile("colours_keep_test.dat", "keep 1 1 1\n");
    ColourManager manager(nullptr, "colours_keep_test.dat");
    manager.load();
    manager.setColour("new", Colour(0, 0, 1));
    // A directory where the temporary file would go makes the write fail.
    std::filesystem::remove_all("colours_keep_test.dat.tmp");
    ASSERT_TRUE(std::filesystem::create_directory("colours_keep_test.dat.tmp"));
    EXPECT_FALSE(manager.save());
    EXPECT_EQ(readFile("colours_keep_test.dat"), "keep 1 1 1\n");
    std::filesystem::remove("colours_keep_test.dat.tmp");
    EXPECT_TRUE(manager.save());
}

TEST(ColourManager, IdsAreDenseAndNewNamesStartBlack) {
    ColourManager manager(nullptr, "unused.dat");
    for (int i = 0; i < 5; ++i) manager.setColour("c" + std::to_string(i), Colour(1, 1, 1));
    EXPECT_EQ(manager.getColourID("new"), 5);
    EXPECT_EQ(manager.getColourID("new"), 5);
    EXPECT_EQ(manager.getColour(5), Colour());
    manager.setColour(7, Colour(1, 0, 0));
    manager.setColour(-1, Colour(1, 0, 0));
    EXPECT_EQ(manager.getNumColours(), 6);
    EXPECT_EQ(manager.getColour(7), Colour());
    manager.clear();
    EXPECT_EQ(manager.getNumColours(), 0);
    EXPECT_TRUE(manager.getColourNames().empty());
}

TEST(ColourManager, NamesTheFileCannotHoldAreRefused) {
    ColourManager manager(nullptr, "unused.dat");
    EXPECT_FALSE(manager.setColour("", Colour(1, 1, 1)));
    EXPECT_FALSE(manager.setColour("two words", Colour(1, 1, 1)));
    EXPECT_FALSE(manager.setColour("tab\tname", Colour(1, 1, 1)));
    EXPECT_FALSE(manager.setColour(std::string("nul\0name", 8), Colour(1, 1, 1)));
    EXPECT_FALSE(manager.setColour(std::string(ColourManager::kMaxNameLength + 1, 'x'), Colour(1, 1, 1)));
    EXPECT_EQ(manager.getColourID("two words"), -1);
    EXPECT_EQ(manager.getColour("two words"), Colour());
    EXPECT_EQ(manager.getNumColours(), 0);
}

TEST(ColourManager, InterpolatedColourOfOneIsTheFirstColour) {
    ColourManager manager(nullptr, "unused.dat");
    manager.setColour("red", Colour(1, 0, 0));
    manager.setColour("blue", Colour(0, 0, 1));
    EXPECT_EQ(
        ColourManager::makeInterpolatedColour(1.5f, manager.getColour("red"), manager.getColour("blue")),
        Colour(1, 0, 0));
}

}  // namespace
