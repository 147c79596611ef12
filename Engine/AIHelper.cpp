#include "Engine/AIHelper.h"

#include <algorithm>
#include <cmath>

#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/EntityTypeRegistry.h"
#include "Engine/GameSystem.h"
#include "Engine/MathUtil.h"
#include "Engine/PhysicsData.h"

namespace {

// Turns are planned one tick ahead.
constexpr float kTickMS = UPDATE_INTERVAL_MS;
// Larger than any distance on a board, so the first candidate always wins.
constexpr float kFarAway = 9999999.0f;

}  // namespace

float AIHelper::getAngleDifference(const RealPoint& from, const RealPoint& to) {
    float d = std::atan2(to.y, to.x) - std::atan2(from.y, from.x);
    if (d > MathUtil::PI) {
        d -= MathUtil::TWOPI;
    } else if (d < -MathUtil::PI) {
        d += MathUtil::TWOPI;
    }
    return d;
}

void AIHelper::face(const RealPoint& dir, Entity* who) {
    if (who == nullptr)
        return;
    PhysicsData& body = *who->getPhysicsData();
    const float d = getAngleDifference(body.getDir(), dir);
    const float turnSpeed = std::min(body.getMaxRotateSpeed(), body.getRotateAcc() * kTickMS);
    const float reach = turnSpeed * kTickMS;
    const float w = body.getRotateSpeed();
    if ((d > 0.0f && d <= w + reach) || (d < 0.0f && w - reach <= d)) {
        body.setDir(dir);
    } else {
        body.rotate(d / kTickMS / kTickMS);
    }
}

void AIHelper::faceTarget(Entity* target, Entity* who) {
    if (target == nullptr || who == nullptr)
        return;
    face((target->getPhysicsData()->getPos() - who->getPhysicsData()->getPos()).getNormalized(), who);
}

RealPoint AIHelper::leadTarget(Entity* who, Entity* target, float speed) {
    if (who == nullptr || target == nullptr)
        return {};
    const RealPoint from = who->getPhysicsData()->getPos();
    const RealPoint to = target->getPhysicsData()->getPos();
    if (from == to)
        return {};
    RealPoint aim = to;
    if (speed > 0.0f && std::isfinite(speed)) {
        const float t = (to - from).length() / speed;
        aim = to + target->getPhysicsData()->getVel() * t;
    }
    const RealPoint dir = (aim - from).getNormalized();
    if (aim != from)
        face(dir, who);
    return dir;
}

Entity* AIHelper::findClosest(const std::vector<Entity*>& list, Entity* who) {
    if (who == nullptr)
        return nullptr;
    const RealPoint from = who->getPhysicsData()->getPos();
    Entity* best = nullptr;
    float bestDistance = kFarAway;
    for (Entity* candidate : list) {
        if (candidate == nullptr)
            continue;
        const float distance = candidate->getPhysicsData()->getPos().distance(from);
        if (best == nullptr || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

Entity* AIHelper::findClosestPlayer(Entity* who) const {
    if (gameSystem_ == nullptr || gameSystem_->getEntityManager() == nullptr)
        return nullptr;
    return findClosest(gameSystem_->getEntityManager()->getAllPlayerEntities(), who);
}

Entity* AIHelper::findClosestEntity(Entity* who) const {
    if (gameSystem_ == nullptr || gameSystem_->getEntityManager() == nullptr)
        return nullptr;
    return findClosest(gameSystem_->getEntityManager()->getAllEntities(), who);
}

Entity* AIHelper::findClosestEntity(int typeID, Entity* who) const {
    if (gameSystem_ == nullptr || gameSystem_->getEntityManager() == nullptr)
        return nullptr;
    return findClosest(gameSystem_->getEntityManager()->getAllEntities(typeID), who);
}

Entity* AIHelper::findClosestEntity(const std::string& typeName, Entity* who) const {
    return findClosestEntity(EntityTypeRegistry::getProcessRegistry().getEntityTypeID(typeName), who);
}

int AIHelper::getWhichSide(Entity* who, Entity* target) const {
    if (who == nullptr || target == nullptr)
        return 0;
    const RealPoint toTarget =
        (target->getPhysicsData()->getPos() - who->getPhysicsData()->getPos()).getNormalized();
    const float d = getAngleDifference(who->getPhysicsData()->getDir(), toTarget);
    return d > 0.0f ? 1 : (d < 0.0f ? -1 : 0);
}

bool AIHelper::isInFront(Entity* who, Entity* target, float range, float width) const {
    if (who == nullptr || target == nullptr)
        return false;
    const RealPoint from = who->getPhysicsData()->getPos();
    const RealPoint u = who->getPhysicsData()->getDir().getNormalized();
    const RealPoint targetPos = target->getPhysicsData()->getPos();
    const float t = u.dot(targetPos - from);
    const float r = target->getPhysicsData()->getRadius();
    if (t < 0.0f || t > r + range)
        return false;
    return targetPos.distance(from + u * t) < width / 2.0f + r;
}
