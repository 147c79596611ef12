#include "Engine/Box2DPhysicsModule.h"

#include <algorithm>
#include <cmath>

#include <box2d/box2d.h>

#include "Engine/Box2DPhysicsData.h"
#include "Engine/Box2DUnits.h"
#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/GameSystem.h"

namespace {

// Box2D's recommended solver effort: enough velocity iterations for stacked contacts to settle,
// and the default position iterations for overlap removal.
constexpr int kVelocityIterations = 8;
constexpr int kPositionIterations = 3;

uint64_t pairKey(uint32_t a, uint32_t b) {
    if (a > b)
        std::swap(a, b);
    return (static_cast<uint64_t>(a) << 32) | b;
}

Entity* entityOf(b2Body* body) {
    return reinterpret_cast<Entity*>(body->GetUserData().pointer);
}

// The normal (from A's body toward B's) and the middle of the touching points, in engine units.
// A sensor's contact has no manifold: its normal runs along the centres and its point lies
// midway between them.
Contact contactOf(b2Contact& contact) {
    b2WorldManifold manifold;
    contact.GetWorldManifold(&manifold);
    const int count = contact.GetManifold()->pointCount;
    Contact result;
    if (count > 0) {
        b2Vec2 point(0.0f, 0.0f);
        for (int i = 0; i < count; ++i) point += manifold.points[i];
        point *= 1.0f / static_cast<float>(count);
        result.normal = {manifold.normal.x, manifold.normal.y};
        result.point = {point.x * Box2DUnits::kLengthFromWorld, point.y * Box2DUnits::kLengthFromWorld};
    } else {
        const b2Vec2 a = contact.GetFixtureA()->GetBody()->GetPosition();
        const b2Vec2 b = contact.GetFixtureB()->GetBody()->GetPosition();
        result.normal = RealPoint{b.x - a.x, b.y - a.y}.getNormalized();
        result.point = {(a.x + b.x) * 0.5f * Box2DUnits::kLengthFromWorld,
                        (a.y + b.y) * 0.5f * Box2DUnits::kLengthFromWorld};
    }
    return result;
}

// Collects the entities of the fixtures a box query finds, up to the query cap.
class QueryCollector final : public b2QueryCallback {
  public:
    explicit QueryCollector(std::vector<Entity*>& out) : out_(out) {}
    bool ReportFixture(b2Fixture* fixture) override {
        ++found_;
        if (Entity* entity = entityOf(fixture->GetBody()))
            out_.push_back(entity);
        return found_ < PhysicsModule::kMaxQueryBodies;
    }
    int getFound() const { return found_; }

  private:
    std::vector<Entity*>& out_;
    int found_ = 0;
};

}  // namespace

// The default category filter, with no new contacts once the world holds kMaxContacts. A pair
// it passes becomes the world's newest contact.
class Box2DPhysicsModule::ContactFilter final : public b2ContactFilter {
  public:
    explicit ContactFilter(Box2DPhysicsModule& module) : module_(module) {}
    bool ShouldCollide(b2Fixture* a, b2Fixture* b) override {
        module_.numberNewContact();
        if (module_.world_->GetContactCount() >= Box2DPhysicsModule::kMaxContacts ||
            !b2ContactFilter::ShouldCollide(a, b))
            return false;
        module_.creationPending_ = true;
        return true;
    }

  private:
    Box2DPhysicsModule& module_;
};

class Box2DPhysicsModule::ContactListener final : public b2ContactListener {
  public:
    explicit ContactListener(Box2DPhysicsModule& module) : module_(module) {}
    void BeginContact(b2Contact* contact) override { module_.contactBegan(contact); }
    void EndContact(b2Contact* contact) override { module_.contactEnded(contact); }

  private:
    Box2DPhysicsModule& module_;
};

Box2DPhysicsModule::Box2DPhysicsModule(GameSystem* gameSystem)
    : PhysicsModule(gameSystem),
      contactFilter_(std::make_unique<ContactFilter>(*this)),
      contactListener_(std::make_unique<ContactListener>(*this)),
      world_(std::make_unique<b2World>(b2Vec2(0.0f, 0.0f))) {
    addTypeName("Box2DPhysicsModule");
    world_->SetContactFilter(contactFilter_.get());
    world_->SetContactListener(contactListener_.get());
    world_->SetAllowSleeping(true);
    // Bodies move at most about 12 units a tick (0.7 units/ms) and the board's edges are enforced
    // by the entities themselves, not by thin static bodies, so the sub-step impact search of
    // continuous collision buys nothing here while costing an eighth of the step.
    world_->SetContinuousPhysics(false);
}

Box2DPhysicsModule::~Box2DPhysicsModule() {
    // Bodies still alive here belong to entities that outlive the module; their bodies go with
    // the world.
    for (Box2DPhysicsData* data : datas_) data->forgetModule();
    datas_.clear();
    world_->SetContactListener(nullptr);
    world_->SetContactFilter(nullptr);
}

int Box2DPhysicsModule::getBodyCount() const {
    return world_->GetBodyCount();
}

std::unique_ptr<PhysicsData> Box2DPhysicsModule::createPhysicsData(Entity* entity) {
    return std::make_unique<Box2DPhysicsData>(entity, this);
}

void Box2DPhysicsModule::update(float deltaMS) {
    moveBodies(deltaMS);
    if (std::isfinite(deltaMS) && deltaMS > 0.0f) {
        world_->Step(deltaMS * Box2DUnits::kSecondsPerMS, kVelocityIterations, kPositionIterations);
    }
    collectContacts();
    raiseContactEvents();
}

void Box2DPhysicsModule::moveBodies(float deltaMS) {
    EntityManager* manager = gameSystem_ != nullptr ? gameSystem_->getEntityManager() : nullptr;
    if (manager == nullptr)
        return;
    EntityManager::WalkScope walk(*manager);
    for (Entity* entity : manager->getAllEntities()) {
        if (entity != nullptr)
            entity->getPhysicsData()->update(deltaMS);
    }
}

void Box2DPhysicsModule::numberNewContact() {
    if (!creationPending_)
        return;
    creationPending_ = false;
    creationNumbers_[world_->GetContactList()] = nextCreationNumber_++;
}

void Box2DPhysicsModule::contactBegan(b2Contact* contact) {
    numberNewContact();
    const auto found = creationNumbers_.find(contact);
    const uint64_t number = found != creationNumbers_.end() ? found->second : nextCreationNumber_++;
    began_.push_back({number, contact, entityOf(contact->GetFixtureA()->GetBody()),
                      entityOf(contact->GetFixtureB()->GetBody()), true});
}

// Called while the contact and both bodies still exist (a body is destroyed with its entity
// intact, see Box2DPhysicsData).
void Box2DPhysicsModule::contactEnded(b2Contact* contact) {
    numberNewContact();
    // A contact that began since the last events and ends before them is simply forgotten (the
    // world does not do this within a step, but a body can be destroyed at any time).
    for (std::size_t i = 0; i < began_.size(); ++i) {
        if (began_[i].contact == contact) {
            began_.erase(began_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
    ended_.push_back(contact);
    const Entity* first = entityOf(contact->GetFixtureA()->GetBody());
    const Entity* second = entityOf(contact->GetFixtureB()->GetBody());
    if (first != nullptr && second != nullptr)
        endedPairs_.push_back(pairKey(first->getObjectID(), second->getObjectID()));
}

void Box2DPhysicsModule::collectContacts() {
    numberNewContact();
    // The ended contacts leave first: a new contact may have taken an ended one's address.
    if (!ended_.empty()) {
        std::sort(ended_.begin(), ended_.end());
        touching_.erase(std::remove_if(touching_.begin(), touching_.end(),
                                       [this](const TouchingContact& t) {
                                           return std::binary_search(ended_.begin(), ended_.end(), t.contact);
                                       }),
                        touching_.end());
        ended_.clear();
    }
    if (!began_.empty()) {
        const auto newestFirst = [](const TouchingContact& a, const TouchingContact& b) {
            return a.creationNumber > b.creationNumber;
        };
        std::sort(began_.begin(), began_.end(), newestFirst);
        const std::size_t old = touching_.size();
        touching_.insert(touching_.end(), began_.begin(), began_.end());
        std::inplace_merge(touching_.begin(), touching_.begin() + static_cast<std::ptrdiff_t>(old),
                           touching_.end(), newestFirst);
        began_.clear();
    }
    std::sort(endedPairs_.begin(), endedPairs_.end());
    pairs_.clear();
    for (TouchingContact& t : touching_) {
        if (t.first != nullptr && t.second != nullptr) {
            const bool touch =
                !t.began || std::binary_search(endedPairs_.begin(), endedPairs_.end(),
                                               pairKey(t.first->getObjectID(), t.second->getObjectID()));
            pairs_.push_back({t.first, t.second, contactOf(*t.contact), touch});
        }
        t.began = false;
    }
    endedPairs_.clear();
}

void Box2DPhysicsModule::raiseContactEvents() {
    if (gameSystem_ == nullptr || pairs_.empty())
        return;

    // Handlers may ask for a flush; the walk scope defers it so no entity of a pair is freed
    // before its events are out. Bodies they destroy only queue ended contacts for the next step.
    std::vector<TouchingPair> pairs;
    pairs.swap(pairs_);
    EntityManager* manager = gameSystem_->getEntityManager();
    if (manager != nullptr)
        manager->beginWalk();
    for (const auto& [first, second, contact, touch] : pairs) {
        if (touch) {
            gameSystem_->onEntityTouch(first, second, contact);
        } else {
            gameSystem_->onEntityCollide(first, second, contact);
        }
    }
    if (manager != nullptr)
        manager->endWalk();
    pairs.swap(pairs_);
}

int Box2DPhysicsModule::getEntitiesRoughlyWithin(float minX, float minY, float maxX, float maxY,
                                                 std::vector<Entity*>& out) {
    if (!std::isfinite(minX) || !std::isfinite(minY) || !std::isfinite(maxX) || !std::isfinite(maxY))
        return 0;
    b2AABB box;
    box.lowerBound.Set(minX * Box2DUnits::kLengthToWorld, minY * Box2DUnits::kLengthToWorld);
    box.upperBound.Set(maxX * Box2DUnits::kLengthToWorld, maxY * Box2DUnits::kLengthToWorld);
    QueryCollector collector(out);
    world_->QueryAABB(&collector, box);
    return collector.getFound();
}

// ---- Box2D's step timers ---------------------------------------------------------------------
//
// Box2D times every step and every island it solves for its profile, which the engine never reads:
// a crowd of separate bodies is a crowd of islands, and those clock readings were about a tenth of
// the tick with 1,000 bodies. The library calls its timer through the dynamic linker, so these
// definitions, linked with the module, stand in for the library's own: the profile reads zero.
b2Timer::b2Timer() {
    Reset();
}

void b2Timer::Reset() {
    m_start_sec = 0;
    m_start_usec = 0;
}

float b2Timer::GetMilliseconds() const {
    return 0.0f;
}
