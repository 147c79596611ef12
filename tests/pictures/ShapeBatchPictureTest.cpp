// Shapes drawn through the video module come out as if each had been drawn on its own, in the
// order they were drawn, whatever the module merges behind the scenes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <vector>

#include "WindowHarness.h"

namespace {

constexpr uint32_t kBlack = 0x000000ffu;
constexpr uint32_t kRed = 0xff0000ffu;
constexpr uint32_t kGreen = 0x00ff00ffu;
constexpr uint32_t kBlue = 0x0000ffffu;
constexpr uint32_t kWhite = 0xffffffffu;

// An entity whose opaque and translucent passes run the given drawing code.
class DrawingEntity : public Entity {
  public:
    using Drawing = std::function<void(VideoModule&)>;
    DrawingEntity(GameSystem* gs, Drawing opaque, Drawing translucent = nullptr)
        : Entity(gs), opaque_(std::move(opaque)), translucent_(std::move(translucent)) {}
    void draw() override {
        if (opaque_)
            opaque_(*gameSystem_->getVideoModule());
    }
    void drawAlpha() override {
        if (translucent_)
            translucent_(*gameSystem_->getVideoModule());
    }

  private:
    Drawing opaque_;
    Drawing translucent_;
};

// Whether each shape ended through endShape below is drawn at once, on its own: the picture that
// merging and layering must reproduce.
bool eachShapeAlone = false;

void endShape(VideoModule& video) {
    video.endShape();
    if (eachShapeAlone)
        ShapeBatch::flushCurrent();
}

// Runs [draw] 50 units farther from the eye than the board: the depth test hides it behind
// what was drawn on the board.
void behind(VideoModule& video, const std::function<void()>& draw) {
    video.pushMatrix();
    video.translate(0.0f, 0.0f, -50.0f);
    draw();
    video.popMatrix();
}

void square(VideoModule& video, int shapeType, float x, float y, float half, float r, float g, float b) {
    video.pushMatrix();
    video.translate(x, y, 0.0f);
    video.setColour(r, g, b, 1.0f);
    video.beginShape(shapeType);
    switch (shapeType) {
        case SHAPETYPE_TRIANGLEFAN:
            video.plotVertex(-half, -half, 0.0f);
            video.plotVertex(half, -half, 0.0f);
            video.plotVertex(half, half, 0.0f);
            video.plotVertex(-half, half, 0.0f);
            break;
        case SHAPETYPE_TRIANGLESTRIP:
            video.plotVertex(-half, -half, 0.0f);
            video.plotVertex(half, -half, 0.0f);
            video.plotVertex(-half, half, 0.0f);
            video.plotVertex(half, half, 0.0f);
            break;
        case SHAPETYPE_TRIANGLES:
            video.plotVertex(-half, -half, 0.0f);
            video.plotVertex(half, -half, 0.0f);
            video.plotVertex(half, half, 0.0f);
            video.plotVertex(-half, -half, 0.0f);
            video.plotVertex(half, half, 0.0f);
            video.plotVertex(-half, half, 0.0f);
            break;
        default:
            video.plotVertex(-half, -half, 0.0f);
            video.plotVertex(half, -half, 0.0f);
            video.plotVertex(half, half, 0.0f);
            video.plotVertex(-half, half, 0.0f);
            break;
    }
    endShape(video);
    video.popMatrix();
}

void line(VideoModule& video, float x0, float y0, float x1, float y1, float r, float g, float b,
          float a = 1.0f) {
    video.setColour(r, g, b, a);
    video.beginShape(SHAPETYPE_LINES);
    video.plotVertex(x0, y0, 0.0f);
    video.plotVertex(x1, y1, 0.0f);
    endShape(video);
}

// A filled circle as the scripts' shapes draw one: a fan of 12 around its centre.
void circle(VideoModule& video, float x, float y, float z, float radius, float r, float g, float b, float a) {
    video.setColour(r, g, b, a);
    video.beginShape(SHAPETYPE_TRIANGLEFAN);
    video.plotVertex(x, y, z);
    for (int i = 0; i <= 12; ++i) {
        const float angle = static_cast<float>(i) * 3.1415927f / 6.0f;
        video.plotVertex(x + radius * std::cos(angle), y + radius * std::sin(angle), z);
    }
    endShape(video);
}

// A 4 x 4 24-bit BMP of one colour, 0xRRGGBB.
void writeImage(const char* name, uint32_t rgb) {
    std::vector<uint8_t> b(54 + 4 * 12, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[10] = 54;
    b[14] = 40;
    b[18] = 4;
    b[22] = 4;
    b[26] = 1;
    b[28] = 24;
    for (std::size_t p = 54; p < b.size(); p += 3) {
        b[p] = static_cast<uint8_t>(rgb);
        b[p + 1] = static_cast<uint8_t>(rgb >> 8);
        b[p + 2] = static_cast<uint8_t>(rgb >> 16);
    }
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The square of [half] around (x, y) showing the image [name] in the current colour.
void texturedSquare(VideoModule& video, const char* name, float x, float y, float half) {
    video.beginTexture(name);
    video.beginShape(SHAPETYPE_QUADS);
    video.plotImageVertex(x - half, y - half, 0.0f, 0.0f, 1.0f);
    video.plotImageVertex(x + half, y - half, 0.0f, 1.0f, 1.0f);
    video.plotImageVertex(x + half, y + half, 0.0f, 1.0f, 0.0f);
    video.plotImageVertex(x - half, y + half, 0.0f, 0.0f, 0.0f);
    endShape(video);
    video.endTexture();
}

int channel(uint32_t pixel, int index) {
    return static_cast<int>((pixel >> (24 - 8 * index)) & 0xffu);
}

TEST(ShapeBatch, OverlappingShapesOfEveryFilledKindKeepTheirDrawingOrder) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    // The translucent pass writes no depth, so each shape lands over the ones before it.
    scene.addEntity(new DrawingEntity(&gs, nullptr, [](VideoModule& video) {
        square(video, SHAPETYPE_QUADS, 0.0f, 0.0f, 200.0f, 1.0f, 0.0f, 0.0f);
        square(video, SHAPETYPE_TRIANGLEFAN, 150.0f, 0.0f, 200.0f, 0.0f, 1.0f, 0.0f);
        square(video, SHAPETYPE_TRIANGLESTRIP, 300.0f, 0.0f, 200.0f, 0.0f, 0.0f, 1.0f);
        square(video, SHAPETYPE_TRIANGLES, 450.0f, 0.0f, 200.0f, 1.0f, 1.0f, 1.0f);
    }));
    scene.addEntity(new DrawingEntity(&gs, nullptr, [](VideoModule& video) {
        square(video, SHAPETYPE_QUADS, 600.0f, 0.0f, 200.0f, 1.0f, 0.0f, 0.0f);
    }));
    const Screenshot frame = scene.renderFrame();
    EXPECT_EQ(frame.getPixel(scene.pixelX(-100.0f), scene.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(75.0f), scene.pixelY(0.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(200.0f), scene.pixelY(0.0f)), kBlue);
    EXPECT_EQ(frame.getPixel(scene.pixelX(325.0f), scene.pixelY(150.0f)), kWhite);
    EXPECT_EQ(frame.getPixel(scene.pixelX(500.0f), scene.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(700.0f), scene.pixelY(-150.0f)), kRed);
}

TEST(ShapeBatch, ADepthTestChangeBetweenShapesTakesEffectAtTheNextShape) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        square(video, SHAPETYPE_QUADS, 0.0f, 0.0f, 300.0f, 1.0f, 0.0f, 0.0f);
        // With the test off the green square covers the red one...
        video.pushAttributes();
        video.setAttrDepthTest(false);
        square(video, SHAPETYPE_TRIANGLEFAN, -300.0f, 0.0f, 150.0f, 0.0f, 1.0f, 0.0f);
        video.popAttributes();
        // ...with it on again the blue one, deeper, stays behind the red one where they overlap.
        behind(video, [&] { square(video, SHAPETYPE_TRIANGLEFAN, 300.0f, 0.0f, 150.0f, 0.0f, 0.0f, 1.0f); });
    }));
    const Screenshot frame = scene.renderFrame();
    EXPECT_EQ(frame.getPixel(scene.pixelX(-250.0f), scene.pixelY(0.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-400.0f), scene.pixelY(0.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(250.0f), scene.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(400.0f), scene.pixelY(0.0f)), kBlue);
}

TEST(ShapeBatch, ADepthWriteChangeBetweenShapesTakesEffectAtTheNextShape) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        // Without depth writes the red square leaves the depth buffer clear for the green one
        // behind it.
        video.pushAttributes();
        video.setAttrDepthWrite(false);
        square(video, SHAPETYPE_QUADS, -300.0f, 0.0f, 150.0f, 1.0f, 0.0f, 0.0f);
        video.popAttributes();
        behind(video, [&] { square(video, SHAPETYPE_QUADS, -300.0f, 0.0f, 150.0f, 0.0f, 1.0f, 0.0f); });
        // With them the blue square keeps its place against the white one behind it.
        square(video, SHAPETYPE_QUADS, 300.0f, 0.0f, 150.0f, 0.0f, 0.0f, 1.0f);
        behind(video, [&] { square(video, SHAPETYPE_QUADS, 300.0f, 0.0f, 150.0f, 1.0f, 1.0f, 1.0f); });
    }));
    const Screenshot frame = scene.renderFrame();
    EXPECT_EQ(frame.getPixel(scene.pixelX(-300.0f), scene.pixelY(0.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(300.0f), scene.pixelY(0.0f)), kBlue);
}

TEST(ShapeBatch, LinesKeepTheirWidthAndTheirPlaceInTheOrder) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        square(video, SHAPETYPE_QUADS, 0.0f, 0.0f, 400.0f, 1.0f, 0.0f, 0.0f);
        // Lines ignore depth: this one crosses the red square although it was drawn later.
        video.setLineWidth(10.0f);
        video.setColour(0.0f, 1.0f, 0.0f, 1.0f);
        video.beginShape(SHAPETYPE_LINES);
        video.plotVertex(-1000.0f, 0.0f, 0.0f);
        video.plotVertex(1000.0f, 0.0f, 0.0f);
        video.endShape();
        video.setLineWidth(2.0f);
        // A square drawn after the line covers it where its depth test lets it: depth off here.
        video.pushAttributes();
        video.setAttrDepthTest(false);
        square(video, SHAPETYPE_TRIANGLEFAN, 300.0f, 0.0f, 100.0f, 0.0f, 0.0f, 1.0f);
        video.popAttributes();
        // A loop after the line, thin again.
        video.setColour(1.0f, 1.0f, 1.0f, 1.0f);
        video.beginShape(SHAPETYPE_LINELOOP);
        video.plotVertex(-900.0f, 900.0f, 0.0f);
        video.plotVertex(900.0f, 900.0f, 0.0f);
        video.plotVertex(900.0f, 1100.0f, 0.0f);
        video.endShape();
    }));
    const Screenshot frame = scene.renderFrame();
    const int row = scene.pixelY(0.0f);
    const int x = scene.pixelX(-200.0f);
    // 10 pixels wide (the area is 800 wide): solid two rows off the centre, gone at eight.
    EXPECT_EQ(frame.getPixel(x, row), kGreen);
    EXPECT_EQ(frame.getPixel(x, row + 3), kGreen);
    EXPECT_EQ(frame.getPixel(x, row - 3), kGreen);
    EXPECT_EQ(frame.getPixel(x, row + 8), kRed);
    EXPECT_EQ(frame.getPixel(x, row - 8), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-700.0f), row), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-700.0f), row + 8), kBlack);
    EXPECT_EQ(frame.getPixel(scene.pixelX(300.0f), row), kBlue);
    // The loop: its first edge, 2 pixels wide (smoothed, so the check is for a bright pixel), and
    // the edge that closes it back to its first vertex.
    EXPECT_GT(channel(frame.getPixel(scene.pixelX(0.0f), scene.pixelY(900.0f)), 0), 100);
    EXPECT_EQ(frame.getPixel(scene.pixelX(0.0f), scene.pixelY(900.0f) + 5), kBlack);
    EXPECT_EQ(frame.getPixel(scene.pixelX(0.0f), scene.pixelY(900.0f) - 5), kBlack);
    EXPECT_GT(channel(frame.getPixel(scene.pixelX(0.0f), scene.pixelY(1000.0f)), 0), 100);
}

// Lines between filled shapes are merged into one list drawn after the shapes, unless a later
// shape lands on one of them: each line here runs into the next square, which must cover its end,
// while a row of lines far from every square is merged and drawn whole.
TEST(ShapeBatch, ASquareDrawnAfterALineCoversItWhereverTheLinesAreMerged) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    auto x = [](int k) { return -950.0f + 100.0f * static_cast<float>(k); };
    scene.addEntity(new DrawingEntity(&gs, [&x](VideoModule& video) {
        for (int k = 0; k < 19; ++k) {
            square(video, SHAPETYPE_TRIANGLEFAN, x(k), 0.0f, 40.0f, 1.0f, 0.0f, 0.0f);
            video.setColour(0.0f, 1.0f, 0.0f, 1.0f);
            video.beginShape(SHAPETYPE_LINES);
            video.plotVertex(x(k), 0.0f, 0.0f);
            video.plotVertex(x(k) + 100.0f, 0.0f, 0.0f);
            video.plotVertex(x(k), 600.0f, 0.0f);  // far above every square
            video.plotVertex(x(k) + 60.0f, 600.0f, 0.0f);
            video.endShape();
        }
    }));
    const Screenshot frame = scene.renderFrame();
    for (int k = 0; k < 18; ++k) {
        EXPECT_EQ(frame.getPixel(scene.pixelX(x(k) + 20.0f), scene.pixelY(0.0f)), kGreen) << k;
        EXPECT_EQ(frame.getPixel(scene.pixelX(x(k) + 50.0f), scene.pixelY(0.0f)), kGreen) << k;
        EXPECT_EQ(frame.getPixel(scene.pixelX(x(k) + 85.0f), scene.pixelY(0.0f)), kRed) << k;
        EXPECT_GT(channel(frame.getPixel(scene.pixelX(x(k) + 30.0f), scene.pixelY(600.0f)), 1), 100) << k;
    }
}

TEST(ShapeBatch, VerticesKeepTheirOwnColours) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        square(video, SHAPETYPE_QUADS, -600.0f, 0.0f, 100.0f, 1.0f, 1.0f, 0.0f);
        video.beginShape(SHAPETYPE_QUADS);
        video.setColour(1.0f, 0.0f, 0.0f, 1.0f);
        video.plotVertex(-400.0f, -400.0f, 0.0f);
        video.setColour(0.0f, 1.0f, 0.0f, 1.0f);
        video.plotVertex(400.0f, -400.0f, 0.0f);
        video.setColour(0.0f, 0.0f, 1.0f, 1.0f);
        video.plotVertex(400.0f, 400.0f, 0.0f);
        video.setColour(1.0f, 1.0f, 1.0f, 1.0f);
        video.plotVertex(-400.0f, 400.0f, 0.0f);
        video.endShape();
        square(video, SHAPETYPE_QUADS, 600.0f, 0.0f, 100.0f, 0.0f, 1.0f, 1.0f);
    }));
    const Screenshot frame = scene.renderFrame();
    auto near = [&](float x, float y, int r, int g, int b) {
        const uint32_t pixel = frame.getPixel(scene.pixelX(x), scene.pixelY(y));
        EXPECT_NEAR(channel(pixel, 0), r, 12) << x << "," << y;
        EXPECT_NEAR(channel(pixel, 1), g, 12) << x << "," << y;
        EXPECT_NEAR(channel(pixel, 2), b, 12) << x << "," << y;
    };
    near(-390.0f, -390.0f, 255, 0, 0);
    near(390.0f, -390.0f, 0, 255, 0);
    near(390.0f, 390.0f, 0, 0, 255);
    near(-390.0f, 390.0f, 255, 255, 255);
    // A quad is cut along the diagonal from its first vertex to its third: at the centre only
    // those two colours mix.
    near(0.0f, 0.0f, 128, 0, 128);
    // The one-colour shapes on either side keep their own colour.
    EXPECT_EQ(frame.getPixel(scene.pixelX(-600.0f), scene.pixelY(0.0f)), 0xffff00ffu);
    EXPECT_EQ(frame.getPixel(scene.pixelX(600.0f), scene.pixelY(0.0f)), 0x00ffffffu);
}

TEST(ShapeBatch, OpaqueColoursComeOutExactly) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        square(video, SHAPETYPE_QUADS, -400.0f, 0.0f, 150.0f, 0.2f, 0.5f, 0.8f);
        square(video, SHAPETYPE_TRIANGLEFAN, 400.0f, 0.0f, 150.0f, 0.1f, 0.3f, 0.7f);
    }));
    const Screenshot frame = scene.renderFrame();
    EXPECT_EQ(frame.getPixel(scene.pixelX(-400.0f), scene.pixelY(0.0f)), 0x3380ccffu);
    EXPECT_EQ(frame.getPixel(scene.pixelX(400.0f), scene.pixelY(0.0f)), 0x1a4cb2ffu);
}

TEST(ShapeBatch, TranslucentShapesBlendOverWhatWasDrawnBefore) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(
        &gs, [](VideoModule& video) { square(video, SHAPETYPE_QUADS, 0.0f, 0.0f, 300.0f, 1.0f, 1.0f, 1.0f); },
        [](VideoModule& video) {
            video.setColour(1.0f, 0.0f, 0.0f, 0.5f);
            video.beginShape(SHAPETYPE_TRIANGLEFAN);
            video.plotVertex(-200.0f, -200.0f, 1.0f);
            video.plotVertex(200.0f, -200.0f, 1.0f);
            video.plotVertex(200.0f, 200.0f, 1.0f);
            video.plotVertex(-200.0f, 200.0f, 1.0f);
            video.endShape();
        }));
    const Screenshot frame = scene.renderFrame();
    const uint32_t pixel = frame.getPixel(scene.pixelX(0.0f), scene.pixelY(0.0f));
    EXPECT_EQ(channel(pixel, 0), 255);
    EXPECT_NEAR(channel(pixel, 1), 128, 1);
    EXPECT_NEAR(channel(pixel, 2), 128, 1);
}

TEST(ShapeBatch, OpaqueAndTranslucentShapesDrawnTogetherEachBlendAsTheirAlphaSays) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, nullptr, [](VideoModule& video) {
        square(video, SHAPETYPE_QUADS, -100.0f, 0.0f, 200.0f, 0.0f, 1.0f, 0.0f);
        video.setColour(1.0f, 0.0f, 0.0f, 0.5f);
        video.beginShape(SHAPETYPE_TRIANGLEFAN);
        video.plotVertex(0.0f, -100.0f, 0.0f);
        video.plotVertex(400.0f, -100.0f, 0.0f);
        video.plotVertex(400.0f, 100.0f, 0.0f);
        video.plotVertex(0.0f, 100.0f, 0.0f);
        video.endShape();
        square(video, SHAPETYPE_TRIANGLEFAN, 500.0f, 0.0f, 100.0f, 0.2f, 0.5f, 0.8f);
    }));
    const Screenshot frame = scene.renderFrame();
    EXPECT_EQ(frame.getPixel(scene.pixelX(-200.0f), scene.pixelY(0.0f)), kGreen);
    const uint32_t mixed = frame.getPixel(scene.pixelX(50.0f), scene.pixelY(0.0f));
    EXPECT_NEAR(channel(mixed, 0), 128, 1);
    EXPECT_NEAR(channel(mixed, 1), 128, 1);
    EXPECT_EQ(channel(mixed, 2), 0);
    const uint32_t overBlack = frame.getPixel(scene.pixelX(300.0f), scene.pixelY(0.0f));
    EXPECT_NEAR(channel(overBlack, 0), 128, 1);
    EXPECT_EQ(channel(overBlack, 1), 0);
    // The opaque square drawn over the translucent one covers it exactly.
    EXPECT_EQ(frame.getPixel(scene.pixelX(450.0f), scene.pixelY(0.0f)), 0x3380ccffu);
}

TEST(ShapeBatch, ATranslucentClearDimsWhatCameBeforeItOnly) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        square(video, SHAPETYPE_QUADS, -300.0f, 0.0f, 150.0f, 1.0f, 1.0f, 1.0f);
        video.clear(0.0f, 0.0f, 0.0f, 0.5f);
        video.setupWorldView();
        square(video, SHAPETYPE_QUADS, 300.0f, 0.0f, 150.0f, 1.0f, 1.0f, 1.0f);
    }));
    const Screenshot frame = scene.renderFrame();
    const uint32_t dimmed = frame.getPixel(scene.pixelX(-300.0f), scene.pixelY(0.0f));
    EXPECT_NEAR(channel(dimmed, 0), 128, 1);
    EXPECT_NEAR(channel(dimmed, 1), 128, 1);
    EXPECT_NEAR(channel(dimmed, 2), 128, 1);
    EXPECT_EQ(frame.getPixel(scene.pixelX(300.0f), scene.pixelY(0.0f)), kWhite);
    EXPECT_EQ(frame.getPixel(scene.pixelX(0.0f), scene.pixelY(0.0f)) & 0xffffff00u, 0u);
}

TEST(ShapeBatch, NestedMatricesPlaceShapesAsComposedTransforms) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        video.pushMatrix();
        video.translate(-500.0f, 0.0f, 0.0f);
        video.rotateZ(3.1415927f / 2.0f);
        video.pushMatrix();
        // Along the rotated x axis: up the screen.
        video.translate(400.0f, 0.0f, 0.0f);
        video.scale(2.0f, 1.0f, 1.0f);
        square(video, SHAPETYPE_QUADS, 0.0f, 0.0f, 50.0f, 1.0f, 0.0f, 0.0f);
        video.popMatrix();
        square(video, SHAPETYPE_QUADS, 0.0f, 0.0f, 50.0f, 0.0f, 1.0f, 0.0f);
        video.popMatrix();
        square(video, SHAPETYPE_QUADS, 500.0f, 0.0f, 50.0f, 0.0f, 0.0f, 1.0f);
    }));
    const Screenshot frame = scene.renderFrame();
    // The red square is 200 long along the rotated x axis (up) and 100 along y (sideways).
    EXPECT_EQ(frame.getPixel(scene.pixelX(-500.0f), scene.pixelY(400.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-500.0f), scene.pixelY(480.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-500.0f), scene.pixelY(530.0f)), kBlack);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-460.0f), scene.pixelY(400.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-420.0f), scene.pixelY(400.0f)), kBlack);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-500.0f), scene.pixelY(0.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(500.0f), scene.pixelY(0.0f)), kBlue);
}

TEST(ShapeBatch, ACrowdOfShapesIsDrawnCompletelyAndInOrder) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    // Far more vertices than one driver call takes at once; the last squares land on the first.
    scene.addEntity(new DrawingEntity(&gs, nullptr, [](VideoModule& video) {
        for (int i = 0; i < 20000; ++i) {
            const float x = -1000.0f + static_cast<float>(i % 100) * 20.0f;
            const float y = -500.0f + static_cast<float>(i / 100 % 50) * 20.0f;
            const bool late = i >= 15000;
            square(video, SHAPETYPE_TRIANGLEFAN, x, y, 12.0f, late ? 0.0f : 1.0f, late ? 1.0f : 0.0f, 0.0f);
        }
    }));
    const Screenshot frame = scene.renderFrame();
    for (int i = 0; i < 5000; i += 499) {
        const float x = -1000.0f + static_cast<float>(i % 100) * 20.0f;
        const float y = -500.0f + static_cast<float>(i / 100 % 50) * 20.0f;
        EXPECT_EQ(frame.getPixel(scene.pixelX(x), scene.pixelY(y)), kGreen) << i;
    }
}

TEST(ShapeBatch, PixelsReadOutsideAFrameIncludeTheShapesDrawnBeforeThem) {
    PictureHarness scene;
    GLVideoModule& video = scene.video();
    video.clear(0.0f, 0.0f, 0.0f, 1.0f);
    video.setupOrthoView();
    video.setAttrDepthTest(false);
    square(video, SHAPETYPE_QUADS, 0.5f, 0.5f, 0.25f, 0.0f, 0.0f, 1.0f);
    const Screenshot shot = Screenshot::capture(video.getViewportX(), video.getViewportY(),
                                                video.getScreenWidth(), video.getScreenHeight());
    EXPECT_EQ(shot.getPixel(400, 300), kBlue);
    EXPECT_EQ(shot.getPixel(50, 50), kBlack);
    video.setAttrDepthTest(true);
}

// Renders the scene's frame as the batch merges it, then with each shape drawn on its own as it
// ends, and expects the two to be the same to the byte; returns the merged one.
Screenshot expectSameAsEachShapeAlone(PictureHarness& scene) {
    const Screenshot merged = scene.renderFrame();
    eachShapeAlone = true;
    const Screenshot alone = scene.renderFrame();
    eachShapeAlone = false;
    EXPECT_EQ(merged.getWidth(), alone.getWidth());
    EXPECT_EQ(merged.getHeight(), alone.getHeight());
    int differing = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < merged.getHeight(); ++y) {
        for (int x = 0; x < merged.getWidth(); ++x) {
            if (merged.getPixel(x, y) != alone.getPixel(x, y) && differing++ == 0) {
                firstX = x;
                firstY = y;
            }
        }
    }
    EXPECT_EQ(differing, 0) << "first at " << firstX << "," << firstY << ": merged " << std::hex
                            << merged.getPixel(firstX, firstY) << ", alone "
                            << alone.getPixel(firstX, firstY);
    return merged;
}

// A square lands on a line drawn before it and must cover it; a square that lands only on that
// older line must not wait for newer lines it misses, and must still cover the line it lands on;
// one that lands on a newer line goes above it too; one far from everything goes first.
TEST(ShapeBatch, AShapeIsDrawnAfterEveryPendingShapeItLandsOnAndBeforeNoneItNeeds) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        video.setLineWidth(6.0f);
        line(video, -700.0f, 0.0f, -100.0f, 0.0f, 0.0f, 1.0f, 0.0f);                   // A
        square(video, SHAPETYPE_TRIANGLEFAN, -500.0f, 0.0f, 60.0f, 1.0f, 0.0f, 0.0f);  // over A
        line(video, -500.0f, -400.0f, -500.0f, 400.0f, 0.0f, 0.0f, 1.0f);        // B, over the red square
        square(video, SHAPETYPE_QUADS, -250.0f, 0.0f, 60.0f, 1.0f, 1.0f, 1.0f);  // over A only
        square(video, SHAPETYPE_TRIANGLES, -500.0f, 300.0f, 60.0f, 1.0f, 1.0f, 0.0f);    // over B only
        square(video, SHAPETYPE_TRIANGLESTRIP, 500.0f, 0.0f, 100.0f, 1.0f, 0.0f, 1.0f);  // over nothing
        line(video, 400.0f, 0.0f, 600.0f, 0.0f, 0.0f, 1.0f, 1.0f);  // over the magenta square
    }));
    const Screenshot frame = expectSameAsEachShapeAlone(scene);
    const int row = scene.pixelY(0.0f);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-650.0f), row), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-530.0f), row), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-500.0f), row), kBlue);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-250.0f), row), kWhite);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-500.0f), scene.pixelY(200.0f)), kBlue);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-500.0f), scene.pixelY(300.0f)), 0xffff00ffu);
    EXPECT_EQ(frame.getPixel(scene.pixelX(500.0f), scene.pixelY(50.0f)), 0xff00ffffu);
    EXPECT_EQ(frame.getPixel(scene.pixelX(500.0f), row), 0x00ffffffu);
}

// A line that lands only on a square in a higher layer than any line it meets is drawn over the
// square, and a square drawn over that line covers it in turn.
TEST(ShapeBatch, ALineOverAShapeInAHigherLayerIsDrawnOverIt) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        video.setLineWidth(6.0f);
        line(video, -600.0f, 0.0f, 600.0f, 0.0f, 0.0f, 1.0f, 0.0f);
        square(video, SHAPETYPE_QUADS, 0.0f, 0.0f, 400.0f, 1.0f, 0.0f, 0.0f);
        // Far from the green line, inside the red square.
        line(video, 200.0f, 150.0f, 200.0f, 350.0f, 0.0f, 0.0f, 1.0f);
        square(video, SHAPETYPE_TRIANGLEFAN, 200.0f, 300.0f, 30.0f, 1.0f, 1.0f, 1.0f);
    }));
    const Screenshot frame = expectSameAsEachShapeAlone(scene);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-300.0f), scene.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-300.0f), scene.pixelY(200.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(200.0f), scene.pixelY(200.0f)), kBlue);
    EXPECT_EQ(frame.getPixel(scene.pixelX(200.0f), scene.pixelY(300.0f)), kWhite);
    EXPECT_EQ(frame.getPixel(scene.pixelX(300.0f), scene.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(500.0f), scene.pixelY(0.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(700.0f), scene.pixelY(0.0f)), kBlack);
}

// Each square lands on the line before it and each line on its square, a chain of overlaps far
// deeper than the layers a flush holds, beside a row of shapes that overlap nothing.
TEST(ShapeBatch, AChainOfOverlapsPastTheLayerCapStaysInOrder) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    constexpr int kSteps = 2 * ShapeBatch::kMaxLayers + 5;
    auto x = [](int k) { return -1700.0f + 50.0f * static_cast<float>(k); };
    scene.addEntity(new DrawingEntity(&gs, [&x](VideoModule& video) {
        video.setLineWidth(4.0f);
        for (int k = 0; k < kSteps; ++k) {
            const bool odd = k % 2 != 0;
            square(video, SHAPETYPE_TRIANGLEFAN, x(k), 0.0f, 20.0f, 1.0f, odd ? 1.0f : 0.0f, 0.0f);
            line(video, x(k), 0.0f, x(k) + 50.0f, 0.0f, 0.0f, odd ? 0.0f : 1.0f, 1.0f);
            square(video, SHAPETYPE_QUADS, x(k), 600.0f, 15.0f, 0.0f, 1.0f, 0.0f);
            line(video, x(k) - 20.0f, 400.0f, x(k) + 20.0f, 400.0f, 1.0f, 1.0f, 1.0f);
        }
    }));
    const Screenshot frame = expectSameAsEachShapeAlone(scene);
    const int row = scene.pixelY(0.0f);
    for (int k = 0; k + 1 < kSteps; ++k) {
        const bool odd = k % 2 != 0;
        EXPECT_EQ(frame.getPixel(scene.pixelX(x(k) + 10.0f), row), odd ? kBlue : 0x00ffffffu) << k;
        EXPECT_EQ(frame.getPixel(scene.pixelX(x(k) + 40.0f), row), odd ? kRed : 0xffff00ffu) << k;
        EXPECT_EQ(frame.getPixel(scene.pixelX(x(k)), scene.pixelY(600.0f)), kGreen) << k;
        EXPECT_EQ(frame.getPixel(scene.pixelX(x(k)), scene.pixelY(400.0f)), kWhite) << k;
    }
}

// Textured, translucent and untextured shapes, shapes drawn alone and depth test changes among
// shapes spread over several layers.
TEST(ShapeBatch, TexturedAndTranslucentShapesAmongLayeredOnesKeepTheirOrder) {
    constexpr const char* kImage = "picture_batch_test_magenta.bmp";
    writeImage(kImage, 0xff00ffu);
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, nullptr, [](VideoModule& video) {
        video.setLineWidth(6.0f);
        line(video, -800.0f, 0.0f, 800.0f, 0.0f, 0.0f, 1.0f, 0.0f);
        // Over the green line: a layer up, textured.
        video.setColour(1.0f, 1.0f, 1.0f, 1.0f);
        texturedSquare(video, kImage, -600.0f, 0.0f, 100.0f);
        // Half over the textured square, translucent, untextured: everything pending goes first.
        square(video, SHAPETYPE_QUADS, -500.0f, 0.0f, 100.0f, 0.0f, 0.0f, 1.0f);
        video.setColour(1.0f, 0.0f, 0.0f, 0.5f);
        video.beginShape(SHAPETYPE_QUADS);
        video.plotVertex(-650.0f, -50.0f, 0.0f);
        video.plotVertex(-350.0f, -50.0f, 0.0f);
        video.plotVertex(-350.0f, 50.0f, 0.0f);
        video.plotVertex(-650.0f, 50.0f, 0.0f);
        endShape(video);
        line(video, -600.0f, -300.0f, -600.0f, 300.0f, 1.0f, 1.0f, 1.0f, 0.5f);
        // A shape with colours per vertex, drawn alone, over the translucent one.
        video.beginShape(SHAPETYPE_TRIANGLES);
        video.setColour(1.0f, 1.0f, 0.0f, 1.0f);
        video.plotVertex(-420.0f, -40.0f, 0.0f);
        video.setColour(0.0f, 1.0f, 1.0f, 1.0f);
        video.plotVertex(-380.0f, -40.0f, 0.0f);
        video.plotVertex(-400.0f, 40.0f, 0.0f);
        endShape(video);
        // Translucent textured squares over the green line, then over each other.
        video.setColour(1.0f, 1.0f, 1.0f, 0.5f);
        texturedSquare(video, kImage, 200.0f, 0.0f, 100.0f);
        line(video, 150.0f, -200.0f, 150.0f, 200.0f, 0.0f, 0.0f, 1.0f);
        video.setColour(1.0f, 1.0f, 1.0f, 0.5f);
        texturedSquare(video, kImage, 250.0f, 0.0f, 100.0f);
        // Without the depth test, deeper, over everything so far.
        video.pushAttributes();
        video.setAttrDepthTest(false);
        behind(video, [&] { square(video, SHAPETYPE_TRIANGLEFAN, 300.0f, 0.0f, 30.0f, 1.0f, 1.0f, 1.0f); });
        video.popAttributes();
        line(video, 300.0f, -100.0f, 300.0f, 100.0f, 1.0f, 0.0f, 0.0f);
        video.setColour(1.0f, 1.0f, 1.0f, 1.0f);
        texturedSquare(video, kImage, 600.0f, 0.0f, 50.0f);
    }));
    const Screenshot frame = expectSameAsEachShapeAlone(scene);
    std::remove(kImage);
    const int row = scene.pixelY(0.0f);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-750.0f), row), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-680.0f), scene.pixelY(80.0f)), 0xff00ffffu);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-450.0f), scene.pixelY(80.0f)), kBlue);
    const uint32_t overBlue = frame.getPixel(scene.pixelX(-450.0f), row);
    EXPECT_NEAR(channel(overBlue, 0), 128, 1);
    EXPECT_EQ(channel(overBlue, 1), 0);
    EXPECT_NEAR(channel(overBlue, 2), 128, 1);
    EXPECT_GT(channel(frame.getPixel(scene.pixelX(-600.0f), scene.pixelY(200.0f)), 1), 100);
    EXPECT_EQ(channel(frame.getPixel(scene.pixelX(-400.0f), scene.pixelY(-30.0f)), 1), 255);
    EXPECT_NEAR(channel(frame.getPixel(scene.pixelX(275.0f), scene.pixelY(80.0f)), 0), 191, 1);
    EXPECT_EQ(frame.getPixel(scene.pixelX(300.0f), scene.pixelY(20.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(320.0f), scene.pixelY(20.0f)), kWhite);
    EXPECT_EQ(frame.getPixel(scene.pixelX(600.0f), row), 0xff00ffffu);
}

// A crowd like the stress scene's, in clumps: circles and heading lines, some translucent, at
// depths that differ, more vertices than one flush holds.
TEST(ShapeBatch, ACrowdOfCirclesAndLinesInClumpsIsTheSameAsEachShapeDrawnAlone) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new DrawingEntity(&gs, [](VideoModule& video) {
        uint32_t state = 12345u;
        auto next = [&state](float range) {
            state = state * 1664525u + 1013904223u;
            return static_cast<float>(state >> 8) / static_cast<float>(1u << 24) * range;
        };
        video.setLineWidth(2.0f);
        for (int i = 0; i < 3000; ++i) {
            const float clumpX = -1500.0f + 600.0f * static_cast<float>(i % 6);
            const float clumpY = -1000.0f + 1000.0f * static_cast<float>(i / 6 % 3);
            const float x = clumpX + next(300.0f);
            const float y = clumpY + next(300.0f);
            const float alpha = i % 7 == 0 ? 0.5f : 1.0f;
            circle(video, x, y, -next(20.0f), 12.0f, next(1.0f), next(1.0f), next(1.0f), alpha);
            const float heading = next(6.2831853f);
            line(video, x, y, x + 30.0f * std::cos(heading), y + 30.0f * std::sin(heading), 1.0f, 1.0f, 1.0f);
        }
    }));
    expectSameAsEachShapeAlone(scene);
}

}  // namespace
