// The one central object: owns every module, the process list and the fixed-step main loop.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Engine/Contact.h"
#include "Engine/EventListener.h"
#include "Engine/LinkedObject.h"
#include "Engine/RandomGenerator.h"
#include "Engine/RealPoint.h"
#include "Engine/SaveData.h"
#include "Engine/SequencerClock.h"

class AIHelper;
class AudioModule;
class ColourManager;
class EngineModule;
class Entity;
class EntityIndustry;
class EntityManager;
class GameBoard;
class InputModule;
class Logger;
class ModuleFactory;
class ParticleIndustry;
class ParticleManager;
class PhysicsModule;
class Process;
class ProcessCommand;
class ProcessIndustry;
class ProcessVisitor;
class ScriptModule;
class Sequencer;
class SimulationTimer;
class TickProfiler;
class VideoModule;

// Fixed update step: 60 ticks a second.
inline constexpr float UPDATE_INTERVAL_MS = 1000.0f / 60.0f;
// At most three steps of debt; a slow frame drops time rather than snowballing into the next.
inline constexpr float MAX_ACCUMULATED_MS = 3.0f * UPDATE_INTERVAL_MS;
// The sequencer's own clock: 120 beats a second, independent of the update rate.
inline constexpr float SEQUENCER_STEP_MS = 1000.0f / 120.0f;

class GameSystem : public LinkedObject, public EventListener {
  public:
    // Creates every module through [factory], which must outlive the game system.
    explicit GameSystem(ModuleFactory& factory);
    ~GameSystem() override;

    // Start-up, the main loop until quit, shutdown.
    void run();
    // The three stages of run, public so tests can drive the loop one iteration at a time.
    void startUp();
    void runLoopIteration();
    void shutDown();

    void quit() { quit_ = true; }
    bool isQuitting() const { return quit_; }
    float getUpdateInterval() const { return UPDATE_INTERVAL_MS; }
    uint32_t getCurrentTick() const { return tick_; }
    void resetSimulationTimer();
    bool isPaused() const { return pauseProcess_ != nullptr; }
    void setShouldPauseOnTaskSwitch(bool shouldPause) { pauseOnTaskSwitch_ = shouldPause; }
    bool isShouldPauseOnTaskSwitch() const { return pauseOnTaskSwitch_; }
    // The window lost focus.
    void onTaskSwitch();
    void setDebugKeysEnabled(bool enabled) { debugKeysEnabled_ = enabled; }
    bool isDebugKeysEnabled() const { return debugKeysEnabled_; }
    void setSystemPaused(bool paused) { isSystemPaused_ = paused; }
    bool isSystemPaused() const { return isSystemPaused_; }
    void setSleepEnabled(bool enabled) { sleepEnabled_ = enabled; }
    // Times the phases of every tick into [profiler] (null: no timing).
    void setTickProfiler(TickProfiler* profiler) { profiler_ = profiler; }
    bool isSleepEnabled() const { return sleepEnabled_; }
    const std::string& getMainProcessName() const { return mainProcessName_; }
    // The first process list; "Main" unless the program entry names another before run.
    void setMainProcessName(const std::string& name) { mainProcessName_ = name; }

    void openConsole();
    // Asks the console to close itself ("onCloseConsole"); terminates it when it does not.
    void closeConsole();
    bool isConsoleOpen() const;

    void log(const std::string& text);
    // A problem the game maker must see: a script error, or a file the game asked for that failed
    // to load. [text] goes to standard error (the caller logs it as before) and is counted: a
    // headless run with any exits 1.
    void reportError(const std::string& text);
    // Counts an error whose report the caller already wrote to standard error.
    void countReportedError() { ++reportedErrors_; }
    int getReportedErrorCount() const { return reportedErrors_; }

    // The name of the game's folder in the player's data folder: the one set, else the name of the
    // game folder (the working directory). False (nothing changed) for an invalid name. The colour
    // table's data folder follows it (the table already loaded stays).
    bool setGameName(const std::string& name);
    std::string getGameName() const;
    // The player's data folder of this game (getPlayerDataFolder); nothing when there is none.
    std::optional<std::string> getDataFolder() const;
    // Saves [data] as [name] (a valid save name) in the data folder, atomically. False, with one log
    // line, when it cannot be written.
    bool saveData(const std::string& name, const SaveValue& data);
    // The data saved as [name]; nothing when there is none, and also (with one log line) when the
    // file is damaged, truncated, too large or from another format version.
    std::optional<SaveValue> loadData(const std::string& name);

    // The game system's own random generator, independent of the process-wide one.
    RandomGenerator& getRandomGenerator() { return random_; }
    float getRandomReal() { return random_.getRandomReal(); }
    float getRandomReal(float low, float high) { return random_.getRandomReal(low, high); }
    int32_t getRandomInteger(int32_t low, int32_t high) { return random_.getRandomInteger(low, high); }
    bool getRandomBoolean() { return random_.getRandomBoolean(); }
    RealPoint getRandomDir() { return random_.getRandomDir(); }

    // Event fan-out: every module, then the processes and entities through the dispatch.
    void onEntityDelete(Entity* entity) override;
    void onEntityCreate(Entity* entity) override;
    void onEntityExplode(Entity* entity) override;
    void onKeyPress(int keyCode) override;
    void onKeyRelease(int keyCode) override;
    void onKeyType(int character) override;
    // [contact] is seen from [a] (its normal points from a toward b); getContact gives it to the
    // listeners while they run, reversed for b's own handler.
    void onEntityCollide(Entity* a, Entity* b, const Contact& contact = {});
    void onEntityTouch(Entity* a, Entity* b, const Contact& contact = {});
    // The contact of the collide or touch event being dispatched, as the listener running now
    // sees it; (0, 0) normal and point outside such a dispatch.
    const Contact& getContact() const { return contact_; }
    void onEntityCollideWithGameBoard(Entity* entity, int sideFlags);

    // Process list. Changes are queued and take effect at the start of the next tick.
    void startNewProcessList(const std::string& name);
    void runProcess(const std::string& name);
    void terminateProcess(const std::string& name);
    void terminateProcess(Process* process);
    // Makes the process whose callback is running the pause process (or ends the pause).
    void setAsPauseProcess(bool isPauseProcess);
    bool isProcessRunning(const std::string& name) const;
    Process* getProcess(const std::string& name) const;
    // Deletes every process at once.
    void killAllProcesses();
    const std::vector<Process*>& getProcessList() const { return processes_; }
    Process* getPauseProcess() const { return pauseProcess_; }
    Process* getCurrentExecutingProcess() const { return currentExecutingProcess_; }

    // Walks the processes (and, once, the entities) with the pause and input-focus rules.
    void forEachProcess(ProcessVisitor& visitor);
    // The video module's draw hooks: every process in list order, whatever its state.
    void callPreDrawHooks();
    void callPostDrawHooks();

    // Queued command execution (called by ProcessCommand).
    void executeStartNewList(const std::string& name);
    void executeRun(const std::string& name);
    void executeTerminate(const std::string& name);
    void executeSetPause(const std::string& name);
    void executeClearPause();

    Logger* getLogger() const { return logger_.get(); }
    GameBoard* getGameBoard() const { return gameBoard_.get(); }
    Sequencer* getMainSequencer() const { return mainSequencer_.get(); }
    // Steps every sequencer of this game system on the sequencer beat.
    SequencerClock& getSequencerClock() { return sequencerClock_; }
    VideoModule* getVideoModule() const { return video_.get(); }
    // The input module processes see right now (the unfocused one while they lack focus).
    InputModule* getInputModule() const { return activeInput_; }
    InputModule* getRealInputModule() const { return input_.get(); }
    InputModule* getUnfocusedInputModule() const { return unfocusedInput_.get(); }
    AudioModule* getAudioModule() const { return audio_.get(); }
    EntityManager* getEntityManager() const { return entityManager_.get(); }
    ParticleManager* getParticleManager() const { return particleManager_.get(); }
    PhysicsModule* getPhysicsModule() const { return physics_.get(); }
    ColourManager* getColourManager() const { return colourManager_.get(); }
    ProcessIndustry* getProcessIndustry() const { return processIndustry_.get(); }
    EntityIndustry* getEntityIndustry() const { return entityIndustry_.get(); }
    ParticleIndustry* getParticleIndustry() const { return particleIndustry_.get(); }
    AIHelper* getAIHelper() const { return aiHelper_.get(); }
    ScriptModule* getScriptModule() const { return scriptModule_.get(); }
    const std::vector<EngineModule*>& getModuleList() const { return modules_; }

  private:
    void runTick(float deltaMS);
    void executeProcessCommands();
    void queueCommand(int kind, const std::string& name);
    void handleDebugKey(int keyCode);
    void systemReset();
    void setActiveInput(InputModule* input);
    bool isAltF4Down() const;

    // First member: seeded from the tick count before anything else is built.
    RandomGenerator random_;
    ModuleFactory& factory_;
    std::vector<std::unique_ptr<ProcessCommand>> commands_;
    Process* pauseProcess_ = nullptr;
    bool pauseOnTaskSwitch_ = false;
    Process* currentExecutingProcess_ = nullptr;
    bool quit_ = false;
    int reportedErrors_ = 0;
    bool isSystemPaused_ = false;
    bool sleepEnabled_ = true;
    TickProfiler* profiler_ = nullptr;
    std::unique_ptr<SimulationTimer> timer_;
    float accumulatorMS_ = 0.0f;
    float sequencerAccumulatorMS_ = 0.0f;
    // Game time (ms since start-up) of the last tick and of the last sequencer clock tick, as they
    // ideally came: a tick's interval after the one before (plus the time a lagging loop drops).
    double tickTimeMS_ = 0.0;
    double sequencerTimeMS_ = 0.0;
    std::string mainProcessName_ = "Main";
    std::string gameName_;  // empty: the working directory's name
    bool debugKeysEnabled_ = false;
    uint32_t tick_ = 0;
    std::vector<Process*> processes_;
    int dispatchDepth_ = 0;
    Contact contact_;
    bool started_ = false;
    bool shutDown_ = false;

    std::unique_ptr<Logger> logger_;
    std::unique_ptr<GameBoard> gameBoard_;
    SequencerClock sequencerClock_;
    std::unique_ptr<Sequencer> mainSequencer_;
    std::unique_ptr<VideoModule> video_;
    std::unique_ptr<InputModule> input_;
    std::unique_ptr<InputModule> unfocusedInput_;
    InputModule* activeInput_ = nullptr;
    std::unique_ptr<AudioModule> audio_;
    std::unique_ptr<EntityManager> entityManager_;
    std::unique_ptr<ParticleManager> particleManager_;
    std::unique_ptr<PhysicsModule> physics_;
    std::unique_ptr<ColourManager> colourManager_;
    std::unique_ptr<ProcessIndustry> processIndustry_;
    std::unique_ptr<EntityIndustry> entityIndustry_;
    std::unique_ptr<ParticleIndustry> particleIndustry_;
    std::unique_ptr<AIHelper> aiHelper_;
    std::unique_ptr<ScriptModule> scriptModule_;
    std::vector<EngineModule*> modules_;
};
