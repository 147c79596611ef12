// The sequencer clock of one game system: every sequencer made for it, stepped together on the
// clock's beat, and the ids its sequencers and triggers take.
#pragma once

#include <optional>
#include <vector>

class Sequencer;

class SequencerClock {
  public:
    SequencerClock() = default;
    SequencerClock(const SequencerClock&) = delete;
    SequencerClock& operator=(const SequencerClock&) = delete;

    // Advances every sequencer in registration order, then gives each a second firing pass so a
    // trigger an action set on the position just played fires in the same clock tick. Actions may
    // create or destroy sequencers: destroyed ones are skipped, new ones wait for the next tick.
    // With [tickTimeMS], the game time of this clock tick, the audio module's ideal time is set
    // before each firing: a new step's is the tick's less the step alarm's overshoot (when the
    // step was due), a second pass's on a sequencer that did not step is the tick's.
    void update(float deltaMS, std::optional<double> tickTimeMS = std::nullopt);
    // True while update runs.
    bool isInUpdate() const { return inUpdate_; }

    // Ids of sequencers and triggers come from one counter, starting at 1.
    int takeNextId() { return nextId_++; }

    // Sequencers join at construction and leave at destruction.
    void add(Sequencer* sequencer);
    void remove(Sequencer* sequencer);
    bool contains(const Sequencer* sequencer) const;

  private:
    std::vector<Sequencer*> sequencers_;
    bool inUpdate_ = false;
    int nextId_ = 1;
};
