#include "DemoEntity.h"

#include <cmath>

#include "Engine/AIHelper.h"
#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
#include "Engine/MathUtil.h"
#include "Engine/PhysicsData.h"

DemoEntity::DemoEntity(GameSystem* gameSystem, const Definition& d) : Entity(gameSystem, 0, d.player) {
    PhysicsData& body = *getPhysicsData();
    if (d.radius > 0.0f) {
        body.setAsCircle(d.radius);
    } else {
        body.setAsRect(2.0f * d.halfWidth, 2.0f * d.halfHeight);
    }
    body.setPos(d.pos);
    if (!d.velocity.isZeroVector())
        body.setDir(d.velocity.getNormalized());
    body.setVel(d.velocity);
    setTestColour(d.red, d.green, d.blue);
    wanderRadians_ = std::atan2(d.velocity.y, d.velocity.x);
}

RealPoint DemoEntity::getPos() const {
    return getPhysicsData()->getPos();
}

void DemoEntity::steerToward(const RealPoint& direction) {
    if (direction.isZeroVector() || gameSystem_ == nullptr)
        return;
    gameSystem_->getAIHelper()->face(direction.getNormalized(), this);
    getPhysicsData()->thrust();
}

void DemoEntity::update(float deltaMS) {
    Entity::update(deltaMS);
    if (isPlayer() || gameSystem_ == nullptr)
        return;
    // A slowly drifting wish direction gives curved paths rather than straight lines.
    wanderRadians_ += gameSystem_->getRandomReal(-0.08f, 0.08f);
    steerToward(RealPoint(std::cos(wanderRadians_), std::sin(wanderRadians_)));
}

void DemoEntity::onEntityCollideWithGameBoard(int sides) {
    RealPoint wish(std::cos(wanderRadians_), std::sin(wanderRadians_));
    if ((sides & GAMEBOARD_LEFT) != 0)
        wish.x = std::fabs(wish.x);
    if ((sides & GAMEBOARD_RIGHT) != 0)
        wish.x = -std::fabs(wish.x);
    if ((sides & GAMEBOARD_BOTTOM) != 0)
        wish.y = std::fabs(wish.y);
    if ((sides & GAMEBOARD_TOP) != 0)
        wish.y = -std::fabs(wish.y);
    wanderRadians_ = std::atan2(wish.y, wish.x);
}
