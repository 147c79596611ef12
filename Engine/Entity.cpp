#include "Engine/Entity.h"

#include <algorithm>
#include <cmath>

#include "Engine/EntityTypeRegistry.h"
#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
#include "Engine/MathUtil.h"
#include "Engine/PhysicsData.h"
#include "Engine/PhysicsModule.h"
#include "Engine/ShapeType.h"
#include "Engine/VideoModule.h"

namespace {

// The default circle is a fan of this many segments: round enough at debug sizes.
constexpr int kCircleSegments = 20;

// The rim of the unit circle, first point repeated last. A crowd of default circles would
// otherwise spend a good part of its drawing time on sines and cosines; the table holds the
// same floats the per-vertex calls returned, so the vertices are the same too.
struct UnitCircle {
    float cos[kCircleSegments + 1];
    float sin[kCircleSegments + 1];
    UnitCircle() {
        for (int i = 0; i <= kCircleSegments; ++i) {
            const float t = static_cast<float>(i) * MathUtil::TWOPI / kCircleSegments;
            cos[i] = std::cos(t);
            sin[i] = std::sin(t);
        }
    }
};

const UnitCircle& unitCircle() {
    static const UnitCircle circle;
    return circle;
}

std::unique_ptr<PhysicsData> makeBody(GameSystem* gameSystem, Entity* entity) {
    PhysicsModule* physics = gameSystem != nullptr ? gameSystem->getPhysicsModule() : nullptr;
    std::unique_ptr<PhysicsData> body = physics != nullptr ? physics->createPhysicsData(entity) : nullptr;
    return body != nullptr ? std::move(body) : std::make_unique<PhysicsData>();
}

// Entities made without a game system test themselves against a board with the defaults.
const GameBoard& defaultBoard() {
    static const GameBoard board;
    return board;
}

}  // namespace

uint32_t Entity::nextObjectID_ = 0;

Entity::Entity(GameSystem* gameSystem, int type, bool isPlayer)
    : GameObject(gameSystem), objectID_(nextObjectID_++), type_(type), player_(isPlayer) {
    // The manager recognises entities among deleted engine objects by this name.
    addTypeName("Entity");
    physicsData_ = makeBody(gameSystem, this);
}

// The body goes first: it must leave the world while its user data (this entity) is intact.
Entity::~Entity() {
    physicsData_.reset();
}

void Entity::update(float deltaMS) {
    timeAlive_ += deltaMS;
    if (exploding_)
        msSinceExplosion_ += deltaMS;
    applyGameBoardRules();
    // Alarms first: an onAlarm sees the oscillators as the previous tick left them.
    updateAlarms(deltaMS);
    updateLFOs(deltaMS);
}

void Entity::applyGameBoardRules() {
    const GameBoard* board = gameSystem_ != nullptr ? gameSystem_->getGameBoard() : nullptr;
    if (board == nullptr)
        board = &defaultBoard();
    PhysicsData& body = *physicsData_;
    RealPoint p = body.getPos();
    const float hw = body.getWidth() / 2.0f;
    const float hh = body.getHeight() / 2.0f;
    const RealPoint& min = board->getMinPos();
    const RealPoint& max = board->getMaxPos();
    inGameBoard_ = true;
    int sides = 0;

    if (p.x + hw <= max.x) {
        if (p.x - hw < min.x) {
            if (p.x + hw < min.x)
                inGameBoard_ = false;
            p.x = min.x + hw;
            sides |= GAMEBOARD_LEFT;
        }
    } else {
        if (p.x - hw > max.x)
            inGameBoard_ = false;
        p.x = max.x - hw;
        sides |= GAMEBOARD_RIGHT;
    }
    if (p.y + hh <= max.y) {
        if (p.y - hh < min.y) {
            if (p.y + hh < min.y)
                inGameBoard_ = false;
            p.y = min.y + hh;
            sides |= GAMEBOARD_BOTTOM;
        }
    } else {
        if (p.y - hh > max.y)
            inGameBoard_ = false;
        p.y = max.y - hh;
        sides |= GAMEBOARD_TOP;
    }

    if (sides != 0) {
        if (boundedToGameBoard_)
            body.setPos(p);
        if (gameSystem_ != nullptr) {
            gameSystem_->onEntityCollideWithGameBoard(this, sides);
        } else {
            onEntityCollideWithGameBoard(sides);
        }
    }

    if (inGameBoard_)
        hasBeenInGameBoard_ = true;
    if (hasBeenInGameBoard_ && !inGameBoard_) {
        hasTraversedGameBoard_ = true;
        if (autoRemove_)
            tagForDeletion();
    }
}

void Entity::draw() {
    if (video_ == nullptr)
        return;
    const PhysicsData& body = *physicsData_;
    const RealPoint pos = body.getPos();
    const RealPoint dir = body.getDir();
    video_->pushMatrix();
    video_->translate(pos.x, pos.y, 0.0f);
    // Shapes are drawn pointing up the y axis, so the body's heading is measured from there.
    video_->rotateZ(std::atan2(dir.y, dir.x) - MathUtil::PIBYTWO);
    video_->setColour(testColour_[0], testColour_[1], testColour_[2], testColour_[3]);
    if (body.isCircle()) {
        const float r = body.getRadius();
        const UnitCircle& rim = unitCircle();
        video_->beginShape(SHAPETYPE_TRIANGLEFAN);
        video_->plotVertex(0.0f, 0.0f, 0.0f);
        for (int i = 0; i <= kCircleSegments; ++i) video_->plotVertex(r * rim.cos[i], r * rim.sin[i], 0.0f);
    } else {
        const float hw = body.getWidth() / 2.0f;
        const float hh = body.getHeight() / 2.0f;
        video_->beginShape(SHAPETYPE_QUADS);
        video_->plotVertex(-hw, -hh, 0.0f);
        video_->plotVertex(hw, -hh, 0.0f);
        video_->plotVertex(hw, hh, 0.0f);
        video_->plotVertex(-hw, hh, 0.0f);
    }
    video_->endShape();
    video_->popMatrix();
}

// ---- Hit points and explosion ---------------------------------------------------------------

void Entity::setHP(float hp) {
    if (isInvulnerable() && hp < hp_)
        return;
    hp_ = hp;
    if (!exploding_ && hp_ <= 0.0f)
        explode();
}

void Entity::addHP(float delta) {
    setHP(hp_ + delta);
    if (maxHP_ < hp_)
        hp_ = maxHP_;
}

void Entity::setAllHP(float hp) {
    maxHP_ = hp;
    setHP(hp);
}

void Entity::ensureSaneHPLevels() {
    if (maxHP_ < hp_)
        setHP(maxHP_);
}

float Entity::getHPPercentage() const {
    if (maxHP_ <= 0.0f)
        return 0.0f;
    return std::clamp(hp_ / maxHP_, 0.0f, 1.0f);
}

void Entity::explode() {
    if (exploding_)
        return;
    exploding_ = true;
    hp_ = -1.0f;
    autoRemove_ = false;
    if (gameSystem_ != nullptr)
        gameSystem_->onEntityExplode(this);
}

float Entity::getPercentageExploded() const {
    if (maxExplosionTime_ <= 0.0f)
        return exploding_ ? 1.0f : 0.0f;
    return msSinceExplosion_ / maxExplosionTime_;
}

float Entity::getPercentageBorn() const {
    if (birthTime_ == 0.0f)
        return 1.0f;
    return std::clamp(timeAlive_ / birthTime_, 0.0f, 1.0f);
}

// ---- Identity -----------------------------------------------------------------------------------

bool Entity::isType(const std::string& typeName) const {
    return type_ == EntityTypeRegistry::getProcessRegistry().getEntityTypeID(typeName);
}

void Entity::setTestColour(float r, float g, float b, float a) {
    testColour_[0] = r;
    testColour_[1] = g;
    testColour_[2] = b;
    testColour_[3] = a;
}
