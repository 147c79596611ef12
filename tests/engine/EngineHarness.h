// A game system on null modules and a fake clock, with processes that record what reaches them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Engine/Box2DPhysicsModule.h"
#include "Engine/ColourManager.h"
#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/GameSystem.h"
#include "Engine/Logger.h"
#include "Engine/ParticleManager.h"
#include "Engine/PhysicsModule.h"
#include "Engine/Process.h"
#include "Engine/ProcessFactory.h"
#include "Engine/ProcessIndustry.h"
#include "tests/doubles/NullInputModule.h"
#include "tests/doubles/NullModuleFactory.h"
#include "tests/doubles/NullScriptModule.h"
#include "tests/doubles/NullVideoModule.h"

using EventTrace = std::vector<std::string>;

// A process that writes "<name>.<event>" into a shared trace; behaviour hooks are optional.
class RecordingProcess : public Process {
  public:
    RecordingProcess(const std::string& name, GameSystem* gameSystem, EventTrace* trace)
        : Process(name, gameSystem), trace_(trace) {}
    ~RecordingProcess() override { record("deleted"); }

    bool init() override {
        record("init");
        return initResult;
    }
    void update(float) override {
        record("update");
        if (onUpdate)
            onUpdate(*this);
    }
    void preDraw() override { record("preDraw"); }
    void postDraw() override { record("postDraw"); }
    void onKeyPress(int keyCode) override {
        record("press" + std::to_string(keyCode) +
               (gameSystem_->getInputModule()->isKeyPressed(keyCode) ? "+down" : ""));
    }
    void onKeyRelease(int keyCode) override { record("release" + std::to_string(keyCode)); }
    void onKeyType(int keyCode) override { record("type" + std::to_string(keyCode)); }
    void onEntityCreate(Entity*) override { record("entityCreate"); }
    void onEntityCollide(Entity*, Entity*) override { record("collide"); }
    void onEntityTouch(Entity*, Entity*) override { record("touch"); }
    void onEntityExplode(Entity*) override { record("entityExplode"); }
    void onEntityDelete(Entity*) override { record("entityDelete"); }

    void record(const std::string& event) {
        if (trace_ != nullptr)
            trace_->push_back(getName() + "." + event);
    }

    bool initResult = true;
    std::function<void(RecordingProcess&)> onUpdate;

  private:
    EventTrace* trace_;
};

// An entity that records its updates and collision handlers into the trace.
class RecordingEntity : public Entity {
  public:
    RecordingEntity(GameSystem* gameSystem, EventTrace* trace, std::string name)
        : Entity(gameSystem), trace_(trace), name_(std::move(name)) {}
    void update(float) override { trace_->push_back(name_ + ".update"); }
    void onEntityCollide(Entity*) override { trace_->push_back(name_ + ".collide"); }

  private:
    EventTrace* trace_;
    std::string name_;
};

// A module that counts its updates (and still does its own work).
template <typename Module>
class Counting : public Module {
  public:
    using Module::Module;
    void update(float deltaMS) override {
        ++updates;
        Module::update(deltaMS);
    }
    int updates = 0;
};

// Null devices, with counting managers, Box2D physics and colour manager.
class CountingModuleFactory : public NullModuleFactory {
  public:
    std::unique_ptr<EntityManager> createEntityManager(GameSystem* gs) override {
        auto module = std::make_unique<Counting<EntityManager>>(gs);
        entityManager = module.get();
        return module;
    }
    std::unique_ptr<ParticleManager> createParticleManager(GameSystem* gs) override {
        auto module = std::make_unique<Counting<ParticleManager>>(gs);
        particleManager = module.get();
        return module;
    }
    std::unique_ptr<PhysicsModule> createPhysicsModule(GameSystem* gs) override {
        auto module = std::make_unique<Counting<Box2DPhysicsModule>>(gs);
        physics = module.get();
        return module;
    }
    std::unique_ptr<ColourManager> createColourManager(GameSystem* gs) override {
        auto module = std::make_unique<Counting<ColourManager>>(gs);
        colourManager = module.get();
        return module;
    }

    Counting<EntityManager>* entityManager = nullptr;
    Counting<ParticleManager>* particleManager = nullptr;
    Counting<Box2DPhysicsModule>* physics = nullptr;
    Counting<ColourManager>* colourManager = nullptr;
};

class EngineHarness {
  public:
    EngineHarness() : gameSystem(factory) {}

    // Makes "name" a native process that records into the trace; [setup] runs on each new one.
    void registerProcess(const std::string& name, std::function<void(RecordingProcess&)> setup = nullptr) {
        class Factory final : public ProcessFactory {
          public:
            Factory(EventTrace* trace, std::function<void(RecordingProcess&)> setup)
                : trace_(trace), setup_(std::move(setup)) {}
            Process* create(const std::string& name, GameSystem* gs) override {
                auto* process = new RecordingProcess(name, gs, trace_);
                if (setup_)
                    setup_(*process);
                return process;
            }

          private:
            EventTrace* trace_;
            std::function<void(RecordingProcess&)> setup_;
        };
        gameSystem.getProcessIndustry()->registerFactory(name,
                                                         std::make_unique<Factory>(&trace, std::move(setup)));
    }

    // Advances the fake clock by [ms] and runs one loop iteration.
    void iterate(double ms) {
        factory.getClock().advance(ms);
        gameSystem.runLoopIteration();
    }
    // Runs iterations of 17 ms (a little over one step) until [ticks] more ticks have run.
    void runTicks(unsigned ticks) {
        const unsigned target = gameSystem.getCurrentTick() + ticks;
        while (gameSystem.getCurrentTick() < target) iterate(17.0);
    }

    RecordingProcess* process(const std::string& name) {
        return static_cast<RecordingProcess*>(gameSystem.getProcess(name));
    }
    NullVideoModule& video() { return static_cast<NullVideoModule&>(*gameSystem.getVideoModule()); }
    NullInputModule& input() { return static_cast<NullInputModule&>(*gameSystem.getRealInputModule()); }
    NullScriptModule& script() { return static_cast<NullScriptModule&>(*gameSystem.getScriptModule()); }
    const std::vector<std::string>& logLines() const { return gameSystem.getLogger()->getOutput(); }

    // Events of the trace that start with [prefix], in order.
    EventTrace traceOf(const std::string& prefix) const {
        EventTrace result;
        for (const std::string& e : trace) {
            if (e.rfind(prefix, 0) == 0)
                result.push_back(e);
        }
        return result;
    }

    CountingModuleFactory factory;
    EventTrace trace;
    GameSystem gameSystem;
};
