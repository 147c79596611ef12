// An action scheduled on a (pattern, step) position of a sequencer (script type
// SEQUENCERTRIGGER, read-only to scripts). Owned by its sequencer's trigger list; scripts refer to
// it by id, since a fired one-shot trigger is gone.
#pragma once

#include "Engine/ScriptHandleSlot.h"

class SequencerAction;

class SequencerTrigger {
  public:
    SequencerTrigger(int id, int pattern, int step, bool looped, SequencerAction* action)
        : id_(id), pattern_(pattern), step_(step), looped_(looped), action_(action) {}

    int getId() const { return id_; }
    int getPattern() const { return pattern_; }
    int getStep() const { return step_; }
    bool getLooped() const { return looped_; }
    SequencerAction* getAction() const { return action_; }
    // Armed until it first fires; the same-tick second pass only considers armed triggers.
    bool isArmed() const { return armed_; }
    void disarm() { armed_ = false; }
    ScriptHandleSlot& getScriptHandleSlot() { return scriptHandle_; }

  private:
    int id_;
    int pattern_;
    int step_;
    bool looped_;
    bool armed_ = true;
    SequencerAction* action_;
    ScriptHandleSlot scriptHandle_;
};
