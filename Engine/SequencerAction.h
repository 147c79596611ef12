// What a sequencer trigger fires (script type SEQUENCERACTION). Sequencers link themselves to
// the actions they hold, so destroying an action drops its triggers everywhere.
#pragma once

#include "Engine/LinkedObject.h"

class GameSystem;

class SequencerAction : public LinkedObject {
  public:
    SequencerAction();
    ~SequencerAction() override;

    virtual void execute(GameSystem* gameSystem) = 0;

    // A tagged action does not fire again; the sequencer drops its triggers as their positions
    // come round.
    void tagForRemoval() { taggedForRemoval_ = true; }
    bool isTaggedForRemoval() const { return taggedForRemoval_; }
    // An owned action is deleted by the sequencer once no trigger uses it any more.
    void setIsOwnedBySequencer(bool owned) { ownedBySequencer_ = owned; }
    bool isOwnedBySequencer() const { return ownedBySequencer_; }

  private:
    bool taggedForRemoval_ = false;
    bool ownedBySequencer_ = false;
};
