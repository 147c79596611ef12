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

TEST(WindowDrawing, EntitiesAppearInTheirColoursAtTheirPlaces) {
    WindowHarness window;
    auto& gs = window.gameSystem;
    window.addEntity(new SquareEntity(&gs, -600.0f, 0.0f, 100.0f, 1.0f, 0.0f, 0.0f));
    window.addEntity(new SquareEntity(&gs, 600.0f, 300.0f, 100.0f, 0.0f, 1.0f, 0.0f));
    window.addEntity(new DiscEntity(&gs, 0.0f, -600.0f, 150.0f));
    const Screenshot frame = window.renderFrame();
    ASSERT_EQ(frame.getWidth(), 800);
    ASSERT_EQ(frame.getHeight(), 600);

    EXPECT_EQ(frame.getPixel(window.pixelX(-600.0f), window.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(window.pixelX(600.0f), window.pixelY(300.0f)), kGreen);
    EXPECT_EQ(frame.getPixel(window.pixelX(0.0f), window.pixelY(-600.0f)), kBlue);
    // The edges: just inside and just outside the red square.
    EXPECT_EQ(frame.getPixel(window.pixelX(-600.0f + 90.0f), window.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(window.pixelX(-600.0f + 115.0f), window.pixelY(0.0f)), kBlack);
    // A disc is round: its bounding box's corner stays dark.
    EXPECT_EQ(frame.getPixel(window.pixelX(140.0f), window.pixelY(-600.0f + 140.0f)), kBlack);
    EXPECT_EQ(frame.getPixel(window.pixelX(0.0f), window.pixelY(0.0f)), kBlack);
}

TEST(WindowDrawing, InvisibleEntitiesAreNotDrawn) {
    WindowHarness window;
    auto& gs = window.gameSystem;
    window.addEntity(new SquareEntity(&gs, 0.0f, 0.0f, 100.0f, 1.0f, 0.0f, 0.0f))->setIsInvisible(true);
    window.addEntity(new SquareEntity(&gs, 400.0f, 0.0f, 100.0f, 0.0f, 1.0f, 0.0f, true))
        ->setIsInvisible(true);
    const Screenshot frame = window.renderFrame();
    EXPECT_EQ(frame.getPixel(window.pixelX(0.0f), window.pixelY(0.0f)), kBlack);
    EXPECT_EQ(frame.getPixel(window.pixelX(400.0f), window.pixelY(0.0f)), kBlack);
}

TEST(WindowDrawing, PlayersTranslucentPassComesLast) {
    WindowHarness window;
    auto& gs = window.gameSystem;
    // The player is first in the draw list, yet its translucent pass lands on top.
    window.addEntity(new SquareEntity(&gs, 0.0f, 0.0f, 100.0f, 1.0f, 0.0f, 0.0f, true, true));
    window.addEntity(new SquareEntity(&gs, 50.0f, 0.0f, 100.0f, 0.0f, 1.0f, 0.0f, true));
    const Screenshot frame = window.renderFrame();
    EXPECT_EQ(frame.getPixel(window.pixelX(25.0f), window.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(window.pixelX(130.0f), window.pixelY(0.0f)), kGreen);
}

TEST(WindowDrawing, EarlierOpaqueEntitiesWinAtTheSameDepthAndTheTranslucentPassIsDepthTested) {
    WindowHarness window;
    auto& gs = window.gameSystem;
    window.addEntity(new SquareEntity(&gs, 0.0f, 0.0f, 100.0f, 1.0f, 0.0f, 0.0f));
    window.addEntity(new SquareEntity(&gs, 50.0f, 0.0f, 100.0f, 0.0f, 1.0f, 0.0f));
    window.addEntity(new SquareEntity(&gs, -50.0f, 0.0f, 100.0f, 0.0f, 0.0f, 1.0f, true));
    const Screenshot frame = window.renderFrame();
    EXPECT_EQ(frame.getPixel(window.pixelX(25.0f), window.pixelY(0.0f)), kRed);
    EXPECT_EQ(frame.getPixel(window.pixelX(-125.0f), window.pixelY(0.0f)), kBlue);
    EXPECT_EQ(frame.getPixel(window.pixelX(125.0f), window.pixelY(0.0f)), kGreen);
}

TEST(WindowDrawing, DrawingAreaKeepsItsAspectWithBlackBorders) {
    WindowHarness window(16.0f / 9.0f);
    ASSERT_TRUE(window.video().restartVideo(1280, 1024, false));
    EXPECT_EQ(window.video().getScreenWidth(), 1280);
    EXPECT_EQ(window.video().getScreenHeight(), 720);
    EXPECT_EQ(window.video().getViewportY(), 152);
    window.video().clear(1.0f, 1.0f, 1.0f, 1.0f);
    const Screenshot whole = Screenshot::capture(0, 0, 1280, 1024);
    // The borders were cleared to black with alpha 0.
    EXPECT_EQ(whole.getPixel(640, 100) & 0xffffff00u, 0u);
    EXPECT_EQ(whole.getPixel(640, 160), kWhite);
    EXPECT_EQ(whole.getPixel(640, 860), kWhite);
    EXPECT_EQ(whole.getPixel(640, 880) & 0xffffff00u, 0u);

    EXPECT_FALSE(window.video().restartVideo(0, 1024, false));
    EXPECT_NE(window.video().getWindow(), nullptr);
    EXPECT_EQ(window.video().getDeviceWidth(), 1280);
}

TEST(WindowDrawing, TheWorldOrthoViewShowsTheGameBoard) {
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
    WindowHarness window;
    auto& gs = window.gameSystem;
    gs.getGameBoard()->setMinPos({100.0f, -50.0f});
    gs.getGameBoard()->setMaxPos({500.0f, 250.0f});
    window.addEntity(new QuarterEntity(&gs));
    const Screenshot frame = window.renderFrame();
    // Half the board each way is half the 800 x 600 area.
    EXPECT_EQ(frame.getPixel(390, 290), kRed);
    EXPECT_EQ(frame.getPixel(5, 5), kRed);
    EXPECT_EQ(frame.getPixel(410, 290), kBlack);
    EXPECT_EQ(frame.getPixel(390, 310), kBlack);
}

TEST(WindowDrawing, SystemPauseScreenIsDarkRedWithAWhiteCross) {
    WindowHarness window;
    Screenshot frame;
    window.video().setBeforeSwapHook([&] { frame = Screenshot::capture(0, 0, 800, 600); });
    window.video().drawSystemPauseScreen();
    EXPECT_EQ(frame.getPixel(400, 100), 0x990000ffu);
    EXPECT_EQ(frame.getPixel(400, 300) & 0xffffff00u, 0xffffff00u);
}

TEST(WindowDrawing, ScreenshotWritesTheFrameAsAnOpaquePNG) {
    WindowHarness window;
    auto& gs = window.gameSystem;
    window.addEntity(new SquareEntity(&gs, 0.0f, 600.0f, 100.0f, 0.0f, 1.0f, 0.0f));
    const std::string path = (std::filesystem::temp_directory_path() / "tact_window_test_shot.png").string();
    std::remove(path.c_str());
    window.video().requestScreenshot(path);
    window.video().render();

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
    const uint8_t* green = at(window.pixelX(0.0f), window.pixelY(600.0f));
    EXPECT_EQ(green[0], 0);
    EXPECT_EQ(green[1], 255);
    EXPECT_EQ(green[3], 255);
    EXPECT_EQ(at(10, 10)[3], 255);
    std::remove(path.c_str());
}

}  // namespace
