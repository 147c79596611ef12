#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "Engine/ColourManager.h"
#include "WindowHarness.h"

namespace {

constexpr uint32_t kBlack = 0x000000ffu;
constexpr uint32_t kRed = 0xff0000ffu;
constexpr uint32_t kGreen = 0x00ff00ffu;
constexpr uint32_t kBlue = 0x0000ffffu;
constexpr uint32_t kWhite = 0xffffffffu;
// Each test has its own files: CTest runs tests side by side in one directory.
constexpr const char* kPicture = "picture_text_test_quadrants.bmp";
constexpr const char* kSecondPicture = "picture_text_test_quadrants2.bmp";

// A 6 x 6 24-bit BMP in four colours, a quadrant each: red top left, green top right, blue bottom
// left, white bottom right. Its texture is 8 x 8, so its quad shows 0.75 of it each way.
void writeQuadrants(const char* name) {
    const int row = 6 * 3 + 2;
    std::vector<uint8_t> b(54 + row * 6, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[10] = 54;
    b[14] = 40;
    b[18] = 6;
    b[22] = 6;
    b[28] = 24;
    for (int fileRow = 0; fileRow < 6; ++fileRow) {
        const bool top = fileRow >= 3;  // rows are stored bottom up
        for (int x = 0; x < 6; ++x) {
            const bool right = x >= 3;
            const uint32_t rgb = top ? (right ? 0x00ff00u : 0xff0000u) : (right ? 0xffffffu : 0x0000ffu);
            uint8_t* p = &b[54 + fileRow * row + x * 3];
            p[0] = static_cast<uint8_t>(rgb);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb >> 16);
        }
    }
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// A 2 x 2 white BMP named [name].
void writeWhite(const char* name) {
    std::vector<uint8_t> b(54 + 2 * 8, 255);
    std::fill(b.begin(), b.begin() + 54, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[10] = 54;
    b[14] = 40;
    b[18] = 2;
    b[22] = 2;
    b[28] = 24;
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Draws a texture over a square, or a line of text, in the world view.
class PictureEntity : public Entity {
  public:
    PictureEntity(GameSystem* gs, std::string text) : Entity(gs), text_(std::move(text)) {}
    void draw() override {
        VideoModule* video = gameSystem_->getVideoModule();
        video->setColour(1.0f, 1.0f, 1.0f, 1.0f);
        if (text_.empty()) {
            const float corners[4][3] = {{-600, -600, 0}, {600, -600, 0}, {600, 600, 0}, {-600, 600, 0}};
            video->drawTexture(corners, kPicture);
        } else {
            video->print(-1000.0f, -1000.0f, 0.0f, 0.0f, text_, 300.0f, TEXTALIGN_LEFT, &bounds);
        }
    }
    PrintInfo bounds;

  private:
    std::string text_;
};

TEST(TextAndTextures, ATexturedQuadShowsItsPictureUpright) {
    writeQuadrants(kPicture);
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new PictureEntity(&gs, ""));
    const Screenshot frame = scene.renderFrame();
    std::remove(kPicture);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-300.0f), scene.pixelY(300.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(300.0f), scene.pixelY(300.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-300.0f), scene.pixelY(-300.0f)), kBlue);
    EXPECT_EQ(frame.getPixel(scene.pixelX(300.0f), scene.pixelY(-300.0f)), kWhite);
    EXPECT_EQ(frame.getPixel(scene.pixelX(700.0f), scene.pixelY(0.0f)), kBlack);
    EXPECT_EQ(scene.video().getLoadedTextureCount(), 1u);

    // A new buffer (a window's restart) loses the texture; the next frame loads it again from the file, now
    // gone.
    ASSERT_TRUE(scene.video().restartVideo(800, 600, false));
    EXPECT_EQ(scene.video().getLoadedTextureCount(), 0u);
}

// Quads on two textures, interleaved: each batch of textured shapes is drawn with its own.
class TwoTextureEntity : public Entity {
  public:
    explicit TwoTextureEntity(GameSystem* gs) : Entity(gs) {}
    void draw() override {
        VideoModule* video = gameSystem_->getVideoModule();
        video->setColour(1.0f, 1.0f, 1.0f, 1.0f);
        const float xs[3] = {-800.0f, 0.0f, 800.0f};
        for (int i = 0; i < 3; ++i) {
            const float x = xs[i];
            const float corners[4][3] = {
                {x - 300, -300, 0}, {x + 300, -300, 0}, {x + 300, 300, 0}, {x - 300, 300, 0}};
            video->drawTexture(corners, i == 1 ? "picture_text_test_white.bmp" : kSecondPicture);
        }
    }
};

TEST(TextAndTextures, InterleavedTexturesEachShowTheirOwnPicture) {
    writeQuadrants(kSecondPicture);
    writeWhite("picture_text_test_white.bmp");
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new TwoTextureEntity(&gs));
    const Screenshot frame = scene.renderFrame();
    std::remove(kSecondPicture);
    std::remove("picture_text_test_white.bmp");
    for (float x : {-800.0f, 800.0f}) {
        EXPECT_EQ(frame.getPixel(scene.pixelX(x - 150.0f), scene.pixelY(150.0f)), kRed);
        EXPECT_EQ(frame.getPixel(scene.pixelX(x + 150.0f), scene.pixelY(-150.0f)), kWhite);
        EXPECT_EQ(frame.getPixel(scene.pixelX(x + 150.0f), scene.pixelY(150.0f)), kGreen);
    }
    EXPECT_EQ(frame.getPixel(scene.pixelX(-150.0f), scene.pixelY(150.0f)), kWhite);
    EXPECT_EQ(frame.getPixel(scene.pixelX(150.0f), scene.pixelY(-150.0f)), kWhite);
}

TEST(TextAndTextures, APrintedLineAppearsInsideItsBounds) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    auto* entity = scene.addEntity(new PictureEntity(&gs, "Hello"));
    const Screenshot frame = scene.renderFrame();
    const PrintInfo& b = entity->bounds;
    ASSERT_GT(b.right, b.left);
    EXPECT_FLOAT_EQ(b.left, -1000.0f);
    EXPECT_GT(b.top, 150.0f);
    EXPECT_LT(b.top, 320.0f);
    int lit = 0;
    int litOutside = 0;
    for (int y = scene.pixelY(-400.0f); y < scene.pixelY(600.0f); ++y) {
        for (int x = scene.pixelX(-1300.0f); x < scene.pixelX(1300.0f); ++x) {
            if (frame.getChannel(x, y, 0) < 128)
                continue;
            const bool inside = x >= scene.pixelX(b.left) - 1 && x <= scene.pixelX(b.right) + 1 &&
                                y >= scene.pixelY(b.bottom) - 1 && y <= scene.pixelY(b.top) + 1;
            ++(inside ? lit : litOutside);
        }
    }
    // Five bold glyphs cover a good share of their box, blended (the clear parts of their cells
    // stay dark), and nothing is lit outside it.
    const int box =
        (scene.pixelX(b.right) - scene.pixelX(b.left)) * (scene.pixelY(b.top) - scene.pixelY(b.bottom));
    EXPECT_GT(lit, box / 6);
    EXPECT_LT(lit, box * 3 / 4);
    EXPECT_EQ(litOutside, 0);
}

TEST(TextAndTextures, WidthAndBoundsAgreeForEachAlignment) {
    PictureHarness scene;
    VideoModule& video = scene.video();
    const std::string text = "Wrap me, align me";
    const float height = 0.1f;
    const float width = video.getTextWidth(text, height);
    EXPECT_GT(width, 0.5f);
    EXPECT_LT(width, 1.5f);
    for (int alignment : {TEXTALIGN_LEFT, TEXTALIGN_RIGHT, TEXTALIGN_CENTER}) {
        PrintInfo info;
        info.shouldDraw = false;
        EXPECT_FLOAT_EQ(video.print(-1.0f, 1.0f, 0.0f, 0.0f, text, height, alignment, &info), height);
        EXPECT_NEAR(info.right - info.left, width, 1e-4f) << alignment;
        const float expected = alignment == TEXTALIGN_LEFT    ? -1.0f
                               : alignment == TEXTALIGN_RIGHT ? 1.0f - width
                                                              : -width / 2;
        EXPECT_NEAR(info.left, expected, 1e-4f) << alignment;
        EXPECT_GT(info.top, 0.06f);
        EXPECT_LT(info.bottom, -0.01f);  // the comma and "p" reach below the baseline
    }
    // Wrapped at half the width: more lines.
    EXPECT_GT(video.print(0.0f, width / 2, 0.0f, 0.0f, text, height, TEXTALIGN_LEFT, nullptr), height);
}

TEST(TextAndTextures, TheFrameRateOverlayShowsInItsColours) {
    PictureHarness scene;
    scene.gameSystem.getColourManager()->setColour("fpsColourBG", Colour(0.0f, 0.0f, 1.0f));
    scene.gameSystem.getColourManager()->setColour("fpsColour", Colour(1.0f, 1.0f, 0.0f));
    scene.video().setIsShowingFPS(true);
    scene.renderFrame();
    const Screenshot frame = scene.renderFrame();
    // The lower-left corner is the background; somewhere above it the yellow text.
    EXPECT_EQ(frame.getPixel(1, 1), kBlue);
    int yellow = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 200; ++x)
            yellow += frame.getChannel(x, y, 0) > 200 && frame.getChannel(x, y, 1) > 200 &&
                      frame.getChannel(x, y, 2) < 60;
    EXPECT_GT(yellow, 50);
}

}  // namespace
