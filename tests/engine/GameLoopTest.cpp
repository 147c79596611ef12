#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Engine/DebugLog.h"
#include "Engine/KeyCodes.h"
#include "EngineHarness.h"

namespace {

class GameLoop : public testing::Test {
  protected:
    void SetUp() override {
        engine.registerProcess("Main");
        engine.gameSystem.startUp();
    }

    EngineHarness engine;
};

TEST_F(GameLoop, FirstTickStartsTheMainListAndInitsItsProcess) {
    engine.runTicks(2);
    EXPECT_EQ(engine.traceOf("Main."), (EventTrace{"Main.init", "Main.preDraw", "Main.postDraw",
                                                   "Main.update", "Main.preDraw", "Main.postDraw"}));
    ASSERT_NE(engine.process("Main"), nullptr);
    EXPECT_TRUE(engine.process("Main")->isUpdatesEntities());
}

TEST_F(GameLoop, SlowFrameAddsAtMostFiftyMillisecondsAndRendersOnlyWhenCaughtUp) {
    engine.runTicks(3);
    const unsigned ticksBefore = engine.gameSystem.getCurrentTick();
    const int rendersBefore = engine.video().getRenderCount();

    engine.iterate(200.0);
    std::vector<unsigned> ticks{engine.gameSystem.getCurrentTick() - ticksBefore};
    std::vector<int> renders{engine.video().getRenderCount() - rendersBefore};
    for (int i = 0; i < 3; ++i) {
        engine.gameSystem.runLoopIteration();
        ticks.push_back(engine.gameSystem.getCurrentTick() - ticksBefore);
        renders.push_back(engine.video().getRenderCount() - rendersBefore);
    }
    EXPECT_EQ(ticks, (std::vector<unsigned>{1, 2, 3, 3}));
    EXPECT_EQ(renders, (std::vector<int>{0, 0, 1, 1}));
}

TEST_F(GameLoop, SleepsUntilTheEarlierOfNextUpdateAndNextSequencerStep) {
    engine.iterate(17.0);
    ASSERT_FALSE(engine.factory.getSleeps().empty());
    // After a tick the sequencer step (8.3 ms away at most) comes before the next update.
    EXPECT_LE(engine.factory.getSleeps().back(), 8);
    engine.gameSystem.setSleepEnabled(false);
    const std::size_t sleeps = engine.factory.getSleeps().size();
    engine.iterate(17.0);
    EXPECT_EQ(engine.factory.getSleeps().size(), sleeps);
}

TEST_F(GameLoop, PauseFreezesTheWorldButNotInputVideoAudioColoursAndScripts) {
    engine.registerProcess("Pauser", [](RecordingProcess& p) {
        p.onUpdate = [](RecordingProcess& self) { self.getGameSystem()->setAsPauseProcess(true); };
    });
    engine.runTicks(1);
    engine.gameSystem.runProcess("Pauser");
    engine.runTicks(3);  // run, first update queues the pause, which applies next tick
    ASSERT_TRUE(engine.gameSystem.isPaused());

    auto& f = engine.factory;
    const int entity = f.entityManager->updates, particles = f.particleManager->updates,
              physics = f.physics->updates;
    const int colours = f.colourManager->updates, video = engine.video().getUpdateCount();
    const int input = engine.input().getUpdateCount(), script = engine.script().getUpdateCount();
    engine.runTicks(5);
    EXPECT_EQ(f.entityManager->updates, entity);
    EXPECT_EQ(f.particleManager->updates, particles);
    EXPECT_EQ(f.physics->updates, physics);
    EXPECT_EQ(f.colourManager->updates, colours + 5);
    EXPECT_EQ(engine.video().getUpdateCount(), video + 5);
    EXPECT_EQ(engine.input().getUpdateCount(), input + 5);
    EXPECT_EQ(engine.script().getUpdateCount(), script + 5);
}

TEST_F(GameLoop, AltF4QuitsInBothBranchesEscapeOnlyInSystemPause) {
    engine.input().setDeviceKey(KEYBOARD_ESCAPE, true);
    engine.runTicks(2);
    EXPECT_FALSE(engine.gameSystem.isQuitting());

    engine.gameSystem.setSystemPaused(true);
    engine.iterate(17.0);
    EXPECT_TRUE(engine.gameSystem.isQuitting());
    EXPECT_GE(engine.video().getSystemPauseScreenCount(), 1);
}

TEST_F(GameLoop, AltF4QuitsWhileRunning) {
    engine.input().setDeviceKey(KEYBOARD_RIGHTALT, true);
    engine.input().setDeviceKey(KEYBOARD_F4, true);
    engine.runTicks(1);
    EXPECT_TRUE(engine.gameSystem.isQuitting());
}

TEST_F(GameLoop, AltF4QuitsInSystemPause) {
    engine.gameSystem.setSystemPaused(true);
    engine.input().setDeviceKey(KEYBOARD_LEFTALT, true);
    engine.input().setDeviceKey(KEYBOARD_F4, true);
    engine.iterate(17.0);
    EXPECT_TRUE(engine.gameSystem.isQuitting());
    EXPECT_EQ(engine.gameSystem.getCurrentTick(), 0u);
}

TEST_F(GameLoop, DeveloperKeysDoNothingUnlessEnabled) {
    engine.input().setDeviceKey(KEYBOARD_F7, true);
    engine.runTicks(1);
    EXPECT_EQ(engine.script().getReloadCount(), 0);

    engine.gameSystem.setDebugKeysEnabled(true);
    engine.input().setDeviceKey(KEYBOARD_F7, false);
    engine.runTicks(1);
    engine.input().setDeviceKey(KEYBOARD_F7, true);
    engine.runTicks(1);
    EXPECT_EQ(engine.script().getReloadCount(), 1);
}

TEST_F(GameLoop, SaveCompiledScriptsOnlyWhenRunningFromSource) {
    engine.gameSystem.setDebugKeysEnabled(true);
    engine.gameSystem.onKeyPress(KEYBOARD_F10);
    EXPECT_EQ(engine.script().getSaveCount(), 0);
    engine.script().setCompiledMode(false);
    engine.gameSystem.onKeyPress(KEYBOARD_F10);
    EXPECT_EQ(engine.script().getSaveCount(), 1);
}

TEST_F(GameLoop, SystemResetLogsThreeEmptyLinesAndRestartsTheMainList) {
    engine.gameSystem.setDebugKeysEnabled(true);
    engine.runTicks(2);
    engine.gameSystem.runProcess("Other");
    engine.runTicks(1);
    const std::size_t linesBefore = engine.logLines().size();
    const int clearsBefore = engine.video().getClearScreenCount();

    engine.gameSystem.onKeyPress(KEYBOARD_F12);
    const std::vector<std::string> added(engine.logLines().begin() + linesBefore, engine.logLines().end());
    EXPECT_EQ(added, (std::vector<std::string>{"", "", "", "SYSTEM RESET"}));
    EXPECT_EQ(engine.script().getForgetCount(), 1);
    EXPECT_EQ(engine.video().getClearScreenCount() - clearsBefore, 1);

    engine.trace.clear();
    engine.runTicks(1);
    EXPECT_EQ(engine.gameSystem.getProcessList().size(), 1u);
    EXPECT_EQ(engine.traceOf("Main."),
              (EventTrace{"Main.deleted", "Main.init", "Main.preDraw", "Main.postDraw"}));
}

TEST_F(GameLoop, SystemResetWarnsWhenNotSleeping) {
    engine.gameSystem.setDebugKeysEnabled(true);
    engine.gameSystem.setSleepEnabled(false);
    engine.gameSystem.onKeyPress(KEYBOARD_F12);
    EXPECT_EQ(engine.logLines().back(), "WARNING: NOT SLEEPING ANYMORE");
}

TEST_F(GameLoop, ControlCStartsTheColourEditorOnce) {
    engine.registerProcess("ColourEditorProcess");
    engine.gameSystem.setDebugKeysEnabled(true);
    engine.input().setDeviceKey(KEYBOARD_C, true);
    engine.runTicks(2);
    EXPECT_FALSE(engine.gameSystem.isProcessRunning("ColourEditorProcess"));

    engine.input().setDeviceKey(KEYBOARD_C, false);
    engine.input().setDeviceKey(KEYBOARD_LEFTCONTROL, true);
    engine.runTicks(1);
    for (int i = 0; i < 2; ++i) {
        engine.input().setDeviceKey(KEYBOARD_C, true);
        engine.runTicks(1);
        engine.input().setDeviceKey(KEYBOARD_C, false);
        engine.runTicks(1);
    }
    EXPECT_EQ(engine.traceOf("ColourEditorProcess.init").size(), 1u);
}

TEST_F(GameLoop, TildeTogglesTheConsoleWhichClosesAtTheNextTickWhenItDoesNotHandleIt) {
    engine.registerProcess("ConsoleProcess");
    engine.gameSystem.setDebugKeysEnabled(true);
    engine.gameSystem.closeConsole();  // nothing runs: nothing happens
    engine.gameSystem.onKeyPress(KEYBOARD_TILDE);
    EXPECT_FALSE(engine.gameSystem.isConsoleOpen());
    engine.runTicks(1);
    EXPECT_TRUE(engine.gameSystem.isConsoleOpen());

    engine.gameSystem.onKeyPress(KEYBOARD_TILDE);
    EXPECT_TRUE(engine.gameSystem.isConsoleOpen());
    engine.runTicks(1);
    EXPECT_FALSE(engine.gameSystem.isConsoleOpen());
}

TEST_F(GameLoop, FocusLossStartsThePauseProcessOnceWhenAskedTo) {
    engine.registerProcess("PauseProcess", [](RecordingProcess& p) {
        p.onUpdate = [](RecordingProcess& self) { self.getGameSystem()->setAsPauseProcess(true); };
    });
    engine.gameSystem.onTaskSwitch();
    engine.runTicks(1);
    EXPECT_FALSE(engine.gameSystem.isProcessRunning("PauseProcess"));

    engine.gameSystem.setShouldPauseOnTaskSwitch(true);
    engine.gameSystem.onTaskSwitch();
    engine.runTicks(3);
    ASSERT_TRUE(engine.gameSystem.isPaused());
    engine.gameSystem.onTaskSwitch();
    engine.runTicks(1);
    EXPECT_EQ(engine.traceOf("PauseProcess.init").size(), 1u);
}

TEST_F(GameLoop, ResetSimulationTimerDropsOwedTimeAndLogs) {
    engine.factory.getClock().advance(40.0);
    engine.gameSystem.resetSimulationTimer();
    engine.gameSystem.runLoopIteration();
    EXPECT_EQ(engine.gameSystem.getCurrentTick(), 0u);
    EXPECT_EQ(engine.logLines().back(), "Reset simulation timer.");
}

TEST(GameSystemShutdown, AFailingStepIsLoggedAndTheRestStillRuns) {
    std::remove("debug.log");
    EventTrace trace;
    {
        EngineHarness engine;
        engine.registerProcess("Main");
        engine.gameSystem.startUp();
        engine.runTicks(1);
        engine.video().onDeinit = [] { throw std::runtime_error("no context"); };
        engine.gameSystem.shutDown();
        trace = engine.trace;
        EXPECT_EQ(engine.gameSystem.getLogger(), nullptr);
        EXPECT_EQ(engine.gameSystem.getVideoModule(), nullptr);
        EXPECT_EQ(engine.gameSystem.getGameBoard(), nullptr);
    }
    EXPECT_EQ(trace.back(), "Main.deleted");
    std::ifstream log("debug.log");
    std::stringstream contents;
    contents << log.rdbuf();
    EXPECT_EQ(contents.str(), "EXCEPTION: deinitializing video\n");
}

TEST(GameSystemShutdown, RunReturnsAfterQuitAndShutsDownOnce) {
    EngineHarness engine;
    engine.registerProcess("Main", [](RecordingProcess& p) {
        p.onUpdate = [](RecordingProcess& self) { self.getGameSystem()->quit(); };
    });
    engine.factory.getClock().setAutoAdvanceMS(0.25);
    engine.gameSystem.run();
    EXPECT_EQ(engine.traceOf("Main.update").size(), 1u);
    EXPECT_EQ(engine.trace.back(), "Main.deleted");
    EXPECT_EQ(engine.gameSystem.getEntityManager(), nullptr);
}

}  // namespace
