// A musical step clock (script type SEQUENCER; the game system's is MainSequencer). Time is
// divided into steps of a thirty-second note at a tempo in beats per minute, steps into patterns
// and patterns into a loop; triggers fire actions on (pattern, step) positions. Every sequencer
// advances on the game system's 120 Hz sequencer clock (its SequencerClock).
#pragma once

#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "Engine/Alarm.h"
#include "Engine/LinkedObject.h"
#include "Engine/SequencerTrigger.h"

class GameSystem;
class SequencerClock;
class SequencerAction;

// Note lengths (script constants) and their span in steps: 1, 2, 4, 8, 16, 32.
enum NoteLength : int {
    THIRTYSECOND_NOTE = 0,
    SIXTEENTH_NOTE = 1,
    EIGHTH_NOTE = 2,
    QUARTER_NOTE = 3,
    HALF_NOTE = 4,
    WHOLE_NOTE = 5,
};

class Sequencer : public LinkedObject {
  public:
    // [clock] steps the sequencer (a game system's clock: GameSystem::getSequencerClock) and
    // must outlive it. [gameSystem] is passed to the actions; it may be null outside a running
    // engine.
    explicit Sequencer(SequencerClock& clock, GameSystem* gameSystem = nullptr);
    ~Sequencer() override;

    // An action being destroyed: its triggers go, without firing.
    void onLinkedObjectDeleted(LinkedObject* deleted) override;

    // True while the clock that steps this sequencer runs.
    bool isInUpdate() const;

    int getId() const { return id_; }
    GameSystem* getGameSystem() const { return gameSystem_; }

    // Values below 1 are reported and keep the old value. setBPM restarts the current step's
    // timing from 0.
    void setBPM(int bpm);
    int getBPM() const { return bpm_; }
    void setNumStepsPerPattern(int steps);
    int getNumStepsPerPattern() const { return stepsPerPattern_; }
    void setLoopLen(int patterns);
    int getLoopLen() const { return loopLength_; }

    // The next clock tick plays the next step.
    void start();
    void stop() { running_ = false; }
    bool isRunning() const { return running_; }
    // Back to before step 0 of pattern 0, then start: the next clock tick plays step 0.
    void restart();
    // Schedules a one-shot restart at [absoluteStep].
    void restart(int absoluteStep);

    // 0 (reported) for a length outside THIRTYSECOND_NOTE..WHOLE_NOTE.
    int getNumStepsPerNote(int noteLength) const;
    float getNoteTime(int noteLength) const;
    // One step, in ms: 62.5 at 120 BPM.
    float getStepTime() const;

    // New triggers; the sequencer links itself to [action]. A new trigger goes after those already
    // at its position. Null (reported) for a null action. The pointer stays valid until the
    // trigger is removed; keep its id to find it again later.
    SequencerTrigger* setTrigger(int absoluteStep, SequencerAction* action, bool looped = false);
    SequencerTrigger* setTrigger(int pattern, int step, SequencerAction* action, bool looped = false);
    SequencerTrigger* setTrigger16(int absoluteStep16, SequencerAction* action, bool looped = false);
    SequencerTrigger* setTrigger16(int pattern, int step16, SequencerAction* action, bool looped = false);
    // At the next boundary of [noteLength] after the current step; null for a bad length.
    SequencerTrigger* setTriggerOnNext(int noteLength, SequencerAction* action, bool looped = false);
    // Puts the trigger ahead of the others at its position; nothing when the id is not here.
    void moveTriggerToFront(int triggerId);
    SequencerTrigger* findTrigger(int triggerId);
    // Deletes every trigger and releases the owned actions.
    void clearTriggers();
    const std::list<SequencerTrigger>& getAllTriggers() const { return triggers_; }

    // Set the position; nothing fires.
    void gotoStep(int absoluteStep);
    void gotoStep(int pattern, int step);
    void gotoStep16(int absoluteStep16);
    void gotoStep16(int pattern, int step16);
    int getCurrentStep() const { return currentStep_; }
    int getCurrentPattern() const { return currentPattern_; }
    int getCurrentStep16() const { return currentStep_ / 2; }

    float getMSTillNextStep() const { return stepAlarm_.getTimeTillAlarm(); }
    float getMSTillNextStep16() const;
    // Time until the next boundary of [noteLength]; 0 for a bad length.
    float getMSTillNextSequencePos(int noteLength) const;

  private:
    friend class SequencerClock;
    struct Position {
        int pattern = 0;
        int step = 0;
    };

    // One clock tick: at most one step, firing the triggers of the new position.
    void update(float deltaMS, std::optional<double> tickTimeMS);
    // Pass 0 considers every trigger at the current position, pass 1 only the armed ones.
    void fireCurrentPosition(bool armedOnly);
    Position toPosition(int absoluteStep) const;
    Position getNextBoundary(int stepsPerNote) const;
    SequencerTrigger* insertTrigger(const Position& position, SequencerAction* action, bool looped);
    // Deletes owned actions no trigger uses any more; during a firing pass, waits for its end.
    void release(const std::vector<SequencerAction*>& actions);
    void releaseNow(std::vector<SequencerAction*> actions);
    bool isUsedByTrigger(const SequencerAction* action) const;

    SequencerClock& clock_;
    int id_;
    GameSystem* gameSystem_;
    int currentPattern_ = 0;
    // -1 before the first step.
    int currentStep_ = -1;
    int bpm_ = 120;
    int stepsPerPattern_ = 32;
    int loopLength_ = 1;
    bool running_ = false;
    Alarm stepAlarm_;
    // The game time the current firing ideally happens at, when the clock tells it.
    std::optional<double> firingTimeMS_;
    // Sorted by (pattern, step); insertion order within a position.
    std::list<SequencerTrigger> triggers_;

    // State of a firing pass, so actions may change the sequencer while it runs. Entries of
    // actions destroyed or released during the pass are nulled and skipped.
    bool inPass_ = false;
    std::vector<SequencerAction*> passActions_;
    std::vector<SequencerAction*> pendingReleases_;
    // Cleared when the sequencer is destroyed, so a pass in progress stops touching it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
