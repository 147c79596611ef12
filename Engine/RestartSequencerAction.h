// The native action behind Sequencer::restart(step): restarts its sequencer when it fires. Owned
// by that sequencer; linked to it too, so it never restarts a sequencer that is gone.
#pragma once

#include "Engine/SequencerAction.h"

class Sequencer;

class RestartSequencerAction final : public SequencerAction {
  public:
    explicit RestartSequencerAction(Sequencer* sequencer);

    void onLinkedObjectDeleted(LinkedObject* deleted) override;
    void execute(GameSystem* gameSystem) override;

  private:
    Sequencer* sequencer_;
};
