#include "Engine/Sequencer.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "Engine/Assertion.h"
#include "Engine/AudioModule.h"
#include "Engine/GameSystem.h"
#include "Engine/RestartSequencerAction.h"
#include "Engine/SequencerAction.h"
#include "Engine/SequencerClock.h"

namespace {

// Steps in a beat (a quarter note): one step is a thirty-second note.
constexpr float kStepsPerBeat = 8.0f;

// Step16 values count sixteenth notes; saturated so huge script values cannot overflow.
int doubled(int step16) {
    const int64_t steps = static_cast<int64_t>(step16) * 2;
    return static_cast<int>(
        std::clamp<int64_t>(steps, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void eraseAll(std::vector<SequencerAction*>& actions, const LinkedObject* action) {
    actions.erase(std::remove(actions.begin(), actions.end(), action), actions.end());
}

// Keeps the slots, so an index walking [actions] stays valid.
void nullAll(std::vector<SequencerAction*>& actions, const LinkedObject* action) {
    std::replace_if(
        actions.begin(), actions.end(),
        [action](const SequencerAction* a) {
            return a != nullptr && static_cast<const LinkedObject*>(a) == action;
        },
        nullptr);
}

}  // namespace

// ---- Construction and the clock --------------------------------------------------------------

Sequencer::Sequencer(SequencerClock& clock, GameSystem* gameSystem)
    : clock_(clock), id_(clock.takeNextId()), gameSystem_(gameSystem) {
    addTypeName("Sequencer");
    stepAlarm_.setInterval(getStepTime());
    clock_.add(this);
}

Sequencer::~Sequencer() {
    *alive_ = false;
    clock_.remove(this);

    std::vector<SequencerAction*> actions = pendingReleases_;
    for (const SequencerTrigger& trigger : triggers_) actions.push_back(trigger.getAction());
    triggers_.clear();
    passActions_.clear();
    pendingReleases_.clear();
    inPass_ = false;
    releaseNow(std::move(actions));
}

bool Sequencer::isInUpdate() const {
    return clock_.isInUpdate();
}

void Sequencer::update(float deltaMS, std::optional<double> tickTimeMS) {
    if (!running_)
        return;
    if (!stepAlarm_.update(deltaMS))
        return;
    // The overshoot carries into the next step; whole extra intervals are dropped.
    stepAlarm_.reset();
    // The step was due when the alarm passed its interval, the overshoot ago.
    if (tickTimeMS)
        firingTimeMS_ = *tickTimeMS - stepAlarm_.getMSElapsed();
    if (++currentStep_ >= stepsPerPattern_) {
        currentStep_ = 0;
        if (++currentPattern_ >= loopLength_)
            currentPattern_ = 0;
    }
    fireCurrentPosition(false);
}

// Walks the triggers at the current position first, then executes the remembered actions, so
// actions may clear or delete triggers, delete actions or stop the sequencer meanwhile. Actions
// destroyed or released during the pass are skipped; releases happen once, at its end.
void Sequencer::fireCurrentPosition(bool armedOnly) {
    std::vector<SequencerAction*> toExecute;
    std::vector<SequencerAction*> removed;
    for (auto it = triggers_.begin(); it != triggers_.end();) {
        const bool before = it->getPattern() < currentPattern_ ||
                            (it->getPattern() == currentPattern_ && it->getStep() < currentStep_);
        if (before) {
            ++it;
            continue;
        }
        if (it->getPattern() != currentPattern_ || it->getStep() != currentStep_)
            break;
        if (armedOnly && !it->isArmed()) {
            ++it;
            continue;
        }
        SequencerAction* action = it->getAction();
        const bool tagged = action->isTaggedForRemoval();
        if (!tagged)
            toExecute.push_back(action);
        if (it->getLooped() && !tagged) {
            it->disarm();
            ++it;
        } else {
            removed.push_back(action);
            it = triggers_.erase(it);
        }
    }
    if (toExecute.empty() && removed.empty())
        return;

    if (firingTimeMS_ && gameSystem_ != nullptr && gameSystem_->getAudioModule() != nullptr)
        gameSystem_->getAudioModule()->setCurrentIdealTime(*firingTimeMS_);
    inPass_ = true;
    passActions_ = std::move(toExecute);
    pendingReleases_ = std::move(removed);
    const std::shared_ptr<bool> alive = alive_;
    for (std::size_t i = 0; i < passActions_.size(); ++i) {
        SequencerAction* action = passActions_[i];
        if (action != nullptr)
            action->execute(gameSystem_);
        if (!*alive)
            return;
    }
    inPass_ = false;
    passActions_.clear();
    std::vector<SequencerAction*> releases;
    releases.swap(pendingReleases_);
    releaseNow(std::move(releases));
}

void Sequencer::onLinkedObjectDeleted(LinkedObject* deleted) {
    triggers_.remove_if([deleted](const SequencerTrigger& t) {
        return static_cast<const LinkedObject*>(t.getAction()) == deleted;
    });
    nullAll(passActions_, deleted);
    eraseAll(pendingReleases_, deleted);
}

// ---- Releasing owned actions -----------------------------------------------------------------

bool Sequencer::isUsedByTrigger(const SequencerAction* action) const {
    return std::any_of(triggers_.begin(), triggers_.end(),
                       [action](const SequencerTrigger& t) { return t.getAction() == action; });
}

void Sequencer::release(const std::vector<SequencerAction*>& actions) {
    if (!inPass_) {
        releaseNow(actions);
        return;
    }
    for (SequencerAction* action : actions) {
        if (!action->isOwnedBySequencer() || isUsedByTrigger(action))
            continue;
        nullAll(passActions_, action);
        pendingReleases_.push_back(action);
    }
}

void Sequencer::releaseNow(std::vector<SequencerAction*> actions) {
    std::sort(actions.begin(), actions.end());
    actions.erase(std::unique(actions.begin(), actions.end()), actions.end());
    std::vector<SequencerAction*> dying;
    for (SequencerAction* action : actions) {
        if (action->isOwnedBySequencer() && !isUsedByTrigger(action))
            dying.push_back(action);
    }
    for (SequencerAction* action : dying) delete action;
}

// ---- Settings --------------------------------------------------------------------------------

void Sequencer::setBPM(int bpm) {
    if (!TACT_ASSERT(bpm >= 1, "bpm>=1"))
        return;
    bpm_ = bpm;
    stepAlarm_.setIntervalAndHardReset(getStepTime());
}

void Sequencer::setNumStepsPerPattern(int steps) {
    if (!TACT_ASSERT(steps >= 1, "steps>=1"))
        return;
    stepsPerPattern_ = steps;
}

void Sequencer::setLoopLen(int patterns) {
    if (!TACT_ASSERT(patterns >= 1, "loopLen>=1"))
        return;
    loopLength_ = patterns;
}

void Sequencer::start() {
    stepAlarm_.phaseReset(1.0f);
    running_ = true;
}

void Sequencer::restart() {
    currentPattern_ = 0;
    currentStep_ = -1;
    start();
}

void Sequencer::restart(int absoluteStep) {
    setTrigger(absoluteStep, new RestartSequencerAction(this), false);
}

int Sequencer::getNumStepsPerNote(int noteLength) const {
    if (!TACT_ASSERT(noteLength >= THIRTYSECOND_NOTE && noteLength <= WHOLE_NOTE, "false"))
        return 0;
    return 1 << noteLength;
}

float Sequencer::getNoteTime(int noteLength) const {
    return static_cast<float>(getNumStepsPerNote(noteLength)) * getStepTime();
}

float Sequencer::getStepTime() const {
    const float beatsPerSecond = static_cast<float>(bpm_) / 60.0f;
    const float msPerBeat = (1.0f / beatsPerSecond) * 1000.0f;
    return msPerBeat / kStepsPerBeat;
}

// ---- Triggers --------------------------------------------------------------------------------

Sequencer::Position Sequencer::toPosition(int absoluteStep) const {
    if (!TACT_ASSERT(absoluteStep >= 0, "*retval_step>=0"))
        return {0, absoluteStep};
    // Integer division: exact for every step, where a float quotient rounds for large ones.
    const int patterns = absoluteStep / stepsPerPattern_;
    return {patterns % loopLength_, absoluteStep - stepsPerPattern_ * patterns};
}

Sequencer::Position Sequencer::getNextBoundary(int stepsPerNote) const {
    Position next{currentPattern_, (currentStep_ / stepsPerNote + 1) * stepsPerNote};
    // A loop rather than one subtraction: a note longer than the pattern may pass several.
    while (next.step >= stepsPerPattern_) {
        next.step -= stepsPerPattern_;
        if (++next.pattern >= loopLength_)
            next.pattern = 0;
    }
    return next;
}

SequencerTrigger* Sequencer::insertTrigger(const Position& position, SequencerAction* action, bool looped) {
    if (!TACT_ASSERT(action != nullptr, "action!=NULL"))
        return nullptr;
    const auto after =
        std::find_if(triggers_.begin(), triggers_.end(), [&position](const SequencerTrigger& t) {
            return t.getPattern() > position.pattern ||
                   (t.getPattern() == position.pattern && t.getStep() > position.step);
        });
    const auto inserted =
        triggers_.emplace(after, clock_.takeNextId(), position.pattern, position.step, looped, action);
    link(action);
    return &*inserted;
}

SequencerTrigger* Sequencer::setTrigger(int absoluteStep, SequencerAction* action, bool looped) {
    return insertTrigger(toPosition(absoluteStep), action, looped);
}

SequencerTrigger* Sequencer::setTrigger(int pattern, int step, SequencerAction* action, bool looped) {
    return insertTrigger({pattern, step}, action, looped);
}

SequencerTrigger* Sequencer::setTrigger16(int absoluteStep16, SequencerAction* action, bool looped) {
    return setTrigger(doubled(absoluteStep16), action, looped);
}

SequencerTrigger* Sequencer::setTrigger16(int pattern, int step16, SequencerAction* action, bool looped) {
    return setTrigger(pattern, doubled(step16), action, looped);
}

SequencerTrigger* Sequencer::setTriggerOnNext(int noteLength, SequencerAction* action, bool looped) {
    const int stepsPerNote = getNumStepsPerNote(noteLength);
    if (stepsPerNote == 0)
        return nullptr;
    return insertTrigger(getNextBoundary(stepsPerNote), action, looped);
}

void Sequencer::moveTriggerToFront(int triggerId) {
    const auto moving =
        std::find_if(triggers_.begin(), triggers_.end(),
                     [triggerId](const SequencerTrigger& t) { return t.getId() == triggerId; });
    if (moving == triggers_.end())
        return;
    const auto first = std::find_if(triggers_.begin(), triggers_.end(), [&moving](const SequencerTrigger& t) {
        return t.getPattern() == moving->getPattern() && t.getStep() == moving->getStep();
    });
    triggers_.splice(first, triggers_, moving);
}

SequencerTrigger* Sequencer::findTrigger(int triggerId) {
    for (SequencerTrigger& trigger : triggers_) {
        if (trigger.getId() == triggerId)
            return &trigger;
    }
    return nullptr;
}

void Sequencer::clearTriggers() {
    std::vector<SequencerAction*> actions;
    for (const SequencerTrigger& trigger : triggers_) actions.push_back(trigger.getAction());
    triggers_.clear();
    release(actions);
}

// ---- Position --------------------------------------------------------------------------------

void Sequencer::gotoStep(int absoluteStep) {
    const Position position = toPosition(absoluteStep);
    gotoStep(position.pattern, position.step);
}

void Sequencer::gotoStep(int pattern, int step) {
    currentPattern_ = pattern;
    currentStep_ = step;
}

void Sequencer::gotoStep16(int absoluteStep16) {
    gotoStep(doubled(absoluteStep16));
}

void Sequencer::gotoStep16(int pattern, int step16) {
    gotoStep(pattern, doubled(step16));
}

float Sequencer::getMSTillNextStep16() const {
    return currentStep_ % 2 == 0 ? 2.0f * getMSTillNextStep() : getMSTillNextStep();
}

float Sequencer::getMSTillNextSequencePos(int noteLength) const {
    const int stepsPerNote = getNumStepsPerNote(noteLength);
    if (stepsPerNote == 0)
        return 0.0f;
    Position next = getNextBoundary(stepsPerNote);
    int64_t stepsAway = 0;
    if (next.pattern == currentPattern_ && next.step > currentStep_) {
        stepsAway = next.step - currentStep_;
    } else {
        // The boundary is in a later pattern, possibly past the loop's wrap.
        if (next.pattern <= currentPattern_)
            next.pattern += loopLength_;
        stepsAway = static_cast<int64_t>(stepsPerPattern_ - currentStep_) +
                    static_cast<int64_t>(stepsPerPattern_) * std::max(0, next.pattern - currentPattern_ - 1) +
                    next.step;
    }
    if (!TACT_ASSERT(stepsAway > 0, "numStepsAway>0"))
        stepsAway = 1;
    return getMSTillNextStep() + getStepTime() * static_cast<float>(stepsAway - 1);
}
