#include "TestProcess.h"

#include "Engine/AudioModule.h"
#include "Engine/GameSystem.h"
#include "Engine/KeyCodes.h"
#include "Engine/Sequencer.h"
#include "Engine/SequencerAction.h"
#include "NativeTestProcesses.h"

namespace {
constexpr const char* kStereoSound = "stereotest.ogg";
constexpr const char* kMonoSound = "monotest.ogg";
// A C major scale from C4, one note a beat.
constexpr int kScale[] = {0, 2, 4, 5, 7, 9, 11, 12};

class BeatAction : public SequencerAction {
  public:
    explicit BeatAction(TestProcess* owner) : owner_(owner) {}
    void execute(GameSystem*) override { owner_->onBeat(); }

  private:
    TestProcess* owner_;
};
}  // namespace

TestProcess::TestProcess(const std::string& name, GameSystem* gameSystem) : Process(name, gameSystem) {
    addTypeName("TestProcess");
}

// Destroying the action drops its trigger from the sequencer (the two are linked).
TestProcess::~TestProcess() = default;

bool TestProcess::init() {
    const bool stereo = audio_->loadSound(kStereoSound, DEFAULT_BASE_NOTE);
    const bool mono = audio_->loadSound(kMonoSound, DEFAULT_BASE_NOTE);
    reportFromTestProcess(gameSystem_, std::string("TestProcess: ") + kStereoSound +
                                           (stereo ? " loaded" : " missing") + ", " + kMonoSound +
                                           (mono ? " loaded" : " missing"));
    beat_ = std::make_unique<BeatAction>(this);
    // A looped trigger fires once each time the loop comes round, so one goes on every quarter
    // note of the loop.
    const int loopSteps = mainSequencer_->getNumStepsPerPattern() * mainSequencer_->getLoopLen();
    const int quarter = mainSequencer_->getNumStepsPerNote(QUARTER_NOTE);
    for (int step = 0; quarter > 0 && step < loopSteps; step += quarter)
        mainSequencer_->setTrigger(step, beat_.get(), true);
    return true;
}

void TestProcess::onBeat() {
    const int note = DEFAULT_BASE_NOTE + kScale[beats_ % 8];
    audio_->playSound(kMonoSound, note, 200.0f, 0.0f, 0.8f);
    ++beats_;
    if (beats_ % 8 == 0)
        reportFromTestProcess(gameSystem_, "TestProcess: " + std::to_string(beats_) + " beats");
}

void TestProcess::onKeyPress(int keyCode) {
    switch (keyCode) {
        case KEYBOARD_SPACE_BAR:
            audio_->playSound(kStereoSound, BASE_NOTE, 500.0f, 0.0f, 1.0f);
            break;
        case KEYBOARD_R:
            gameSystem_->startNewProcessList("TestProcess");
            break;
        case KEYBOARD_T:
            gameSystem_->resetSimulationTimer();
            break;
        case KEYBOARD_ESCAPE:
            gameSystem_->quit();
            break;
        default:
            break;
    }
}
