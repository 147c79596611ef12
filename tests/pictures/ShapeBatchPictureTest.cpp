// Shapes drawn through the video module come out as if each had been drawn on its own, in the
// order they were drawn, whatever the module merges behind the scenes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

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
    video.endShape();
    video.popMatrix();
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

}  // namespace
