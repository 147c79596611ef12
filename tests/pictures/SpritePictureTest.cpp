// Sprites from a sheet, painter's order at equal depth, the shape helpers and large text, as
// drawn off screen. Each scene draws in a pixel view: the ortho view scaled so that one unit is
// one pixel of the 800 x 600 area, (0, 0) its lower left corner.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

#include "WindowHarness.h"

namespace {

constexpr uint32_t kBlack = 0x000000ffu;
constexpr uint32_t kRed = 0xff0000ffu;
constexpr uint32_t kGreen = 0x00ff00ffu;
constexpr uint32_t kBlue = 0x0000ffffu;
constexpr uint32_t kYellow = 0xffff00ffu;
constexpr uint32_t kOrange = 0xff8000ffu;
constexpr int kCell = 16;

// A [width] x 16 24-bit BMP sheet (width a multiple of 4): cell 0, 16 pixels a side, has
// quadrants: red top left, green top right, yellow bottom left, orange bottom right (no blue
// anywhere); the rest, cell 1, is all blue.
void writeSheet(const char* name, int width = 2 * kCell) {
    const int row = width * 3;
    std::vector<uint8_t> b(54 + row * kCell, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[10] = 54;
    b[14] = 40;
    b[18] = static_cast<uint8_t>(width);
    b[22] = kCell;
    b[26] = 1;
    b[28] = 24;
    for (int fileRow = 0; fileRow < kCell; ++fileRow) {
        const bool top = fileRow >= kCell / 2;  // rows are stored bottom up
        for (int x = 0; x < width; ++x) {
            const bool right = x % kCell >= kCell / 2;
            uint32_t rgb = top ? (right ? 0x00ff00u : 0xff0000u) : (right ? 0xff8000u : 0xffff00u);
            if (x >= kCell)
                rgb = 0x0000ffu;
            uint8_t* p = &b[54 + fileRow * row + x * 3];
            p[0] = static_cast<uint8_t>(rgb);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb >> 16);
        }
    }
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Runs [paint] in the pixel view as its draw.
class PaintEntity : public Entity {
  public:
    PaintEntity(GameSystem* gs, std::function<void(VideoModule&)> paint)
        : Entity(gs), paint_(std::move(paint)) {}
    void draw() override {
        VideoModule& video = *gameSystem_->getVideoModule();
        video.setupOrthoView();
        video.scale(1.0f / 800.0f, 1.0f / 600.0f, 1.0f);
        video.setColour(1.0f, 1.0f, 1.0f, 1.0f);
        paint_(video);
    }

  private:
    std::function<void(VideoModule&)> paint_;
};

Screenshot paint(std::function<void(VideoModule&)> painter, std::function<void(VideoModule&)> setup = {}) {
    PictureHarness scene;
    if (setup)
        setup(scene.video());
    scene.addEntity(new PaintEntity(&scene.gameSystem, std::move(painter)));
    return scene.renderFrame();
}

// The colour of cell 0's texel (column, row from the top).
uint32_t cellColour(int column, int row) {
    const bool right = column >= kCell / 2;
    return row < kCell / 2 ? (right ? kGreen : kRed) : (right ? kOrange : kYellow);
}

// Every pixel of the [size]-pixel square at (x, y) shows cell 0 at [size / 16] pixels per texel,
// mirrored as asked.
void expectCell(const Screenshot& frame, int x, int y, int size, bool flipX, bool flipY) {
    const int perTexel = size / kCell;
    int wrong = 0;
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            int column = px / perTexel;
            int row = (size - 1 - py) / perTexel;  // pixels count up, texel rows down
            if (flipX)
                column = kCell - 1 - column;
            if (flipY)
                row = kCell - 1 - row;
            if (frame.getPixel(x + px, y + py) != cellColour(column, row))
                ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0) << "flipX " << flipX << ", flipY " << flipY;
    // Just outside stays dark.
    EXPECT_EQ(frame.getPixel(x - 1, y + size / 2), kBlack);
    EXPECT_EQ(frame.getPixel(x + size, y + size / 2), kBlack);
    EXPECT_EQ(frame.getPixel(x + size / 2, y - 1), kBlack);
    EXPECT_EQ(frame.getPixel(x + size / 2, y + size), kBlack);
}

TEST(Sprites, ANearestSixteenPixelCellAtTwiceItsSizeHasHardEdgesAndFlipsAsAsked) {
    constexpr const char* kSheet = "picture_sprite_test_nearest.bmp";
    writeSheet(kSheet);
    const Screenshot frame = paint(
        [&](VideoModule& video) {
            video.drawSprite(kSheet, 0, 0, 16, 16, 100, 100, 32, 32);
            video.drawSprite(kSheet, 0, 0, 16, 16, 200, 100, 32, 32, true, false);
            video.drawSprite(kSheet, 0, 0, 16, 16, 300, 100, 32, 32, false, true);
            video.drawSprite(kSheet, 0, 0, 16, 16, 400, 100, 32, 32, true, true);
            // A quarter turn anticlockwise: the top-left red quadrant goes to the bottom left.
            video.drawSprite(kSheet, 0, 0, 16, 16, 500, 100, 32, 32, false, false, 3.1415927f / 2.0f);
        },
        [&](VideoModule& video) { video.setTextureSampling(kSheet, {.nearest = true}); });
    std::remove(kSheet);
    expectCell(frame, 100, 100, 32, false, false);
    expectCell(frame, 200, 100, 32, true, false);
    expectCell(frame, 300, 100, 32, false, true);
    expectCell(frame, 400, 100, 32, true, true);
    EXPECT_EQ(frame.getPixel(505, 105), kRed);
    EXPECT_EQ(frame.getPixel(505, 126), kGreen);
    EXPECT_EQ(frame.getPixel(526, 105), kYellow);
    EXPECT_EQ(frame.getPixel(526, 126), kOrange);
}

TEST(Sprites, NeighbouringCellsNeverBleedWhateverTheFilterAndScale) {
    for (const bool nearest : {false, true}) {
        const char* sheet = nearest ? "picture_sprite_test_bleed_n.bmp" : "picture_sprite_test_bleed_l.bmp";
        writeSheet(sheet);
        // Cell 0 at odd sizes and places, cell 1 (the sheet's right edge, which repeats) beside it.
        const Screenshot frame = paint(
            [&](VideoModule& video) {
                video.drawSprite(sheet, 0, 0, 16, 16, 50.3f, 60.7f, 53.0f, 41.0f);
                video.drawSprite(sheet, 0, 0, 16, 16, 150.0f, 60.0f, 16.0f, 16.0f);
                video.drawSprite(sheet, 0, 0, 16, 16, 250.5f, 60.5f, 200.0f, 200.0f, true, true, 0.3f);
                video.drawSprite(sheet, 16, 0, 16, 16, 500.2f, 60.0f, 77.0f, 90.0f);
                video.drawSprite(sheet, 16, 0, 16, 16, 650.0f, 60.0f, 16.0f, 16.0f, true);
            },
            [&](VideoModule& video) { video.setTextureSampling(sheet, {.nearest = nearest}); });
        std::remove(sheet);
        int blueInCellZero = 0;
        int redInCellOne = 0;
        for (int y = 0; y < 600; ++y) {
            for (int x = 0; x < 800; ++x) {
                const uint32_t pixel = frame.getPixel(x, y);
                if (x < 480 && (pixel >> 8 & 0xff) != 0)
                    ++blueInCellZero;
                if (x >= 480 && (pixel >> 24) != 0)
                    ++redInCellOne;
            }
        }
        EXPECT_EQ(blueInCellZero, 0) << (nearest ? "nearest" : "linear");
        EXPECT_EQ(redInCellOne, 0) << (nearest ? "nearest" : "linear");
        // And the cells are there: the middle of a drawn cell 1 is blue.
        EXPECT_EQ(frame.getPixel(538, 105), kBlue);
    }
}

TEST(Sprites, ClampedTexturesStretchTheImageEdgeNotThePadding) {
    // A 24 x 16 sheet is padded to 32 x 16: clamped and drawn past its right edge with
    // plotTexturedVertex, the last column (blue) stretches; nothing clear shows.
    constexpr const char* kSheet = "picture_sprite_test_clamp.bmp";
    writeSheet(kSheet, 24);
    const Screenshot frame = paint(
        [&](VideoModule& video) {
            video.beginTexture(kSheet);
            video.beginShape(SHAPETYPE_QUADS);
            video.plotImageVertex(100, 100, 0, 0.0f, 1.0f);
            video.plotImageVertex(400, 100, 0, 2.0f, 1.0f);
            video.plotImageVertex(400, 200, 0, 2.0f, 0.0f);
            video.plotImageVertex(100, 200, 0, 0.0f, 0.0f);
            video.endShape();
            video.endTexture();
        },
        [&](VideoModule& video) { video.setTextureSampling(kSheet, {.nearest = true, .clamp = true}); });
    std::remove(kSheet);
    // u 0..2 over 300 pixels: the image spans 100..250, its blue edge stretched over the rest.
    EXPECT_EQ(frame.getPixel(105, 105), kYellow);
    EXPECT_EQ(frame.getPixel(105, 195), kRed);
    EXPECT_EQ(frame.getPixel(240, 150), kBlue);
    EXPECT_EQ(frame.getPixel(395, 150), kBlue);
}

TEST(PaintersOrder, TheLaterShapeAtEqualDepthIsOnTopAndDeeperOnesStayHidden) {
    const Screenshot frame = paint([](VideoModule& video) {
        ASSERT_TRUE(video.isAttrDepthTest());
        video.setColour(1.0f, 0.0f, 0.0f, 1.0f);
        video.drawRect(100, 100, 200, 200);
        video.setColour(0.0f, 1.0f, 0.0f, 1.0f);
        video.drawRect(200, 100, 200, 200);
        // Behind both (farther from the eye), drawn last: hidden where they are.
        video.setColour(0.0f, 0.0f, 1.0f, 1.0f);
        video.beginShape(SHAPETYPE_QUADS);
        video.plotVertex(150, 150, -0.5f);
        video.plotVertex(500, 150, -0.5f);
        video.plotVertex(500, 250, -0.5f);
        video.plotVertex(150, 250, -0.5f);
        video.endShape();
    });
    EXPECT_EQ(frame.getPixel(150, 120), kRed);
    EXPECT_EQ(frame.getPixel(250, 120), kGreen);
    EXPECT_EQ(frame.getPixel(250, 200), kGreen);
    EXPECT_EQ(frame.getPixel(160, 200), kRed);
    EXPECT_EQ(frame.getPixel(450, 200), kBlue);
}

TEST(ShapeHelpers, RectanglesCirclesAndLinesDrawAsAsked) {
    const Screenshot frame = paint([](VideoModule& video) {
        video.setColour(1.0f, 0.0f, 0.0f, 1.0f);
        video.drawRect(50, 50, 100, 60);
        video.setColour(0.0f, 1.0f, 0.0f, 1.0f);
        video.drawRect(200, 50, 100, 60, false);
        video.setColour(0.0f, 0.0f, 1.0f, 1.0f);
        video.drawCircle(450, 300, 80);
        video.setColour(1.0f, 1.0f, 0.0f, 1.0f);
        video.drawCircle(650, 300, 80, false);
        video.setColour(1.0f, 1.0f, 1.0f, 1.0f);
        video.drawLine(50, 500, 750, 500);
    });
    // The filled rectangle: inside red, its corners exact, outside dark.
    EXPECT_EQ(frame.getPixel(100, 80), kRed);
    EXPECT_EQ(frame.getPixel(50, 50), kRed);
    EXPECT_EQ(frame.getPixel(149, 109), kRed);
    EXPECT_EQ(frame.getPixel(150, 80), kBlack);
    EXPECT_EQ(frame.getPixel(100, 110), kBlack);
    // The outline: its edges lit, its middle dark.
    EXPECT_EQ(frame.getPixel(250, 80), kBlack);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{250, 50}, {250, 110}, {200, 80}, {300, 80}}) {
        int green = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                green = std::max<int>(green, frame.getChannel(x + dx, y + dy, 1));
        EXPECT_GT(green, 200) << x << ", " << y;
    }
    // The disc: round (its box's corner dark), full to near its edge.
    EXPECT_EQ(frame.getPixel(450, 300), kBlue);
    EXPECT_EQ(frame.getPixel(450 + 77, 300), kBlue);
    EXPECT_EQ(frame.getPixel(450, 300 - 77), kBlue);
    EXPECT_EQ(frame.getPixel(450 + 54, 300 + 54), kBlue);
    EXPECT_EQ(frame.getPixel(450 + 60, 300 + 60), kBlack);
    EXPECT_EQ(frame.getPixel(450 + 83, 300), kBlack);
    // The ring: lit all round at its radius, dark inside.
    EXPECT_EQ(frame.getPixel(650, 300), kBlack);
    for (int step = 0; step < 16; ++step) {
        const float a = 6.2831853f * static_cast<float>(step) / 16.0f;
        const int x = 650 + static_cast<int>(std::lround(80.0f * std::cos(a)));
        const int y = 300 + static_cast<int>(std::lround(80.0f * std::sin(a)));
        int red = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) red = std::max<int>(red, frame.getChannel(x + dx, y + dy, 0));
        EXPECT_GT(red, 200) << "step " << step;
    }
    // The line: lit along its length, nothing a few pixels off it.
    for (int x = 60; x < 740; x += 20) {
        int lit = 0;
        for (int dy = -1; dy <= 1; ++dy) lit = std::max<int>(lit, frame.getChannel(x, 500 + dy, 0));
        EXPECT_GT(lit, 200) << x;
        EXPECT_EQ(frame.getPixel(x, 505), kBlack);
        EXPECT_EQ(frame.getPixel(x, 495), kBlack);
    }
    EXPECT_EQ(frame.getPixel(45, 500), kBlack);
    EXPECT_EQ(frame.getPixel(755, 500), kBlack);
}

// Pixels of a column that are neither background nor ink: the width of its edges' blur.
int blurredPixels(const Screenshot& frame, int x, int y0, int y1) {
    int blurred = 0;
    for (int y = y0; y < y1; ++y) {
        const int level = frame.getChannel(x, y, 0);
        if (level > 40 && level < 215)
            ++blurred;
    }
    return blurred;
}

TEST(LargeText, TextAtAnEighthOfTheScreenHeightHasCleanEdges) {
    // 0.12 of 600 pixels: 72-pixel text, more than twice the size fonts open at.
    const Screenshot frame = paint([](VideoModule& video) {
        video.setupOrthoView();
        video.print(0.1f, 0.1f, 0.5f, 0.0f, "IIII", 0.12f);
    });
    // Columns through the stems cross two edges each, the stem's top and its foot.
    int columns = 0;
    int blurred = 0;
    for (int x = 60; x < 500; ++x) {
        bool inked = false;
        for (int y = 290; y < 370; ++y) inked = inked || frame.getChannel(x, y, 0) >= 215;
        // Columns at a stem's side are blurred by its upright edge, whatever the size.
        if (!inked || frame.getChannel(x - 1, 320, 0) < 215 || frame.getChannel(x + 1, 320, 0) < 215)
            continue;
        ++columns;
        blurred += blurredPixels(frame, x, 290, 370);
    }
    ASSERT_GT(columns, 20) << "the stems are drawn";
    // Measured: 1.5 blurred pixels an edge scaled up from 32 pixels, none drawn from its own band.
    EXPECT_LE(blurred, columns) << "edges blur over more than half a pixel on average";
}

}  // namespace
