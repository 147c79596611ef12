#include "Engine/RestartSequencerAction.h"

#include "Engine/Sequencer.h"

RestartSequencerAction::RestartSequencerAction(Sequencer* sequencer) : sequencer_(sequencer) {
    addTypeName("RestartSequencerAction");
    setIsOwnedBySequencer(true);
    link(sequencer);
}

void RestartSequencerAction::onLinkedObjectDeleted(LinkedObject* deleted) {
    if (deleted == sequencer_)
        sequencer_ = nullptr;
}

void RestartSequencerAction::execute(GameSystem*) {
    if (sequencer_ != nullptr)
        sequencer_->restart();
}
