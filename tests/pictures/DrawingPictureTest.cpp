#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <png.h>

#include "Engine/GameBoard.h"
#include "Engine/Shape.h"
#include "WindowHarness.h"

namespace {

constexpr uint32_t kBlack = 0x000000ffu;
constexpr uint32_t kRed = 0xff0000ffu;
constexpr uint32_t kGreen = 0x00ff00ffu;
constexpr uint32_t kBlue = 0x0000ffffu;
constexpr uint32_t kWhite = 0xffffffffu;

// A filled circle of the default shape's kind, drawn through a SHAPE.
class DiscEntity : public Entity {
  public:
    DiscEntity(GameSystem* gs, float x, float y, float radius)
        : Entity(gs), shape_(gs->getVideoModule(), SHAPETYPE_TRIANGLEFAN, 22) {
        shape_.setAsFilledCircle(radius);
        shape_.setPos(x, y);
    }
    void draw() override {
        gameSystem_->getVideoModule()->setColour(0.0f, 0.0f, 1.0f, 1.0f);
        shape_.draw();
    }

  private:
    Shape shape_;
};

TEST(Drawing, EntitiesAppearInTheirColoursAtTheirPlaces) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new SquareEntity(&gs, -600.0f, 0.0f, 100.0f, 1.0f, 0.0f, 0.0f));
    scene.addEntity(new SquareEntity(&gs, 600.0f, 300.0f, 100.0f, 0.0f, 1.0f, 0.0f));
    scene.addEntity(new DiscEntity(&gs, 0.0f, -600.0f, 150.0f));
    const Screenshot frame = scene.renderFrame();
    ASSERT_EQ(frame.getWidth(), 800);
    ASSERT_EQ(frame.getHeight(), 600);

    EXPECT_EQ(frame.getPixel(scene.pixelX(-600.0f), scene.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(600.0f), scene.pixelY(300.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(0.0f), scene.pixelY(-600.0f)), kBlue);
    // The edges: just inside and just outside the red square.
    EXPECT_EQ(frame.getPixel(scene.pixelX(-600.0f + 90.0f), scene.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-600.0f + 115.0f), scene.pixelY(0.0f)), kBlack);
    // A disc is round: its bounding box's corner stays dark.
    EXPECT_EQ(frame.getPixel(scene.pixelX(140.0f), scene.pixelY(-600.0f + 140.0f)), kBlack);
    EXPECT_EQ(frame.getPixel(scene.pixelX(0.0f), scene.pixelY(0.0f)), kBlack);
}

TEST(Drawing, InvisibleEntitiesAreNotDrawn) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new SquareEntity(&gs, 0.0f, 0.0f, 100.0f, 1.0f, 0.0f, 0.0f))->setIsInvisible(true);
    scene.addEntity(new SquareEntity(&gs, 400.0f, 0.0f, 100.0f, 0.0f, 1.0f, 0.0f, true))
        ->setIsInvisible(true);
    const Screenshot frame = scene.renderFrame();
    EXPECT_EQ(frame.getPixel(scene.pixelX(0.0f), scene.pixelY(0.0f)), kBlack);
    EXPECT_EQ(frame.getPixel(scene.pixelX(400.0f), scene.pixelY(0.0f)), kBlack);
}

TEST(Drawing, PlayersTranslucentPassComesLast) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    // The player is first in the draw list, yet its translucent pass lands on top.
    scene.addEntity(new SquareEntity(&gs, 0.0f, 0.0f, 100.0f, 1.0f, 0.0f, 0.0f, true, true));
    scene.addEntity(new SquareEntity(&gs, 50.0f, 0.0f, 100.0f, 0.0f, 1.0f, 0.0f, true));
    const Screenshot frame = scene.renderFrame();
    EXPECT_EQ(frame.getPixel(scene.pixelX(25.0f), scene.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(scene.pixelX(130.0f), scene.pixelY(0.0f)), kGreen);
}

TEST(Drawing, LaterEntitiesLandOnTopAtTheSameDepthInBothPasses) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new SquareEntity(&gs, 0.0f, 0.0f, 100.0f, 1.0f, 0.0f, 0.0f));
    scene.addEntity(new SquareEntity(&gs, 50.0f, 0.0f, 100.0f, 0.0f, 1.0f, 0.0f));
    scene.addEntity(new SquareEntity(&gs, -50.0f, 0.0f, 100.0f, 0.0f, 0.0f, 1.0f, true));
    const Screenshot frame = scene.renderFrame();
    EXPECT_EQ(frame.getPixel(scene.pixelX(75.0f), scene.pixelY(0.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-25.0f), scene.pixelY(0.0f)), kBlue);
    EXPECT_EQ(frame.getPixel(scene.pixelX(-125.0f), scene.pixelY(0.0f)), kBlue);
    EXPECT_EQ(frame.getPixel(scene.pixelX(125.0f), scene.pixelY(0.0f)), kGreen);
}

TEST(Drawing, TheWorldOrthoViewShowsTheGameBoard) {
    // Fills the board's lower-left quarter, from its minimum corner to its middle, in its own view.
    struct QuarterEntity : Entity {
        using Entity::Entity;
        void draw() override {
            VideoModule* video = gameSystem_->getVideoModule();
            const GameBoard* board = gameSystem_->getGameBoard();
            const RealPoint min = board->getMinPos();
            const RealPoint mid = board->getMidPos();
            video->setupWorldOrthoView();
            video->setColour(1.0f, 0.0f, 0.0f, 1.0f);
            video->beginShape(SHAPETYPE_QUADS);
            video->plotVertex(min.x, min.y, 0.0f);
            video->plotVertex(mid.x, min.y, 0.0f);
            video->plotVertex(mid.x, mid.y, 0.0f);
            video->plotVertex(min.x, mid.y, 0.0f);
            video->endShape();
        }
    };
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    gs.getGameBoard()->setMinPos({100.0f, -50.0f});
    gs.getGameBoard()->setMaxPos({500.0f, 250.0f});
    scene.addEntity(new QuarterEntity(&gs));
    const Screenshot frame = scene.renderFrame();
    // Half the board each way is half the 800 x 600 area.
    EXPECT_EQ(frame.getPixel(390, 290), kRed);
    EXPECT_EQ(frame.getPixel(5, 5), kRed);
    EXPECT_EQ(frame.getPixel(410, 290), kBlack);
    EXPECT_EQ(frame.getPixel(390, 310), kBlack);
}

TEST(Drawing, SystemPauseScreenIsDarkRedWithAWhiteCross) {
    PictureHarness scene;
    Screenshot frame;
    scene.video().setBeforeSwapHook([&] { frame = Screenshot::capture(0, 0, 800, 600); });
    scene.video().drawSystemPauseScreen();
    EXPECT_EQ(frame.getPixel(400, 100), 0x990000ffu);
    EXPECT_EQ(frame.getPixel(400, 300) & 0xffffff00u, 0xffffff00u);
}

TEST(Drawing, ScreenshotWritesTheFrameAsAnOpaquePNG) {
    PictureHarness scene;
    auto& gs = scene.gameSystem;
    scene.addEntity(new SquareEntity(&gs, 0.0f, 600.0f, 100.0f, 0.0f, 1.0f, 0.0f));
    const std::string path = (std::filesystem::temp_directory_path() / "tact_picture_test_shot.png").string();
    std::remove(path.c_str());
    scene.video().requestScreenshot(path);
    scene.video().render();

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    ASSERT_EQ(image.width, 800u);
    ASSERT_EQ(image.height, 600u);
    // PNG rows run top down.
    auto at = [&](int x, int y) { return &pixels[(static_cast<std::size_t>(599 - y) * 800 + x) * 4]; };
    const uint8_t* green = at(scene.pixelX(0.0f), scene.pixelY(600.0f));
    EXPECT_EQ(green[0], 0);
    EXPECT_EQ(green[1], 255);
    EXPECT_EQ(green[3], 255);
    EXPECT_EQ(at(10, 10)[3], 255);
    std::remove(path.c_str());
}

}  // namespace
