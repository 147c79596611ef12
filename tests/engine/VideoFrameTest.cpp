#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Engine/PhysicsData.h"
#include "Engine/ShapeType.h"
#include "EngineHarness.h"

namespace {

using Call = NullVideoModule::DrawCall;

// An entity that writes its draw passes into the trace.
class PassEntity : public Entity {
  public:
    PassEntity(GameSystem* gs, EventTrace* trace, std::string name, bool player = false)
        : Entity(gs, 0, player), trace_(trace), name_(std::move(name)) {}
    void draw() override { trace_->push_back(name_ + ".draw"); }
    void drawAlpha() override { trace_->push_back(name_ + ".drawAlpha"); }

  private:
    EventTrace* trace_;
    std::string name_;
};

// A clock that reports a fixed time per reading.
class StepTimer final : public SimulationTimer {
  public:
    explicit StepTimer(float stepMS) : stepMS_(stepMS) {}
    bool start() override { return true; }
    float getElapsedMS() override { return stepMS_; }

  private:
    float stepMS_;
};

class VideoFrame : public testing::Test {
  protected:
    void SetUp() override {
        engine.registerProcess("Main");
        engine.gameSystem.startUp();
        engine.runTicks(1);
    }

    PassEntity* addEntity(const std::string& name, bool player = false) {
        auto* entity = new PassEntity(&engine.gameSystem, &engine.trace, name, player);
        engine.gameSystem.getEntityManager()->addEntity(entity);
        engine.gameSystem.getEntityManager()->flush();
        return entity;
    }

    EngineHarness engine;
};

TEST_F(VideoFrame, PassesRunBetweenTheDrawHooksWithPlayersTranslucentPassLast) {
    addEntity("player", true);
    addEntity("rock");
    addEntity("ghost")->setIsInvisible(true);
    addEntity("hiddenPlayer", true)->setIsInvisible(true);
    engine.trace.clear();
    engine.video().render();
    EXPECT_EQ(engine.trace, (EventTrace{"Main.preDraw", "player.draw", "rock.draw", "rock.drawAlpha",
                                        "player.drawAlpha", "Main.postDraw"}));
}

TEST_F(VideoFrame, TranslucentPassWritesNoDepthAndTheFrameEndsWithASwap) {
    addEntity("rock");
    engine.video().clearDrawCalls();
    engine.video().render();
    std::vector<std::string> names;
    for (const Call& call : engine.video().getDrawCalls()) names.push_back(call.operation);
    EXPECT_EQ(names, (std::vector<std::string>{"clearDepthBuffer", "setupWorldView", "depthWrite",
                                               "depthTest", "depthWrite", "depthWrite", "depthTest",
                                               "depthWrite", "depthTest", "depthWrite", "swapBuffers"}));
    EXPECT_EQ(engine.video().getDrawCalls()[2], (Call{"depthWrite", {0}}));
    EXPECT_EQ(engine.video().getAttributesStackSize(), 0u);
}

TEST_F(VideoFrame, YDepthSwitchesTheDepthTestOffForTheFrameOnly) {
    engine.video().setIsYDepth(true);
    engine.video().clearDrawCalls();
    engine.video().render();
    EXPECT_EQ(engine.video().getDrawCalls()[1], (Call{"depthTest", {0}}));
    EXPECT_TRUE(engine.video().isAttrDepthTest());
}

TEST_F(VideoFrame, YDepthDrawsEntitiesLowerOnTheBoardOverThoseAbove) {
    addEntity("middle")->getPhysicsData()->setPos(0.0f, 10.0f);
    addEntity("low")->getPhysicsData()->setPos(0.0f, -500.0f);
    addEntity("high")->getPhysicsData()->setPos(0.0f, 800.0f);
    engine.video().setIsYDepth(true);
    engine.trace.clear();
    engine.video().render();
    EXPECT_EQ(engine.trace,
              (EventTrace{"Main.preDraw", "high.draw", "middle.draw", "low.draw", "high.drawAlpha",
                          "middle.drawAlpha", "low.drawAlpha", "Main.postDraw"}));
}

TEST_F(VideoFrame, DeletedEntitiesLeaveTheDrawList) {
    PassEntity* rock = addEntity("rock");
    addEntity("tree");
    ASSERT_EQ(engine.video().getDrawList().size(), 2u);
    engine.gameSystem.onEntityDelete(rock);
    ASSERT_EQ(engine.video().getDrawList().size(), 1u);
    engine.trace.clear();
    engine.video().render();
    EXPECT_EQ(engine.traceOf("rock"), EventTrace{});
    EXPECT_EQ(engine.traceOf("tree"), (EventTrace{"tree.draw", "tree.drawAlpha"}));
}

TEST_F(VideoFrame, FrameRateIsThousandOverTheFrameTimeAndZeroForNoTime) {
    engine.video().setFrameRateTimer(std::make_unique<StepTimer>(16.0f));
    engine.video().render();
    EXPECT_EQ(engine.video().getFPS(), 62);
    engine.video().setFrameRateTimer(std::make_unique<StepTimer>(0.0f));
    engine.video().render();
    EXPECT_EQ(engine.video().getFPS(), 0);
    EXPECT_EQ(VideoModule::framesPerSecondFor(-3.0f), 0);
    EXPECT_EQ(VideoModule::framesPerSecondFor(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_GT(VideoModule::framesPerSecondFor(1e-30f), 0);
}

TEST_F(VideoFrame, FPSOverlayDrawsItsBackgroundInTheAspectView) {
    engine.video().setIsShowingFPS(true);
    engine.video().clearDrawCalls();
    engine.video().render();
    std::vector<std::string> names;
    for (const Call& call : engine.video().getDrawCalls()) names.push_back(call.operation);
    const auto view = std::find(names.begin(), names.end(), "setupAspectRatioOrthoView");
    ASSERT_NE(view, names.end());
    EXPECT_NE(std::find(view, names.end(), "beginShape"), names.end());
    EXPECT_EQ(engine.video().getAttributesStackSize(), 0u);
}

TEST(VideoModuleState, AspectRatioKeepsItsValueForNonPositiveOrNonFiniteInput) {
    NullVideoModule video(nullptr);
    EXPECT_FLOAT_EQ(video.getAspectRatio(), 4.0f / 3.0f);
    video.setAspectRatio(0.0f);
    video.setAspectRatio(-1.0f);
    video.setAspectRatio(std::numeric_limits<float>::infinity());
    video.setAspectRatio(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(video.getAspectRatio(), 4.0f / 3.0f);
    video.setAspectRatio(2.0f);
    EXPECT_FLOAT_EQ(video.getAspectRatio(), 2.0f);
}

TEST(VideoModuleState, RestartTakesNewSizesAndRefusesEmptyOnes) {
    NullVideoModule video(nullptr);
    video.setAspectRatio(16.0f / 9.0f);
    ASSERT_TRUE(video.restartVideo(1280, 1024, false));
    EXPECT_EQ(video.getScreenWidth(), 1280);
    EXPECT_EQ(video.getScreenHeight(), 720);
    EXPECT_EQ(video.getViewportY(), 152);
    EXPECT_FALSE(video.restartVideo(0, 600, false));
    EXPECT_FALSE(video.restartVideo(800, -1, true, 4));
    EXPECT_EQ(video.getDeviceWidth(), 1280);
    EXPECT_EQ(video.getDeviceHeight(), 1024);
    EXPECT_FALSE(video.isFullScreen());
    EXPECT_EQ(video.getAntialiasing(), 0);
}

TEST(VideoModuleState, HorizontalShiftClearsAndMovesTheArea) {
    NullVideoModule video(nullptr);
    video.setAspectRatio(16.0f / 9.0f);
    video.restartVideo(1280, 1024, false);
    const int clears = video.getClearScreenCount();
    video.setHorizontalShift(100);
    EXPECT_EQ(video.getClearScreenCount(), clears + 1);
    EXPECT_EQ(video.getVerticalShift(), 56);
    EXPECT_EQ(video.getViewportX(), 100);
    EXPECT_EQ(video.getViewportY(), 208);
}

TEST(VideoModuleState, LineWidthScalesWithTheAreaWidth) {
    NullVideoModule video(nullptr);
    video.setAspectRatio(4.0f / 3.0f);
    video.restartVideo(1920, 1080, false);
    video.clearDrawCalls();
    video.setLineWidth(2.0f);
    ASSERT_EQ(video.getDrawCalls().size(), 1u);
    EXPECT_NEAR(video.getDrawCalls()[0].arguments[0], 3.6f, 1e-5);
}

TEST(VideoModuleState, ClearCoversTheUnitViewWithoutDepthAndRestoresTheAttributes) {
    NullVideoModule video(nullptr);
    video.clear(0.0f, 0.0f, 0.0f, 0.1f);
    const std::vector<Call>& calls = video.getDrawCalls();
    EXPECT_EQ(calls[0], (Call{"depthTest", {0}}));
    EXPECT_EQ(calls[1], (Call{"depthWrite", {0}}));
    EXPECT_EQ(calls[2], (Call{"setupOrthoView", {}}));
    EXPECT_EQ(calls[3], (Call{"setColour", {0, 0, 0, 0.1f}}));
    EXPECT_EQ(calls[4], (Call{"beginShape", {SHAPETYPE_QUADS}}));
    EXPECT_EQ(calls[7], (Call{"plotVertex", {1, 1, 0}}));
    EXPECT_TRUE(video.isAttrDepthTest());
    EXPECT_TRUE(video.isAttrDepthWrite());
}

TEST_F(VideoFrame, ClosedWindowQuitsAndFocusLossReachesTheTaskSwitch) {
    engine.gameSystem.setShouldPauseOnTaskSwitch(true);
    engine.registerProcess("PauseProcess");
    engine.video().updateWindow(false, false);
    EXPECT_FALSE(engine.video().isWindowActive());
    engine.video().updateWindow(false, false);
    engine.runTicks(1);
    EXPECT_TRUE(engine.gameSystem.isProcessRunning("PauseProcess"));

    engine.video().clearDrawCalls();
    engine.video().updateWindow(false, true);
    EXPECT_TRUE(engine.video().isWindowActive());
    EXPECT_EQ(engine.video().getDrawCalls(), (std::vector<Call>{{"blackBorders", {}}}));

    EXPECT_FALSE(engine.gameSystem.isQuitting());
    engine.video().updateWindow(true, true);
    EXPECT_TRUE(engine.gameSystem.isQuitting());
}

}  // namespace
