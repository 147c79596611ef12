// The physics world on Box2D: moves the bodies by their steering each tick, steps the world, and
// turns contacts into onEntityCollide (first step of a contact) and onEntityTouch (each later
// step), each with the contact's normal and point. Events are raised only after the step, never
// from inside a Box2D callback: the world's contact callbacks only keep the list of touching
// contacts up to date, so a step visits the touching contacts rather than every contact the
// broad phase made.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Engine/Contact.h"
#include "Engine/PhysicsModule.h"

class b2World;
class b2Contact;
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
    class ContactFilter;
    class ContactListener;

    void moveBodies(float deltaMS);
    void collectContacts();
    void raiseContactEvents();
    // The world's callbacks (ContactFilter, ContactListener).
    void numberNewContact();
    void contactBegan(b2Contact* contact);
    void contactEnded(b2Contact* contact);

    std::unique_ptr<ContactFilter> contactFilter_;
    std::unique_ptr<ContactListener> contactListener_;
    std::unique_ptr<b2World> world_;
    std::unordered_set<Box2DPhysicsData*> datas_;

    // The world lists its contacts newest first, and the events go out in that order, so every
    // contact gets a creation number: the filter passes a pair, the world makes its contact and puts
    // it at the head of its list, and the next callback (or the end of the step) numbers that head.
    // Nothing in the engine re-filters contacts (no joints, no filter changes on a live fixture),
    // so the filter passing a pair always means a new contact. Entries of destroyed contacts stay
    // until their address is reused.
    std::unordered_map<const b2Contact*, uint64_t> creationNumbers_;
    uint64_t nextCreationNumber_ = 1;
    bool creationPending_ = false;

    struct TouchingContact {
        uint64_t creationNumber;
        b2Contact* contact;
        Entity* first;  // the entities of fixture A's and B's bodies (null for a body without one)
        Entity* second;
        bool began;  // began touching since the previous step's events
    };
    // The touching contacts as of the previous step's events, newest first (the world's order).
    std::vector<TouchingContact> touching_;
    // What the world reported since: contacts that began touching, and contacts that stopped
    // touching or went away (with the object-id pairs of those between two entities: such a pair
    // was touching after the previous step, so if it touches again now it is still a touch).
    std::vector<TouchingContact> began_;
    std::vector<b2Contact*> ended_;
    std::vector<uint64_t> endedPairs_;

    struct TouchingPair {
        Entity* first;
        Entity* second;
        Contact contact;  // seen from first
        bool touch;       // touching after the previous step too
    };
    // This step's touching pairs, in contact-list order.
    std::vector<TouchingPair> pairs_;
};
