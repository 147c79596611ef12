// GAMEBOARD (the global GameBoard): the play area.
#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
#include "Engine/PhysicsModule.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/ScriptHost/GmScriptModule.h"

namespace {
GameBoard* board(gmScriptThread* thread) {
    return selfAs<GameBoard>(thread);
}

int gameboard_makeRandomPos(gmScriptThread* thread) {
    GameBoard* self = board(thread);
    return self != nullptr ? pushPoint(thread, self->makeRandomPos()) : kRunTimeError;
}

int gameboard_makeRandomPosOutsideOfGameBoard(gmScriptThread* thread) {
    GameBoard* self = board(thread);
    if (self == nullptr)
        return kRunTimeError;
    float distance = 0.0f;
    const int32_t count = thread->getNumParams();
    if (count > 1)
        return usageError(thread);
    if (count == 1 && !gmFloatOrIntParam(thread, 0, distance))
        return kRunTimeError;
    return pushPoint(thread, self->makeRandomPosOutsideOfGameBoard(distance));
}

int gameboard_isInGameBoard(gmScriptThread* thread) {
    GameBoard* self = board(thread);
    if (self == nullptr)
        return kRunTimeError;
    RealPoint point;
    if (!pointOrXYParams(thread, point, "REAL"))
        return kRunTimeError;
    return pushBool(thread, self->isInGameBoard(point));
}

PhysicsModule* physics(gmScriptThread* thread) {
    GameSystem* system = GmScriptModule::of(thread)->getGameSystem();
    return system != nullptr ? system->getPhysicsModule() : nullptr;
}

int gameboard_setGravity(gmScriptThread* thread) {
    if (board(thread) == nullptr)
        return kRunTimeError;
    RealPoint gravity;
    if (!pointOrXYParams(thread, gravity, "float"))
        return kRunTimeError;
    PhysicsModule* world = physics(thread);
    if (world != nullptr && !world->setGravity(gravity.x, gravity.y))
        return refusedError(thread);
    return kDone;
}

int gameboard_getGravity(gmScriptThread* thread) {
    if (board(thread) == nullptr)
        return kRunTimeError;
    PhysicsModule* world = physics(thread);
    return pushPoint(thread, world != nullptr ? world->getGravity() : RealPoint{});
}

constexpr ScriptMethod kMethods[] = {
    {"getMinPos", bindMember<&GameBoard::getMinPos>, "() -> new REALPOINT"},
    {"getMaxPos", bindMember<&GameBoard::getMaxPos>, "() -> new REALPOINT"},
    {"getMidPos", bindMember<&GameBoard::getMidPos>, "() -> new REALPOINT"},
    {"getRange", bindMember<&GameBoard::getRange>, "() -> new REALPOINT"},
    {"setMinPos", bindMember<&GameBoard::setMinPos>, "(REALPOINT) -> nothing"},
    {"setMaxPos", bindMember<&GameBoard::setMaxPos>, "(REALPOINT) -> nothing"},
    {"getRangeX", bindMember<&GameBoard::getRangeX>, "() -> float"},
    {"getRangeY", bindMember<&GameBoard::getRangeY>, "() -> float"},
    {"getHypotenuse", bindMember<&GameBoard::getHypotenuse>, "() -> float"},
    {"getWidth", bindMember<&GameBoard::getWidth>, "() -> float"},
    {"getHeight", bindMember<&GameBoard::getHeight>, "() -> float"},
    {"makeRandomPos", gameboard_makeRandomPos, "() -> new REALPOINT"},
    {"makeRandomPosOutsideOfGameBoard", gameboard_makeRandomPosOutsideOfGameBoard,
     "() or (n distance) -> new REALPOINT", nullptr, "expecting parameters (void) or (REAL)"},
    {"isInGameBoard", gameboard_isInGameBoard, "(REALPOINT) or (n x, n y) -> bool"},
    {"setGravity", gameboard_setGravity, "(REALPOINT) or (n x, n y) -> nothing",
     "Sets the world's gravity in units/ms² (the unit of thrust), added each tick to every dynamic "
     "body's velocity times its gravity scale, before its speed limit; (0, 0) by default. y points "
     "up, so (0, -0.002) pulls down. Refuses values that are not finite."},
    {"getGravity", gameboard_getGravity, "() -> new REALPOINT", "The world's gravity in units/ms²."},
};
}  // namespace

const ScriptTypeTable kGameBoardType{.type = ScriptType::GAMEBOARD, .name = "GAMEBOARD", .methods = kMethods};
