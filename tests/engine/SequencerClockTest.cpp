#include <gtest/gtest.h>

#include <functional>

#include "Engine/GameSystem.h"
#include "Engine/Process.h"
#include "Engine/ProcessFactory.h"
#include "Engine/ProcessIndustry.h"
#include "Engine/Sequencer.h"
#include "Engine/SequencerAction.h"
#include "tests/doubles/NullModuleFactory.h"

namespace {

class CountingAction final : public SequencerAction {
  public:
    void execute(GameSystem*) override { ++count; }
    int count = 0;
};

// Pauses the game from its first update.
class PausingProcess final : public Process {
  public:
    PausingProcess(const std::string& name, GameSystem* gameSystem) : Process(name, gameSystem) {}
    void update(float) override { gameSystem_->setAsPauseProcess(true); }
};

// Drives [game]'s loop in 1 ms clock steps up to [untilMS] of fake time.
void runUntil(GameSystem& game, NullModuleFactory& factory, double untilMS) {
    while (factory.getClock().getNowMS() < untilMS) {
        factory.getClock().advance(1.0);
        game.runLoopIteration();
    }
}

TEST(SequencerClock, TheMainSequencerStepsOnTheGameSystemClock) {
    NullModuleFactory factory;
    GameSystem game(factory);
    game.setSleepEnabled(false);
    Sequencer* sequencer = game.getMainSequencer();
    ASSERT_TRUE(sequencer->isRunning());
    CountingAction onStepZero;
    sequencer->setTrigger(0, &onStepZero, true);
    game.startUp();

    runUntil(game, factory, 9);
    EXPECT_EQ(sequencer->getCurrentStep(), 0);
    runUntil(game, factory, 1000);
    EXPECT_EQ(sequencer->getCurrentStep(), 15);
    runUntil(game, factory, 2000);
    EXPECT_EQ(sequencer->getCurrentStep(), 31);
    EXPECT_EQ(onStepZero.count, 1);
    runUntil(game, factory, 2020);
    EXPECT_EQ(sequencer->getCurrentStep(), 0);
    EXPECT_EQ(onStepZero.count, 2);
}

TEST(SequencerClock, NoStepWhileAPauseProcessRuns) {
    NullModuleFactory factory;
    GameSystem game(factory);
    game.setSleepEnabled(false);
    game.getProcessIndustry()->registerFactory("Pauser",
                                               std::make_unique<NativeProcessFactory<PausingProcess>>());
    game.setMainProcessName("Pauser");
    game.startUp();
    runUntil(game, factory, 60);
    ASSERT_TRUE(game.isPaused());
    const int step = game.getMainSequencer()->getCurrentStep();
    runUntil(game, factory, 1000);
    EXPECT_EQ(game.getMainSequencer()->getCurrentStep(), step);
}

}  // namespace
