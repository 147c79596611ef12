// A running game system on null devices with real Box2D physics, and an entity that records the
// events reaching it.
#pragma once

#include <functional>
#include <string>

#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/PhysicsData.h"
#include "EngineHarness.h"

// A plain entity (board rules, alarms) that writes "<name>.<event>" into the trace.
class TracingEntity : public Entity {
  public:
    TracingEntity(GameSystem* gameSystem, EventTrace* trace, std::string name, int type = 0,
                  bool isPlayer = false)
        : Entity(gameSystem, type, isPlayer), trace_(trace), name_(std::move(name)) {}
    ~TracingEntity() override { record("deleted"); }

    void update(float deltaMS) override {
        if (onUpdate)
            onUpdate(*this);
        Entity::update(deltaMS);
    }
    void onEntityCollide(Entity* other) override {
        record("collide");
        if (onCollide)
            onCollide(*this, other);
    }
    void onEntityTouch(Entity*) override { record("touch"); }
    void onEntityCollideWithGameBoard(int sides) override { record("board" + std::to_string(sides)); }
    void record(const std::string& event) {
        if (trace_ != nullptr)
            trace_->push_back(name_ + "." + event);
    }

    std::function<void(TracingEntity&)> onUpdate;
    std::function<void(TracingEntity&, Entity*)> onCollide;

  private:
    EventTrace* trace_;
    std::string name_;
};

class WorldHarness : public EngineHarness {
  public:
    WorldHarness() {
        registerProcess("Main");
        gameSystem.startUp();
        runTicks(1);
        trace.clear();
    }

    EntityManager& entities() { return *gameSystem.getEntityManager(); }
    // A queued entity at [pos] (admitted at the next tick's flush).
    TracingEntity* add(const std::string& name, RealPoint pos, int type = 0, bool isPlayer = false) {
        auto* entity = new TracingEntity(&gameSystem, &trace, name, type, isPlayer);
        entity->getPhysicsData()->setPos(pos);
        entities().addEntity(entity);
        return entity;
    }
    // Number of trace events equal to [event].
    int count(const std::string& event) const {
        int n = 0;
        for (const std::string& e : trace) n += e == event ? 1 : 0;
        return n;
    }
};
