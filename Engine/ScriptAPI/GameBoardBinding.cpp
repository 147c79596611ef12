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
    {"getMinPos", bindMember<&GameBoard::getMinPos>, "() -> new REALPOINT",
     "The board's lower-left corner in board units (default (-2399, -1339))."},
    {"getMaxPos", bindMember<&GameBoard::getMaxPos>, "() -> new REALPOINT",
     "The board's upper-right corner in board units (default (2399, 1339))."},
    {"getMidPos", bindMember<&GameBoard::getMidPos>, "() -> new REALPOINT", "The board's centre."},
    {"getRange", bindMember<&GameBoard::getRange>, "() -> new REALPOINT",
     "The board's width and height as a point."},
    {"setMinPos", bindMember<&GameBoard::setMinPos>, "(REALPOINT) -> nothing",
     "Moves the board's lower-left corner; not checked against the maximum."},
    {"setMaxPos", bindMember<&GameBoard::setMaxPos>, "(REALPOINT) -> nothing",
     "Moves the board's upper-right corner; not checked against the minimum."},
    {"getRangeX", bindMember<&GameBoard::getRangeX>, "() -> float", "The board's width, max x minus min x."},
    {"getRangeY", bindMember<&GameBoard::getRangeY>, "() -> float", "The board's height, max y minus min y."},
    {"getHypotenuse", bindMember<&GameBoard::getHypotenuse>, "() -> float",
     "The length of the board's diagonal."},
    {"getWidth", bindMember<&GameBoard::getWidth>, "() -> float",
     "The board's width in board units (as getRangeX)."},
    {"getHeight", bindMember<&GameBoard::getHeight>, "() -> float",
     "The board's height in board units (as getRangeY)."},
    {"makeRandomPos", gameboard_makeRandomPos, "() -> new REALPOINT",
     "A random position on the board at least 78 units in from every edge, from the game system's "
     "generator."},
    {"makeRandomPosOutsideOfGameBoard", gameboard_makeRandomPosOutsideOfGameBoard,
     "() or (n distance) -> new REALPOINT",
     "A random position on one of the four edges, pushed out from the board by the distance (0 or missing: "
     "on the edge), for things that come in from outside.",
     "expecting parameters (void) or (REAL)"},
    {"isInGameBoard", gameboard_isInGameBoard, "(REALPOINT) or (n x, n y) -> bool",
     "True when the point lies on the board, its edges included."},
    {"setGravity", gameboard_setGravity, "(REALPOINT) or (n x, n y) -> nothing",
     "Sets the world's gravity in units/ms² (the unit of thrust), added each tick to every dynamic "
     "body's velocity times its gravity scale, before its speed limit; (0, 0) by default. y points "
     "up, so (0, -0.002) pulls down. Refuses values that are not finite."},
    {"getGravity", gameboard_getGravity, "() -> new REALPOINT", "The world's gravity in units/ms²."},
};
}  // namespace

const ScriptTypeTable kGameBoardType{.type = ScriptType::GAMEBOARD, .name = "GAMEBOARD", .methods = kMethods};
