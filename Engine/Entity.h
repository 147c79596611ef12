// A thing that lives in the play area, owned by the entity manager: a physics body, hit points,
// an explosion phase that ends in its removal, a type, and where it stands against the game
// board. Script-backed entities derive from it and forward the virtual operations to scripts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Engine/GameObject.h"

class PhysicsData;

class Entity : public GameObject {
  public:
    // The body comes from the game system's physics module (a body that never moves without one).
    explicit Entity(GameSystem* gameSystem, int type = 0, bool isPlayer = false);
    ~Entity() override;

    // Per tick: time, the game-board rules, then the LFOs and alarms. Bodies move in the
    // physics step, not here.
    virtual void update(float deltaMS);
    // The default debug shape: the body's circle or box in the test colour.
    virtual void draw();
    // The second, translucent draw pass.
    virtual void drawAlpha() {}
    virtual bool isInvulnerable() const { return invulnerable_; }
    virtual void setHP(float hp);
    virtual bool isDead() const { return exploding_ && getTimeTillDoneExploding() <= 0.0f; }
    virtual void tagForDeletion() { taggedForDeletion_ = true; }
    virtual void explode();
    virtual void onEntityCollide(Entity* /*other*/) {}
    virtual void onEntityTouch(Entity* /*other*/) {}
    virtual void onEntityCollideWithGameBoard(int /*sides*/) {}
    // False only when onEntityTouch is known to do nothing now, so a touch nobody hears need not
    // be dispatched (a crowd touches every step and seldom listens).
    virtual bool hearsEntityTouch() const { return true; }

    // ---- Hit points ----
    float getHP() const { return hp_; }
    float getMaxHP() const { return maxHP_; }
    // Stores only; the current HP is not touched.
    void setMaxHP(float maxHP) { maxHP_ = maxHP; }
    void addHP(float delta);
    void setAllHP(float hp);
    void ensureSaneHPLevels();
    // HP / max HP in [0, 1]; 0 when the max HP is not positive.
    float getHPPercentage() const;

    // ---- Explosion ----
    bool isExploding() const { return exploding_; }
    float getMSSinceExplosion() const { return msSinceExplosion_; }
    float getMaxExplosionTime() const { return maxExplosionTime_; }
    void setMaxExplosionTime(float ms) { maxExplosionTime_ = ms; }
    float getTimeTillDoneExploding() const { return maxExplosionTime_ - msSinceExplosion_; }
    // Not clamped. With no explosion time (max <= 0): 1 while exploding, else 0.
    float getPercentageExploded() const;

    // ---- Birth ----
    float getTimeAlive() const { return timeAlive_; }
    float getBirthTime() const { return birthTime_; }
    bool isBeingBorn() const { return timeAlive_ < birthTime_; }
    // 1 when there is no birth phase, else the share of it lived, in [0, 1].
    float getPercentageBorn() const;

    // ---- Game board ----
    bool isBoundedToGameBoard() const { return boundedToGameBoard_; }
    void setIsBoundedToGameBoard(bool bounded) { boundedToGameBoard_ = bounded; }
    bool isInGameBoard() const { return inGameBoard_; }
    bool hasTraversedGameBoard() const { return hasTraversedGameBoard_; }

    // ---- Identity and flags ----
    uint32_t getObjectID() const { return objectID_; }
    int getType() const { return type_; }
    bool isPlayer() const { return player_; }
    bool isType(int typeID) const { return type_ == typeID; }
    // Compares with the id of [typeName], registering the name when new.
    bool isType(const std::string& typeName) const;
    bool isSameType(const Entity& other) const { return type_ == other.type_; }
    bool isInvisible() const { return invisible_; }
    void setIsInvisible(bool invisible) { invisible_ = invisible; }
    bool isAutoRemove() const { return autoRemove_; }
    void setIsAutoRemove(bool autoRemove) { autoRemove_ = autoRemove; }
    bool isTaggedForDeletion() const { return taggedForDeletion_; }
    void setTestColour(float r, float g, float b, float a = 1.0f);

    // Never null.
    PhysicsData* getPhysicsData() const { return physicsData_.get(); }

  private:
    // The board rules of update: sides touched, correction when bounded, traversal.
    void applyGameBoardRules();

    // Rises by one per entity constructed; ids are never reused.
    static uint32_t nextObjectID_;

    uint32_t objectID_;
    bool autoRemove_ = true;
    bool invisible_ = false;
    bool taggedForDeletion_ = false;
    float testColour_[4] = {0.6f, 0.6f, 0.6f, 1.0f};
    int type_;
    bool player_;
    bool hasBeenInGameBoard_ = false;
    float hp_ = 1.0f;
    float maxHP_ = 1.0f;
    float timeAlive_ = 0.0f;  // ms
    float birthTime_ = 0.0f;  // ms
    bool invulnerable_ = false;
    bool hasTraversedGameBoard_ = false;
    bool inGameBoard_ = false;
    bool exploding_ = false;
    float msSinceExplosion_ = 0.0f;
    float maxExplosionTime_ = 0.0f;
    bool boundedToGameBoard_ = true;
    std::unique_ptr<PhysicsData> physicsData_;
};
