// The physics world on Box2D: moves the bodies by their steering each tick, steps the world, and
// turns contacts into onEntityCollide (first step of a contact) and onEntityTouch (each later
// step), each with the contact's normal and point. Events are raised only after the step, never
// from inside a Box2D callback.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Engine/Contact.h"
#include "Engine/PhysicsModule.h"

class b2World;
class b2ContactFilter;
class Box2DPhysicsData;

class Box2DPhysicsModule : public PhysicsModule {
  public:
    explicit Box2DPhysicsModule(GameSystem* gameSystem);
    ~Box2DPhysicsModule() override;

    // Body steering for every live entity, the world step, then the contact events.
    void update(float deltaMS) override;
    std::unique_ptr<PhysicsData> createPhysicsData(Entity* entity) override;
    int getEntitiesRoughlyWithin(float minX, float minY, float maxX, float maxY,
                                 std::vector<Entity*>& out) override;

    b2World& getWorld() { return *world_; }
    int getBodyCount() const;

    // Contacts the world keeps at most. Box2D sizes its solver arrays with 32-bit byte counts,
    // which overflow from about 13 million contacts (some 5,000 bodies piled on one spot); pairs
    // beyond the cap simply do not collide until others part.
    static constexpr int kMaxContacts = 1 << 20;

    // Bookkeeping of the bodies made here, so the module can detach the survivors when it goes
    // first (their later destruction then touches no freed world).
    void attach(Box2DPhysicsData* data) { datas_.insert(data); }
    void detach(Box2DPhysicsData* data) { datas_.erase(data); }

  private:
    void moveBodies(float deltaMS);
    void collectContacts();
    void raiseContactEvents();

    std::unique_ptr<b2ContactFilter> contactFilter_;
    std::unique_ptr<b2World> world_;
    std::unordered_set<Box2DPhysicsData*> datas_;
    struct TouchingPair {
        Entity* first;
        Entity* second;
        Contact contact;  // seen from first
    };
    // This step's touching pairs, in contact-list order.
    std::vector<TouchingPair> pairs_;
    // Object-id pairs (smaller id in the high half) touching after the previous step (sorted) and
    // this one.
    std::vector<uint64_t> previousContacts_;  // sorted
    std::vector<uint64_t> currentContacts_;
};
