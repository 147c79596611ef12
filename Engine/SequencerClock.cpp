#include "Engine/SequencerClock.h"

#include <algorithm>

#include "Engine/Assertion.h"
#include "Engine/Sequencer.h"

void SequencerClock::update(float deltaMS, std::optional<double> tickTimeMS) {
    if (!TACT_ASSERT(!inUpdate_, "!isInUpdate"))
        return;
    inUpdate_ = true;
    // A snapshot, so actions may create or destroy sequencers.
    const std::vector<Sequencer*> sequencers = sequencers_;
    for (Sequencer* sequencer : sequencers) {
        if (contains(sequencer)) {
            sequencer->firingTimeMS_ = tickTimeMS;
            sequencer->update(deltaMS, tickTimeMS);
        }
    }
    for (Sequencer* sequencer : sequencers) {
        if (contains(sequencer))
            sequencer->fireCurrentPosition(true);
    }
    inUpdate_ = false;
}

void SequencerClock::add(Sequencer* sequencer) {
    sequencers_.push_back(sequencer);
}

void SequencerClock::remove(Sequencer* sequencer) {
    const auto found = std::find(sequencers_.begin(), sequencers_.end(), sequencer);
    if (TACT_ASSERT(found != sequencers_.end(), "found"))
        sequencers_.erase(found);
}

bool SequencerClock::contains(const Sequencer* sequencer) const {
    return std::find(sequencers_.begin(), sequencers_.end(), sequencer) != sequencers_.end();
}
