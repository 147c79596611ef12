#include "Engine/GameSystem.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "Engine/AIHelper.h"
#include "Engine/Assertion.h"
#include "Engine/AudioModule.h"
#include "Engine/ColourManager.h"
#include "Engine/DebugLog.h"
#include "Engine/Entity.h"
#include "Engine/EntityIndustry.h"
#include "Engine/EntityManager.h"
#include "Engine/GameBoard.h"
#include "Engine/GameFiles.h"
#include "Engine/InputModule.h"
#include "Engine/KeyCodes.h"
#include "Engine/Logger.h"
#include "Engine/MethodArgument.h"
#include "Engine/ModuleFactory.h"
#include "Engine/ParticleIndustry.h"
#include "Engine/ParticleManager.h"
#include "Engine/PhysicsModule.h"
#include "Engine/Process.h"
#include "Engine/ProcessCommand.h"
#include "Engine/ProcessIndustry.h"
#include "Engine/ProcessVisitor.h"
#include "Engine/ScriptModule.h"
#include "Engine/Sequencer.h"
#include "Engine/SimulationTimer.h"
#include "Engine/TickProfiler.h"
#include "Engine/VideoModule.h"

namespace {

constexpr const char* kConsoleProcessName = "ConsoleProcess";
constexpr const char* kPauseProcessName = "PauseProcess";
constexpr const char* kColourEditorProcessName = "ColourEditorProcess";

// ---- Visitors of the process dispatch -------------------------------------------------------

class UpdateVisitor final : public ProcessVisitor {
  public:
    explicit UpdateVisitor(float deltaMS) : deltaMS_(deltaMS) {}
    void visitProcess(Process* process) override { process->tick(deltaMS_); }
    void visitEntity(Entity* entity) override { entity->update(deltaMS_); }

  private:
    float deltaMS_;
};

// onEntityDelete, onEntityCreate, onEntityExplode and the key events: the same listener
// operation on each process and entity.
// A template rather than std::function: a contact event is dispatched thousands of times a step.
template <typename Call>
class ListenerVisitor final : public ProcessVisitor {
  public:
    ListenerVisitor(Call call, bool needsFocus) : call_(std::move(call)), needsFocus_(needsFocus) {}
    void visitProcess(Process* process) override { call_(process); }
    void visitEntity(Entity* entity) override { call_(entity); }
    bool needsInputFocus() const override { return needsFocus_; }

  private:
    Call call_;
    bool needsFocus_;
};

// Collision reports: each process, then the entities themselves in finish.
template <typename Visit, typename Finish>
class CollisionVisitor final : public ProcessVisitor {
  public:
    CollisionVisitor(Visit visit, Finish finish) : visit_(std::move(visit)), finish_(std::move(finish)) {}
    void visitProcess(Process* process) override { visit_(process); }
    void finish() override { finish_(); }
    bool visitsEntities() const override { return false; }

  private:
    Visit visit_;
    Finish finish_;
};

// A shutdown step that fails is noted in debug.log; the next step still runs.
template <typename Step>
void guardedStep(const char* failureMessage, Step&& step) {
    try {
        step();
    } catch (...) {
        appendToDebugLog(failureMessage);
    }
}

}  // namespace

// ---- Construction ----------------------------------------------------------------------------

GameSystem::GameSystem(ModuleFactory& factory) : factory_(factory) {
    addTypeName("GameSystem");

    tick_ = 0;
    logger_ = std::make_unique<Logger>();
    log("Random number generator seed is " + std::to_string(random_.getSeed()));
    gameBoard_ = std::make_unique<GameBoard>(&random_);
    mainSequencer_ = std::make_unique<Sequencer>(sequencerClock_, this);
    mainSequencer_->start();

    video_ = factory_.createVideoModule(this);
    input_ = factory_.createInputModule(this);
    audio_ = factory_.createAudioModule(this);
    unfocusedInput_ = std::make_unique<InputModule>(this);
    activeInput_ = input_.get();
    modules_ = {video_.get(), input_.get(), audio_.get()};

    entityManager_ = factory_.createEntityManager(this);
    modules_.push_back(entityManager_.get());
    particleManager_ = factory_.createParticleManager(this);
    modules_.push_back(particleManager_.get());
    physics_ = factory_.createPhysicsModule(this);
    modules_.push_back(physics_.get());
    colourManager_ = factory_.createColourManager(this);
    colourManager_->setDataFolder(getDataFolder().value_or(""));
    modules_.push_back(colourManager_.get());

    processIndustry_ = std::make_unique<ProcessIndustry>();
    entityIndustry_ = std::make_unique<EntityIndustry>();
    particleIndustry_ = std::make_unique<ParticleIndustry>();
    aiHelper_ = std::make_unique<AIHelper>(this);

    scriptModule_ = factory_.createScriptModule(this);
    modules_.push_back(scriptModule_.get());

    timer_ = factory_.createTimer();
}

GameSystem::~GameSystem() {
    shutDown();
}

// ---- Main loop -------------------------------------------------------------------------------

void GameSystem::run() {
    startUp();
    while (!quit_) runLoopIteration();
    shutDown();
}

void GameSystem::startUp() {
    started_ = true;
    factory_.initWindowing();
    video_->init();
    input_->init();
    audio_->init();
    entityManager_->init();
    particleManager_->init();
    physics_->init();
    colourManager_->init();
    scriptModule_->init();
    startNewProcessList(mainProcessName_);
    timer_->getElapsedMS();
    sequencerAccumulatorMS_ = 0.0f;
    tickTimeMS_ = 0.0;
    sequencerTimeMS_ = 0.0;
}

void GameSystem::runLoopIteration() {
    factory_.pollEvents();
    const float dt = UPDATE_INTERVAL_MS;
    const float elapsed = timer_->getElapsedMS();
    accumulatorMS_ += elapsed;
    sequencerAccumulatorMS_ += elapsed;
    if (accumulatorMS_ > MAX_ACCUMULATED_MS) {
        tickTimeMS_ += accumulatorMS_ - MAX_ACCUMULATED_MS;
        accumulatorMS_ = MAX_ACCUMULATED_MS;
    }

    if (!isSystemPaused_) {
        bool updated = false;
        if (accumulatorMS_ >= dt) {
            accumulatorMS_ -= dt;
            tickTimeMS_ += dt;
            audio_->setCurrentIdealTime(tickTimeMS_);
            runTick(dt);
            updated = true;
        }
        // The sequencer clock runs even when no tick was due; while paused its time is dropped.
        while (sequencerAccumulatorMS_ >= SEQUENCER_STEP_MS) {
            sequencerTimeMS_ += SEQUENCER_STEP_MS;
            if (!isPaused())
                sequencerClock_.update(SEQUENCER_STEP_MS, sequencerTimeMS_);
            sequencerAccumulatorMS_ -= SEQUENCER_STEP_MS;
        }
        // Behind schedule: one tick per iteration and no frame until caught up, except the frame a
        // screenshot waits for, so that it shows the tick it was asked for after.
        if (updated && (accumulatorMS_ < dt || video_->isScreenshotPending())) {
            TickProfiler::Scope drawing(profiler_, TickProfiler::kDrawing);
            video_->render();
        }
    } else {
        while (accumulatorMS_ >= dt) {
            video_->update(dt);
            input_->update(dt);
            accumulatorMS_ -= dt;
            tickTimeMS_ += dt;
        }
        video_->drawSystemPauseScreen();
        if (input_->isKeyPressed(KEYBOARD_ESCAPE))
            quit_ = true;
    }

    if (isAltF4Down())
        quit_ = true;

    if (sleepEnabled_) {
        const float spent = timer_->getElapsedMS();
        accumulatorMS_ += spent;
        sequencerAccumulatorMS_ += spent;
        const float tillSequencerStep = std::max(0.0f, SEQUENCER_STEP_MS - sequencerAccumulatorMS_);
        const float tillUpdate = std::max(0.0f, dt - accumulatorMS_);
        const int sleepMS = static_cast<int>(std::min(tillUpdate, tillSequencerStep));
        if (sleepMS > 0)
            factory_.sleepMS(sleepMS);
    }
}

void GameSystem::runTick(float deltaMS) {
    TickProfiler::Scope tickTime(profiler_, TickProfiler::kTick);
    ++tick_;
    for (Process* process : processes_) {
        if (process->isTerminated())
            terminateProcess(process->getName());
    }
    executeProcessCommands();

    input_->update(deltaMS);
    if (!isPaused())
        entityManager_->update(deltaMS);
    double scriptsMS = 0.0;
    {
        TickProfiler::Lap scripts(profiler_, scriptsMS);
        UpdateVisitor updateVisitor(deltaMS);
        forEachProcess(updateVisitor);
    }
    if (!isPaused()) {
        double particlesMS = 0.0;
        {
            TickProfiler::Lap particles(profiler_, particlesMS);
            particleManager_->update(deltaMS);
        }
        if (profiler_ != nullptr)
            profiler_->addParticles(particlesMS, particleManager_->getNumParticles());
    }
    if (!isPaused()) {
        TickProfiler::Scope physics(profiler_, TickProfiler::kPhysics);
        physics_->update(deltaMS);
    }
    colourManager_->update(deltaMS);
    video_->update(deltaMS);
    {
        TickProfiler::Scope audio(profiler_, TickProfiler::kAudio);
        audio_->update(deltaMS);
    }
    {
        TickProfiler::Lap threads(profiler_, scriptsMS);
        scriptModule_->update(deltaMS);
    }
    if (profiler_ != nullptr)
        profiler_->add(TickProfiler::kScripts, scriptsMS);
}

bool GameSystem::isAltF4Down() const {
    return (input_->isKeyPressed(KEYBOARD_LEFTALT) || input_->isKeyPressed(KEYBOARD_RIGHTALT)) &&
           input_->isKeyPressed(KEYBOARD_F4);
}

void GameSystem::resetSimulationTimer() {
    // The next tick comes a whole interval from now: the time owed is dropped.
    tickTimeMS_ += accumulatorMS_;
    accumulatorMS_ = 0.0f;
    timer_->getElapsedMS();
    log("Reset simulation timer.");
}

// ---- Shutdown --------------------------------------------------------------------------------

void GameSystem::shutDown() {
    if (shutDown_)
        return;
    shutDown_ = true;

    guardedStep("EXCEPTION: killing processes", [this] {
        commands_.clear();
        killAllProcesses();
    });
    modules_.clear();
    if (profiler_ != nullptr && audio_)
        profiler_->setAudioFigures(audio_->getOutputFigures());
    guardedStep("EXCEPTION: killing entity manager", [this] { entityManager_.reset(); });
    guardedStep("EXCEPTION: killing particle manager", [this] { particleManager_.reset(); });
    guardedStep("EXCEPTION: killing main sequencer", [this] { mainSequencer_.reset(); });
    guardedStep("EXCEPTION: killing colour manager", [this] { colourManager_.reset(); });
    guardedStep("EXCEPTION: killing gm script", [this] { scriptModule_.reset(); });
    guardedStep("EXCEPTION: killing aihelper", [this] { aiHelper_.reset(); });
    guardedStep("EXCEPTION: killing entity industry", [this] { entityIndustry_.reset(); });
    guardedStep("EXCEPTION: killing particle industry", [this] { particleIndustry_.reset(); });
    guardedStep("EXCEPTION: killing process industry", [this] { processIndustry_.reset(); });
    guardedStep("EXCEPTION: killing physics", [this] { physics_.reset(); });
    guardedStep("EXCEPTION: killing audio", [this] { audio_.reset(); });
    guardedStep("EXCEPTION: killing input", [this] {
        activeInput_ = nullptr;
        input_.reset();
        unfocusedInput_.reset();
    });
    guardedStep("EXCEPTION: deinitializing video", [this] { video_->deinit(); });
    guardedStep("EXCEPTION: killing video", [this] { video_.reset(); });
    guardedStep("EXCEPTION: killing gameboard", [this] { gameBoard_.reset(); });
    guardedStep("EXCEPTION: killing logger", [this] { logger_.reset(); });
    if (started_)
        factory_.terminateWindowing();
    guardedStep("EXCEPTION: killing game system timer", [this] { timer_.reset(); });
}

// ---- Console and task switch -----------------------------------------------------------------

void GameSystem::onTaskSwitch() {
    if (!isPaused() && pauseOnTaskSwitch_)
        runProcess(kPauseProcessName);
}

void GameSystem::openConsole() {
    runProcess(kConsoleProcessName);
}

void GameSystem::closeConsole() {
    Process* console = getProcess(kConsoleProcessName);
    if (console == nullptr)
        return;
    MethodArgument result;
    if (!console->callMethod("onCloseConsole", {}, result))
        terminateProcess(kConsoleProcessName);
}

bool GameSystem::isConsoleOpen() const {
    return isProcessRunning(kConsoleProcessName);
}

void GameSystem::log(const std::string& text) {
    if (logger_)
        logger_->logText(text, 0);
}

// ---- Save data -------------------------------------------------------------------------------

bool GameSystem::setGameName(const std::string& name) {
    if (!isValidSaveName(name))
        return false;
    gameName_ = name;
    if (colourManager_)
        colourManager_->setDataFolder(getDataFolder().value_or(""));
    return true;
}

std::string GameSystem::getGameName() const {
    if (!gameName_.empty())
        return gameName_;
    // The game folder's name, or the archive's without its extension.
    const std::string folder = getGameFiles().getDefaultGameName();
    return isValidSaveName(folder) ? folder : "game";
}

std::optional<std::string> GameSystem::getDataFolder() const {
    return getPlayerDataFolder(getGameName());
}

bool GameSystem::saveData(const std::string& name, const SaveValue& data) {
    const std::optional<std::string> folder = getDataFolder();
    const std::optional<std::string> bytes = encodeSaveData(data);
    std::string error = "no data folder (neither XDG_DATA_HOME nor HOME is set)";
    if (!bytes)
        error = "too large or nested too deep";
    if (folder && bytes && writeFileAtomically(*folder + "/" + name + ".sav", *bytes, error))
        return true;
    log("Save data: cannot save '" + name + "': " + error);
    return false;
}

std::optional<SaveValue> GameSystem::loadData(const std::string& name) {
    const std::optional<std::string> folder = getDataFolder();
    if (!folder)
        return std::nullopt;
    const std::string path = *folder + "/" + name + ".sav";
    bool missing = false;
    std::string error;
    std::optional<SaveValue> data;
    if (const std::optional<std::string> bytes = readWholeFile(path, kMaxSaveFileBytes, missing, error))
        data = decodeSaveData(*bytes, error);
    if (!data && !missing)
        log("Save data: cannot load '" + name + "' (" + path + "): " + error);
    return data;
}

// ---- Errors reported to the user ------------------------------------------------------------

void GameSystem::reportError(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    countReportedError();
}

// ---- Event fan-out ---------------------------------------------------------------------------

void GameSystem::onEntityDelete(Entity* entity) {
    for (EngineModule* module : modules_) module->onEntityDelete(entity);
    ListenerVisitor visitor([entity](EventListener* l) { l->onEntityDelete(entity); }, false);
    forEachProcess(visitor);
}

void GameSystem::onEntityCreate(Entity* entity) {
    for (EngineModule* module : modules_) module->onEntityCreate(entity);
    ListenerVisitor visitor([entity](EventListener* l) { l->onEntityCreate(entity); }, false);
    forEachProcess(visitor);
}

void GameSystem::onEntityExplode(Entity* entity) {
    for (EngineModule* module : modules_) module->onEntityExplode(entity);
    ListenerVisitor visitor([entity](EventListener* l) { l->onEntityExplode(entity); }, false);
    forEachProcess(visitor);
}

void GameSystem::onKeyPress(int keyCode) {
    for (EngineModule* module : modules_) module->onKeyPress(keyCode);
    if (debugKeysEnabled_)
        handleDebugKey(keyCode);
    ListenerVisitor visitor([keyCode](EventListener* l) { l->onKeyPress(keyCode); }, true);
    forEachProcess(visitor);
}

void GameSystem::onKeyRelease(int keyCode) {
    for (EngineModule* module : modules_) module->onKeyRelease(keyCode);
    ListenerVisitor visitor([keyCode](EventListener* l) { l->onKeyRelease(keyCode); }, true);
    forEachProcess(visitor);
}

void GameSystem::onKeyType(int character) {
    for (EngineModule* module : modules_) module->onKeyType(character);
    ListenerVisitor visitor([character](EventListener* l) { l->onKeyType(character); }, true);
    forEachProcess(visitor);
}

namespace {
// Sets the game system's current contact for one dispatch and restores the one before.
class ContactScope {
  public:
    ContactScope(Contact& current, const Contact& contact) : current_(current), saved_(current) {
        current_ = contact;
    }
    ~ContactScope() { current_ = saved_; }
    ContactScope(const ContactScope&) = delete;
    ContactScope& operator=(const ContactScope&) = delete;

  private:
    Contact& current_;
    Contact saved_;
};
}  // namespace

void GameSystem::onEntityCollide(Entity* a, Entity* b, const Contact& contact) {
    ContactScope scope(contact_, contact);
    for (EngineModule* module : modules_) module->onEntityCollide(a, b);
    CollisionVisitor visitor([a, b](Process* p) { p->onEntityCollide(a, b); },
                             [this, a, b, &contact] {
                                 contact_ = contact;
                                 a->onEntityCollide(b);
                                 contact_ = contact.reversed();
                                 b->onEntityCollide(a);
                                 contact_ = contact;
                             });
    forEachProcess(visitor);
}

void GameSystem::onEntityTouch(Entity* a, Entity* b, const Contact& contact) {
    ContactScope scope(contact_, contact);
    for (EngineModule* module : modules_) module->onEntityTouch(a, b);
    // A crowd touches every step and seldom listens: a pair no process and neither entity can
    // hear is not dispatched (the dispatch would only set and restore the Input global).
    const auto hears = [](const Process* p) { return p->hearsEntityTouch(); };
    if (!a->hearsEntityTouch() && !b->hearsEntityTouch() &&
        std::none_of(processes_.begin(), processes_.end(), hears))
        return;
    CollisionVisitor visitor([a, b](Process* p) { p->onEntityTouch(a, b); },
                             [this, a, b, &contact] {
                                 contact_ = contact;
                                 a->onEntityTouch(b);
                                 contact_ = contact.reversed();
                                 b->onEntityTouch(a);
                                 contact_ = contact;
                             });
    forEachProcess(visitor);
}

void GameSystem::onEntityCollideWithGameBoard(Entity* entity, int sideFlags) {
    for (EngineModule* module : modules_) module->onEntityCollideWithGameBoard(entity, sideFlags);
    CollisionVisitor visitor(
        [entity, sideFlags](Process* p) { p->onEntityCollideWithGameBoard(entity, sideFlags); },
        [entity, sideFlags] { entity->onEntityCollideWithGameBoard(sideFlags); });
    forEachProcess(visitor);
}

void GameSystem::handleDebugKey(int keyCode) {
    switch (keyCode) {
        case KEYBOARD_C:
            if (input_->isControlPressed() && !isProcessRunning(kColourEditorProcessName)) {
                runProcess(kColourEditorProcessName);
            }
            break;
        case KEYBOARD_F7:
            scriptModule_->reloadAllScripts();
            break;
        case KEYBOARD_F10:
            if (!scriptModule_->isCompiledMode())
                scriptModule_->saveCompiledScripts();
            break;
        case KEYBOARD_F12:
            systemReset();
            break;
        case KEYBOARD_TILDE:
            if (isConsoleOpen()) {
                closeConsole();
            } else {
                openConsole();
            }
            break;
        default:
            break;
    }
}

void GameSystem::systemReset() {
    for (int i = 0; i < 3; ++i) log("");
    log("SYSTEM RESET");
    if (!sleepEnabled_)
        log("WARNING: NOT SLEEPING ANYMORE");
    scriptModule_->forgetAllScripts();
    startNewProcessList(mainProcessName_);
    video_->clearScreen();
}

// ---- Process list ----------------------------------------------------------------------------

void GameSystem::queueCommand(int kind, const std::string& name) {
    commands_.push_back(std::make_unique<ProcessCommand>(static_cast<ProcessCommand::Kind>(kind), name));
}

void GameSystem::startNewProcessList(const std::string& name) {
    queueCommand(static_cast<int>(ProcessCommand::Kind::kStartNewList), name);
}

void GameSystem::runProcess(const std::string& name) {
    queueCommand(static_cast<int>(ProcessCommand::Kind::kRun), name);
}

void GameSystem::terminateProcess(const std::string& name) {
    queueCommand(static_cast<int>(ProcessCommand::Kind::kTerminate), name);
}

void GameSystem::terminateProcess(Process* process) {
    if (process != nullptr)
        terminateProcess(process->getName());
}

void GameSystem::setAsPauseProcess(bool isPauseProcess) {
    if (!TACT_ASSERT(currentExecutingProcess_ != nullptr, "lpCurrentExecutingProcess!=NULL"))
        return;
    if (isPauseProcess) {
        queueCommand(static_cast<int>(ProcessCommand::Kind::kSetPause), currentExecutingProcess_->getName());
    } else {
        queueCommand(static_cast<int>(ProcessCommand::Kind::kClearPause),
                     currentExecutingProcess_->getName());
    }
}

bool GameSystem::isProcessRunning(const std::string& name) const {
    return getProcess(name) != nullptr;
}

Process* GameSystem::getProcess(const std::string& name) const {
    for (Process* process : processes_) {
        if (process->getName() == name)
            return process;
    }
    return nullptr;
}

void GameSystem::killAllProcesses() {
    // Out of the list first, so destructors that look processes up find none half-deleted.
    std::vector<Process*> dying;
    dying.swap(processes_);
    pauseProcess_ = nullptr;
    for (Process* process : dying) delete process;
}

void GameSystem::executeProcessCommands() {
    // Commands queued while these execute (by constructors or destructors) wait for the next tick.
    std::vector<std::unique_ptr<ProcessCommand>> queued;
    queued.swap(commands_);
    for (const auto& command : queued) command->execute(*this);
}

void GameSystem::executeStartNewList(const std::string& name) {
    killAllProcesses();
    if (name.empty())
        return;
    Process* process = processIndustry_->create(name, this);
    if (process == nullptr)
        return;
    process->setIsUpdatesEntities(true);
    processes_.push_back(process);
}

void GameSystem::executeRun(const std::string& name) {
    if (isProcessRunning(name))
        return;
    Process* process = processIndustry_->create(name, this);
    if (process != nullptr)
        processes_.push_back(process);
}

void GameSystem::executeTerminate(const std::string& name) {
    auto found = std::find_if(processes_.begin(), processes_.end(),
                              [&name](const Process* p) { return p->getName() == name; });
    if (found == processes_.end())
        return;
    Process* process = *found;
    if (process == pauseProcess_)
        pauseProcess_ = nullptr;
    processes_.erase(found);
    delete process;
}

void GameSystem::executeSetPause(const std::string& name) {
    Process* process = getProcess(name);
    if (process != nullptr)
        pauseProcess_ = process;
}

void GameSystem::executeClearPause() {
    pauseProcess_ = nullptr;
}

// ---- Dispatch --------------------------------------------------------------------------------

void GameSystem::setActiveInput(InputModule* input) {
    activeInput_ = input;
    if (scriptModule_)
        scriptModule_->setInputGlobal(input);
}

void GameSystem::forEachProcess(ProcessVisitor& visitor) {
    // An event raised inside a dispatch (an entity exploding in its update) dispatches again;
    // the outer walk gets its input and current process back afterwards.
    InputModule* const outerInput = activeInput_;
    Process* const outerProcess = currentExecutingProcess_;
    ++dispatchDepth_;

    Process* focusProcess = nullptr;
    for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
        if ((*it)->isStealsInputFocus()) {
            focusProcess = *it;
            break;
        }
    }
    setActiveInput(unfocusedInput_.get());

    std::size_t start = 0;
    bool visitNothing = false;
    if (pauseProcess_ != nullptr) {
        auto found = std::find(processes_.begin(), processes_.end(), pauseProcess_);
        if (found == processes_.end()) {
            visitNothing = true;
        } else {
            start = static_cast<std::size_t>(found - processes_.begin());
        }
    }

    bool entityPassDone = false;
    auto entityPass = [&] {
        entityPassDone = true;
        if (!entityManager_ || !visitor.visitsEntities())
            return;
        // Flushes asked for by the entities wait for the pass to end (see EntityManager).
        EntityManager::WalkScope walk(*entityManager_);
        const std::vector<Entity*>& entities = entityManager_->getAllEntities();
        for (std::size_t i = 0; i < entities.size(); ++i) {
            if (entities[i] != nullptr)
                visitor.visitEntity(entities[i]);
        }
    };

    if (!visitNothing) {
        for (std::size_t i = start; i < processes_.size(); ++i) {
            Process* process = processes_[i];
            currentExecutingProcess_ = process;
            if (focusProcess == nullptr || process == focusProcess)
                setActiveInput(input_.get());
            if (activeInput_ == unfocusedInput_.get() && visitor.needsInputFocus())
                continue;
            visitor.visitProcess(process);
            if (!entityPassDone && process->isUpdatesEntities())
                entityPass();
        }
    }
    if (!entityPassDone && !isPaused())
        entityPass();
    visitor.finish();

    --dispatchDepth_;
    if (dispatchDepth_ > 0) {
        setActiveInput(outerInput);
        currentExecutingProcess_ = outerProcess;
    } else {
        setActiveInput(input_.get());
        currentExecutingProcess_ = nullptr;
    }
}

void GameSystem::callPreDrawHooks() {
    for (std::size_t i = 0; i < processes_.size(); ++i) processes_[i]->preDraw();
}

void GameSystem::callPostDrawHooks() {
    for (std::size_t i = 0; i < processes_.size(); ++i) processes_[i]->postDraw();
}
