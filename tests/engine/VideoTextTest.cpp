#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Engine/Font.h"
#include "Engine/TextureImageLoader.h"
#include "EngineHarness.h"

namespace {

using Call = NullVideoModule::DrawCall;
constexpr float kW = NullVideoModule::kFixedGlyphWidth;
constexpr float kH = NullVideoModule::kFixedGlyphHeight;
constexpr float kDescent = NullVideoModule::kFixedGlyphDescent;
constexpr float kBearing = NullVideoModule::kFixedGlyphBearing;
constexpr float kAdvance = NullVideoModule::kFixedGlyphAdvance;
constexpr float kSpace = NullVideoModule::kFixedSpaceAdvance;

int countCalls(const NullVideoModule& video, const std::string& operation) {
    const auto& calls = video.getDrawCalls();
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.operation == operation; }));
}

int countLines(const EngineHarness& harness, const std::string& line) {
    const auto& lines = harness.logLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// A folder of test pictures under the working directory, one per test (CTest runs tests side by
// side in one directory), removed with its pictures at the end of the test.
struct PictureFolder {
    PictureFolder()
        : name("video_text_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::create_directories(name);
    }
    ~PictureFolder() { std::filesystem::remove_all(name); }
    // A 24-bit BMP of [w] x 1 pixels, black then white; returns its name.
    std::string writeBMP(const std::string& file, uint32_t w) const;
    std::string name;
};

std::string PictureFolder::writeBMP(const std::string& file, uint32_t w) const {
    const std::string path = name + "/" + file;
    const uint32_t row = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> b(54 + row, 0);
    b[10] = 54;
    b[14] = 40;
    b[18] = static_cast<uint8_t>(w);
    b[22] = 1;
    b[28] = 24;
    for (uint32_t x = 1; x < w; ++x) std::fill_n(&b[54 + x * 3], 3, 255);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return path;
}

TEST(Textures, ExtensionChoosesTheReaderAndItsTransparency) {
    const PictureFolder folder;
    const std::string bmp = folder.writeBMP("pair.bmp", 2);
    std::filesystem::copy_file(bmp, folder.name + "/pair.alpha.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    Image image;
    ASSERT_TRUE(TextureImageLoader::load(bmp, image));
    EXPECT_EQ(image.pixels[3], 0);  // black is transparent in a 24-bit "bmp"
    EXPECT_EQ(image.pixels[7], 255);
    ASSERT_TRUE(TextureImageLoader::load(folder.name + "/pair.alpha.bmp", image));
    EXPECT_EQ(image.pixels[3], 0);
    EXPECT_EQ(image.pixels[7], 255);
    EXPECT_EQ(TextureImageLoader::getExtension("a/b.alpha.bmp"), "alpha.bmp");
    EXPECT_EQ(TextureImageLoader::getExtension("./b.bmp"), "/b.bmp");
}

TEST(Textures, CacheReadsEachNameOnceAndFailuresAreLoggedEveryTime) {
    EngineHarness harness;
    auto& video = static_cast<NullVideoModule&>(*harness.gameSystem.getVideoModule());
    video.restartVideo();
    const PictureFolder folder;
    const std::string wide = folder.writeBMP("wide.bmp", 100);
    const Texture* texture = video.loadTexture(wide);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->getTextureWidth(), 128u);
    EXPECT_EQ(video.loadTexture(wide), texture);
    EXPECT_EQ(video.getTextureUploadCount(), 1);

    // Upper-case and dot-slash names have no extension the loader knows; a missing file fails too.
    for (const std::string& name :
         {folder.writeBMP("UPPER.BMP", 2), "./" + wide, std::string("missing.png"), std::string("x.gif")}) {
        EXPECT_EQ(video.loadTexture(name), nullptr) << name;
        EXPECT_EQ(video.loadTexture(name), nullptr) << name;
        EXPECT_EQ(countLines(harness, "Error!  Could not load texture: " + name), 2) << name;
        EXPECT_FALSE(video.isTextureLoaded(name));
    }
    EXPECT_EQ(video.getTextureUploadCount(), 1);

    // Reopening the window deletes the textures; the next use loads the file again.
    video.restartVideo();
    EXPECT_EQ(video.getTextureReleaseCount(), 1);
    EXPECT_EQ(video.getLoadedTextureCount(), 0u);
    video.beginTexture(wide);
    EXPECT_EQ(video.getTextureUploadCount(), 2);
}

TEST(Textures, DrawTextureShowsTheImageUprightOnOneQuad) {
    NullVideoModule video(nullptr);
    const PictureFolder folder;
    const float corners[4][3] = {{0, 0, 0}, {3, 0, 0}, {3, 1, 0}, {0, 1, 0}};
    video.drawTexture(corners, folder.writeBMP("strip.bmp", 3));
    const auto& calls = video.getDrawCalls();
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[0], (Call{"uploadTexture", {1, 4, 1}}));
    EXPECT_EQ(calls[1], (Call{"bindTexture", {1}}));
    EXPECT_EQ(calls[3], (Call{"plotTexturedVertex", {0, 0, 0, 0, 1}}));
    EXPECT_EQ(calls[4], (Call{"plotTexturedVertex", {3, 0, 0, 0.75f, 1}}));
    EXPECT_EQ(calls[5], (Call{"plotTexturedVertex", {3, 1, 0, 0.75f, 0}}));
    EXPECT_EQ(calls[6], (Call{"plotTexturedVertex", {0, 1, 0, 0, 0}}));
    EXPECT_EQ(calls[8], (Call{"endTexture", {}}));
}

TEST(Fonts, GlyphLengthsComeFromTheMetricsAndEmptyGlyphsOnlyAdvance) {
    GlyphBitmap bitmap;
    bitmap.width = 16;
    bitmap.rows = 20;
    bitmap.metricWidth = 16 * 64;
    bitmap.metricHeight = 20 * 64;
    bitmap.horiBearingX = 2 * 64;
    bitmap.horiBearingY = 16 * 64;
    bitmap.horiAdvance = 20 * 64;
    const Glyph glyph = Font::measureGlyph('A', bitmap);
    EXPECT_FLOAT_EQ(glyph.height, kH);
    EXPECT_FLOAT_EQ(glyph.width, kW);
    EXPECT_FLOAT_EQ(glyph.advance, kAdvance);
    EXPECT_FLOAT_EQ(glyph.descent, kDescent);
    EXPECT_FLOAT_EQ(glyph.leftBearing, kBearing);

    // Zero metrics, or a bitmap without rows: an empty glyph, and no division by zero.
    GlyphBitmap noMetrics = bitmap;
    noMetrics.metricWidth = 0;
    GlyphBitmap noRows = bitmap;
    noRows.rows = 0;
    for (GlyphBitmap empty : {noMetrics, noRows, GlyphBitmap{}}) {
        empty.advanceX = 10 * 64;
        const Glyph g = Font::measureGlyph(' ', empty);
        EXPECT_EQ(g.width, 0.0f);
        EXPECT_EQ(g.height, 0.0f);
        EXPECT_EQ(g.leftBearing, 0.0f);
        EXPECT_FLOAT_EQ(g.advance, kSpace);
        EXPECT_TRUE(g.isEmpty());
    }
}

TEST(Fonts, TextWidthStartsAndEndsAtTheInk) {
    NullVideoModule video(nullptr);
    EXPECT_EQ(video.getTextWidth("", 2.0f), 0.0f);
    EXPECT_FLOAT_EQ(video.getTextWidth("A", 2.0f), 2.0f * (kAdvance - kBearing));
    EXPECT_FLOAT_EQ(video.getTextWidth("AB", 2.0f), 2.0f * (kAdvance - kBearing + kBearing + kW));
    EXPECT_FLOAT_EQ(video.getTextWidth("A B", 1.0f), kAdvance - kBearing + kSpace + kBearing + kW);
}

TEST(Fonts, PrintAlignsEachLineAndReportsItsBounds) {
    NullVideoModule video(nullptr);
    const float width = video.getTextWidth("AB", 2.0f);
    for (int alignment : {TEXTALIGN_LEFT, TEXTALIGN_RIGHT, TEXTALIGN_CENTER}) {
        PrintInfo info;
        const float extent = video.print(10.0f, 30.0f, 5.0f, 0.0f, "AB", 2.0f, alignment, &info);
        EXPECT_FLOAT_EQ(extent, 2.0f);
        const float expectedLeft = alignment == TEXTALIGN_LEFT    ? 10.0f
                                   : alignment == TEXTALIGN_RIGHT ? 30.0f - width
                                                                  : 20.0f - width / 2;
        EXPECT_FLOAT_EQ(info.left, expectedLeft) << alignment;
        EXPECT_FLOAT_EQ(info.right, expectedLeft + width) << alignment;
        EXPECT_FLOAT_EQ(info.top, 5.0f + 2.0f * (kH - kDescent));
        EXPECT_FLOAT_EQ(info.bottom, 5.0f - 2.0f * kDescent);
    }
}

TEST(Fonts, PrintWrapsWordsAtTheWidthOnlyWhenLeftAndRightDiffer) {
    NullVideoModule video(nullptr);
    PrintInfo info;
    // A word is 2 advances (1.25); two words and a space (2.8125) reach past 2.5.
    EXPECT_FLOAT_EQ(video.print(0.0f, 2.5f, 0.0f, 0.0f, "AA BB CC", 1.0f, TEXTALIGN_LEFT, &info), 3.0f);
    EXPECT_FLOAT_EQ(info.bottom, -2.0f - kDescent);
    EXPECT_FLOAT_EQ(video.print(0.0f, 100.0f, 0.0f, 0.0f, "AA BB CC", 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(video.print(3.0f, 3.0f, 0.0f, 0.0f, "AA BB CC DD EE FF GG", 1.0f, TEXTALIGN_LEFT, &info),
                    1.0f);
    EXPECT_FLOAT_EQ(info.left, 3.0f);
    // Narrower than any word: a word per line.
    EXPECT_FLOAT_EQ(video.print(0.0f, 0.1f, 0.0f, 0.0f, "AA BB CC", 1.0f), 3.0f);
}

TEST(Fonts, ALineIsOneTextureWithoutTheDepthTestAndMeasuringDrawsNothing) {
    NullVideoModule video(nullptr);
    video.restartVideo();
    video.clearDrawCalls();
    PrintInfo measure;
    measure.shouldDraw = false;
    video.print(0.0f, 0.0f, 0.0f, 0.0f, "Hi there", 1.0f, TEXTALIGN_LEFT, &measure);
    EXPECT_EQ(countCalls(video, "beginShape"), 0);
    EXPECT_EQ(countCalls(video, "uploadTexture"), 0);
    EXPECT_GT(measure.right, measure.left);

    video.print(0.0f, 0.0f, 0.0f, 0.5f, "Hi there", 1.0f);
    // 7 glyphs with ink; the space has none. One atlas upload and bind for the line.
    EXPECT_EQ(countCalls(video, "beginShape"), 7);
    EXPECT_EQ(countCalls(video, "bindTexture"), 1);
    EXPECT_EQ(countCalls(video, "uploadTexture"), 1);
    const auto& calls = video.getDrawCalls();
    const auto bind =
        std::find_if(calls.begin(), calls.end(), [](const Call& c) { return c.operation == "bindTexture"; });
    EXPECT_EQ(*(bind - 1), (Call{"depthTest", {0}}));
    const auto quad = std::find_if(calls.begin(), calls.end(),
                                   [](const Call& c) { return c.operation == "plotTexturedVertex"; });
    EXPECT_FLOAT_EQ(quad->arguments[0], 0.0f);
    EXPECT_FLOAT_EQ(quad->arguments[1], -kDescent);
    EXPECT_FLOAT_EQ(quad->arguments[2], 0.5f);
    EXPECT_TRUE(video.isAttrDepthTest());
    EXPECT_EQ(video.getAttributesStackSize(), 0u);

    // Known glyphs need no new upload; a reopened window makes them again.
    video.clearDrawCalls();
    video.print(0.0f, 0.0f, 0.0f, 0.0f, "there", 1.0f);
    EXPECT_EQ(countCalls(video, "uploadTexture"), 0);
    video.restartVideo();
    EXPECT_EQ(countCalls(video, "releaseTexture"), 1);
    EXPECT_EQ(video.getCurrentFont()->getGlyphCount(), 0u);
    video.print(0.0f, 0.0f, 0.0f, 0.0f, "there", 1.0f);
    EXPECT_EQ(countCalls(video, "uploadTexture"), 1);
}

TEST(Fonts, AFontThatCannotBeOpenedIsReportedOnceAndThePreviousStays) {
    EngineHarness harness;
    auto& video = static_cast<NullVideoModule&>(*harness.gameSystem.getVideoModule());
    video.missingFonts = {"gone.ttf", VideoModule::kDefaultFontName};
    // No font at all: nothing is drawn or measured.
    EXPECT_EQ(video.print(0.0f, 0.0f, 0.0f, 0.0f, "text", 1.0f), 0.0f);
    EXPECT_EQ(video.getTextWidth("text", 1.0f), 0.0f);
    EXPECT_EQ(countCalls(video, "beginShape"), 0);
    EXPECT_EQ(
        countLines(harness, std::string("Error!  Could not load font: ") + VideoModule::kDefaultFontName), 1);

    ASSERT_TRUE(video.setFont("other.ttf"));
    const Font* other = video.getCurrentFont();
    EXPECT_FALSE(video.setFont("gone.ttf"));
    EXPECT_FALSE(video.setFont("gone.ttf"));
    EXPECT_EQ(countLines(harness, "Error!  Could not load font: gone.ttf"), 1);
    EXPECT_EQ(video.getCurrentFont(), other);
    EXPECT_GT(video.getTextWidth("text", 1.0f), 0.0f);
    EXPECT_TRUE(video.setFont("other.ttf"));
    EXPECT_EQ(std::count(video.getOpenedFontPaths().begin(), video.getOpenedFontPaths().end(), "./other.ttf"),
              1);
}

TEST(Fonts, FrameRateOverlayPrintsOverItsBackground) {
    NullVideoModule video(nullptr);
    video.setIsShowingFPS(true);
    video.render();
    // The background quad, then the text's glyph quads on the atlas.
    EXPECT_EQ(countCalls(video, "bindTexture"), 1);
    EXPECT_GT(countCalls(video, "plotTexturedVertex"), 4 * 5);
    EXPECT_EQ(video.getAttributesStackSize(), 0u);
}

}  // namespace
