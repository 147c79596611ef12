#include "Engine/Sequencer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Engine/Assertion.h"
#include "Engine/GameSystem.h"
#include "Engine/RestartSequencerAction.h"
#include "Engine/SequencerAction.h"
#include "Engine/SequencerClock.h"

namespace {

// The clock that steps the sequencers these tests make (a game system owns one of its own).
SequencerClock testClock;

class CallbackAction final : public SequencerAction {
  public:
    explicit CallbackAction(std::function<void()> onExecute) : onExecute_(std::move(onExecute)) {}
    void execute(GameSystem*) override { onExecute_(); }

  private:
    std::function<void()> onExecute_;
};

// Collects assertion reports instead of printing them.
class AssertionRecorder {
  public:
    AssertionRecorder()
        : previous_(
              setAssertionHandler([this](const AssertionReport& r) { reports.push_back(r.expression); })) {}
    ~AssertionRecorder() { setAssertionHandler(previous_); }
    std::vector<std::string> reports;

  private:
    AssertionHandler previous_;
};

void tick(int count = 1) {
    for (int i = 0; i < count; ++i) testClock.update(SEQUENCER_STEP_MS);
}

// Steps [sequencer] until its position changes; the number of clock ticks that took.
int ticksToNextStep(Sequencer& sequencer) {
    const int step = sequencer.getCurrentStep();
    const int pattern = sequencer.getCurrentPattern();
    int ticks = 0;
    while (sequencer.getCurrentStep() == step && sequencer.getCurrentPattern() == pattern && ticks < 1000) {
        tick();
        ++ticks;
    }
    return ticks;
}

TEST(Sequencer, PlaysStepZeroOnTheFirstTickThenAStepEverySixtyTwoAndAHalfMilliseconds) {
    Sequencer sequencer(testClock);
    EXPECT_FLOAT_EQ(sequencer.getStepTime(), 62.5f);
    sequencer.start();
    EXPECT_EQ(ticksToNextStep(sequencer), 1);
    EXPECT_EQ(sequencer.getCurrentStep(), 0);
    int totalTicks = 1;
    for (int step = 1; step < 32; ++step) {
        const int ticks = ticksToNextStep(sequencer);
        EXPECT_TRUE(ticks == 7 || ticks == 8) << "step " << step << " took " << ticks;
        totalTicks += ticks;
        EXPECT_EQ(sequencer.getCurrentStep(), step);
    }
    totalTicks += ticksToNextStep(sequencer);
    // The pattern wraps 2000 ms after step 0 began, back to pattern 0 with a loop of one.
    EXPECT_NEAR((totalTicks - 1) * SEQUENCER_STEP_MS, 2000.0f, SEQUENCER_STEP_MS);
    EXPECT_EQ(sequencer.getCurrentPattern(), 0);
    EXPECT_EQ(sequencer.getCurrentStep(), 0);
}

TEST(Sequencer, TriggersAtOnePositionFireInInsertionOrderUnlessMovedToFront) {
    Sequencer sequencer(testClock);
    std::vector<std::string> fired;
    CallbackAction a([&] { fired.push_back("a"); }), b([&] { fired.push_back("b"); });
    CallbackAction early([&] { fired.push_back("early"); });
    sequencer.setTrigger(0, 1, &a);
    SequencerTrigger* second = sequencer.setTrigger(0, 1, &b);
    sequencer.setTrigger(0, 0, &early);
    sequencer.start();
    tick();
    EXPECT_EQ(fired, std::vector<std::string>{"early"});
    tick(8);
    EXPECT_EQ(fired, (std::vector<std::string>{"early", "a", "b"}));

    fired.clear();
    sequencer.gotoStep(0, 0);
    sequencer.setTrigger(0, 1, &a);
    second = sequencer.setTrigger(0, 1, &b);
    sequencer.moveTriggerToFront(second->getId());
    sequencer.moveTriggerToFront(-42);
    tick(8);
    EXPECT_EQ(fired, (std::vector<std::string>{"b", "a"}));
}

TEST(Sequencer, OneShotTriggersGoAfterFiringAndLoopedOnesUntilTheirActionIsTagged) {
    Sequencer sequencer(testClock);
    sequencer.setNumStepsPerPattern(2);
    int oneShot = 0, looped = 0;
    CallbackAction once([&] { ++oneShot; }), repeat([&] { ++looped; });
    sequencer.setTrigger(1, &once);
    sequencer.setTrigger(1, &repeat, true);
    sequencer.start();
    tick(60);  // four passes of the two-step pattern
    EXPECT_EQ(oneShot, 1);
    EXPECT_EQ(looped, 4);
    EXPECT_EQ(sequencer.getAllTriggers().size(), 1u);
    repeat.tagForRemoval();
    tick(16);
    EXPECT_EQ(looped, 4);
    EXPECT_TRUE(sequencer.getAllTriggers().empty());
}

TEST(Sequencer, ATriggerSetByAnActionOnTheCurrentPositionFiresInTheSameClockTick) {
    Sequencer sequencer(testClock);
    std::vector<std::string> fired;
    CallbackAction now([&] { fired.push_back("now"); }), later([&] { fired.push_back("later"); });
    CallbackAction setter([&] {
        fired.push_back("setter");
        sequencer.setTrigger(sequencer.getCurrentPattern(), sequencer.getCurrentStep(), &now);
        sequencer.setTrigger(sequencer.getCurrentStep() + 1, &later);
    });
    sequencer.setTrigger(0, &setter);
    sequencer.start();
    tick();
    EXPECT_EQ(fired, (std::vector<std::string>{"setter", "now"}));
    tick(8);
    EXPECT_EQ(fired, (std::vector<std::string>{"setter", "now", "later"}));
}

TEST(Sequencer, TriggerOnNextFindsTheNextNoteBoundaryAcrossPatternsAndTheLoop) {
    Sequencer sequencer(testClock);
    CallbackAction action([] {});
    sequencer.gotoStep(0, 13);
    SequencerTrigger* trigger = sequencer.setTriggerOnNext(QUARTER_NOTE, &action);
    EXPECT_EQ(trigger->getPattern(), 0);
    EXPECT_EQ(trigger->getStep(), 16);
    EXPECT_FLOAT_EQ(sequencer.getMSTillNextSequencePos(QUARTER_NOTE), 3 * 62.5f);

    sequencer.setLoopLen(2);
    sequencer.gotoStep(1, 30);
    trigger = sequencer.setTriggerOnNext(QUARTER_NOTE, &action);
    EXPECT_EQ(trigger->getPattern(), 0);
    EXPECT_EQ(trigger->getStep(), 0);
    EXPECT_FLOAT_EQ(sequencer.getMSTillNextSequencePos(QUARTER_NOTE), 2 * 62.5f);

    // A note longer than the pattern passes whole patterns instead of landing outside one.
    sequencer.setNumStepsPerPattern(8);
    sequencer.gotoStep(0, 3);
    trigger = sequencer.setTriggerOnNext(WHOLE_NOTE, &action);
    EXPECT_EQ(trigger->getPattern(), 0);
    EXPECT_EQ(trigger->getStep(), 0);
}

TEST(Sequencer, AbsoluteStepsWrapAroundTheLoopAndStep16CountsSixteenths) {
    Sequencer sequencer(testClock);
    CallbackAction action([] {});
    sequencer.setLoopLen(2);
    SequencerTrigger* trigger = sequencer.setTrigger(70, &action);
    EXPECT_EQ(trigger->getPattern(), 0);
    EXPECT_EQ(trigger->getStep(), 6);
    trigger = sequencer.setTrigger16(20, &action);
    EXPECT_EQ(trigger->getPattern(), 1);
    EXPECT_EQ(trigger->getStep(), 8);
    sequencer.gotoStep16(1, 7);
    EXPECT_EQ(sequencer.getCurrentStep(), 14);
    EXPECT_EQ(sequencer.getCurrentStep16(), 7);
    EXPECT_FLOAT_EQ(sequencer.getMSTillNextStep16(), 2 * sequencer.getMSTillNextStep());
}

TEST(Sequencer, SettingsBelowOneAndBadNoteLengthsAreReportedAndChangeNothing) {
    AssertionRecorder recorder;
    Sequencer sequencer(testClock);
    CallbackAction action([] {});
    sequencer.setBPM(0);
    sequencer.setNumStepsPerPattern(-3);
    sequencer.setLoopLen(0);
    EXPECT_EQ(sequencer.getBPM(), 120);
    EXPECT_EQ(sequencer.getNumStepsPerPattern(), 32);
    EXPECT_EQ(sequencer.getLoopLen(), 1);
    EXPECT_EQ(sequencer.getNumStepsPerNote(6), 0);
    EXPECT_EQ(sequencer.setTriggerOnNext(-1, &action), nullptr);
    EXPECT_FLOAT_EQ(sequencer.getMSTillNextSequencePos(9), 0.0f);
    EXPECT_FLOAT_EQ(sequencer.getNoteTime(7), 0.0f);
    EXPECT_EQ(recorder.reports.size(), 7u);
    EXPECT_FLOAT_EQ(sequencer.getNoteTime(QUARTER_NOTE), 500.0f);
}

TEST(Sequencer, SetBPMRestartsTheCurrentStepTiming) {
    Sequencer sequencer(testClock);
    sequencer.start();
    tick(4);
    sequencer.setBPM(60);
    EXPECT_FLOAT_EQ(sequencer.getMSTillNextStep(), 125.0f);
}

TEST(Sequencer, RestartAtAStepPlaysStepZeroOnTheNextTick) {
    Sequencer sequencer(testClock);
    sequencer.restart(2);
    sequencer.start();
    ticksToNextStep(sequencer);  // step 0
    ticksToNextStep(sequencer);  // step 1
    ticksToNextStep(sequencer);  // step 2 fires the restart in the same tick
    EXPECT_EQ(sequencer.getCurrentStep(), -1);
    EXPECT_TRUE(sequencer.getAllTriggers().empty());
    tick();
    EXPECT_EQ(sequencer.getCurrentStep(), 0);
}

TEST(Sequencer, StoppedSequencersKeepTheirPosition) {
    Sequencer sequencer(testClock);
    sequencer.start();
    tick();
    sequencer.stop();
    tick(100);
    EXPECT_EQ(sequencer.getCurrentStep(), 0);
    sequencer.start();
    tick();
    EXPECT_EQ(sequencer.getCurrentStep(), 1);
}

TEST(SequencerFiring, ADestroyedActionDropsItsTriggersWithoutFiring) {
    Sequencer sequencer(testClock);
    int fired = 0;
    auto action = std::make_unique<CallbackAction>([&] { ++fired; });
    sequencer.setTrigger(0, action.get(), true);
    sequencer.setTrigger(3, action.get());
    action.reset();
    EXPECT_TRUE(sequencer.getAllTriggers().empty());
    sequencer.start();
    tick(40);
    EXPECT_EQ(fired, 0);
}

TEST(SequencerFiring, AnActionMayClearTriggersAndSkipsOwnedActionsReleasedMeanwhile) {
    Sequencer sequencer(testClock);
    std::vector<std::string> fired;
    CallbackAction clearer([&] {
        fired.push_back("clear");
        sequencer.clearTriggers();
    });
    CallbackAction after([&] { fired.push_back("after"); });
    sequencer.setTrigger(0, &clearer);
    // Owned and looped, so the clear takes its trigger and releases it before its turn.
    sequencer.setTrigger(0, new RestartSequencerAction(&sequencer), true);
    sequencer.setTrigger(0, &after);
    sequencer.setTrigger(5, &after);
    sequencer.start();
    tick();
    // The restart was released (and not run); actions the sequencer does not own still run.
    EXPECT_EQ(fired, (std::vector<std::string>{"clear", "after"}));
    EXPECT_EQ(sequencer.getCurrentStep(), 0);
    EXPECT_TRUE(sequencer.getAllTriggers().empty());
}

TEST(SequencerFiring, AnActionDestroyedByAnEarlierOneInThePassIsSkipped) {
    Sequencer sequencer(testClock);
    int victimRuns = 0;
    auto victim = std::make_unique<CallbackAction>([&] { ++victimRuns; });
    CallbackAction killer([&] { victim.reset(); });
    sequencer.setTrigger(0, &killer);
    sequencer.setTrigger(0, victim.get());
    sequencer.start();
    tick();
    EXPECT_EQ(victimRuns, 0);
}

TEST(SequencerFiring, AnActionMayStopOrDestroyItsSequencer) {
    auto sequencer = std::make_unique<Sequencer>(testClock);
    int runs = 0;
    CallbackAction stopper([&] { sequencer->stop(); });
    CallbackAction counter([&] { ++runs; });
    sequencer->setTrigger(0, &stopper);
    sequencer->setTrigger(0, &counter);
    sequencer->start();
    tick(20);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(sequencer->getCurrentStep(), 0);

    CallbackAction destroyer([&] {
        EXPECT_TRUE(testClock.isInUpdate());
        sequencer.reset();
    });
    sequencer->gotoStep(0, -1);
    sequencer->setTrigger(0, &destroyer);
    sequencer->restart(0);
    sequencer->setTrigger(0, &counter);
    sequencer->start();
    tick(2);
    EXPECT_EQ(sequencer, nullptr);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(testClock.isInUpdate());
}

}  // namespace
