#include "Engine/SequencerAction.h"

SequencerAction::SequencerAction() {
    addTypeName("SequencerAction");
}

SequencerAction::~SequencerAction() = default;
