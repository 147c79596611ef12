// GAMEBOARD (the global GameBoard): the play area.
#include "Engine/GameBoard.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
GameBoard* board(gmScriptThread* thread) {
    return selfAs<GameBoard>(thread);
}

template <auto Getter>
int getPoint(gmScriptThread* thread) {
    GameBoard* self = board(thread);
    return self != nullptr ? pushPoint(thread, (self->*Getter)()) : kRunTimeError;
}

template <void (GameBoard::*Setter)(const RealPoint&)>
int setPoint(gmScriptThread* thread) {
    GameBoard* self = board(thread);
    RealPoint point;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !pointParam(thread, 0, point))
        return kRunTimeError;
    (self->*Setter)(point);
    return kDone;
}

template <float (GameBoard::*Getter)() const>
int getFloat(gmScriptThread* thread) {
    GameBoard* self = board(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushFloat((self->*Getter)());
    return kDone;
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
        return scriptError(thread,
                           "\"makeRandomPosOutsideOfGameBoard\" expecting parameters (void) or (REAL)");
    if (count == 1 && !gmFloatOrIntParam(thread, 0, distance))
        return kRunTimeError;
    return pushPoint(thread, self->makeRandomPosOutsideOfGameBoard(distance));
}

int gameboard_isInGameBoard(gmScriptThread* thread) {
    GameBoard* self = board(thread);
    if (self == nullptr)
        return kRunTimeError;
    RealPoint point;
    if (!pointOrXYParams(thread, point, "isInGameBoard", "REAL"))
        return kRunTimeError;
    return pushBool(thread, self->isInGameBoard(point));
}

constexpr ScriptMethod kMethods[] = {
    {"getMinPos", getPoint<&GameBoard::getMinPos>, "() -> new REALPOINT"},
    {"getMaxPos", getPoint<&GameBoard::getMaxPos>, "() -> new REALPOINT"},
    {"getMidPos", getPoint<&GameBoard::getMidPos>, "() -> new REALPOINT"},
    {"getRange", getPoint<&GameBoard::getRange>, "() -> new REALPOINT"},
    {"setMinPos", setPoint<&GameBoard::setMinPos>, "(REALPOINT) -> nothing"},
    {"setMaxPos", setPoint<&GameBoard::setMaxPos>, "(REALPOINT) -> nothing"},
    {"getRangeX", getFloat<&GameBoard::getRangeX>, "() -> float"},
    {"getRangeY", getFloat<&GameBoard::getRangeY>, "() -> float"},
    {"getHypotenuse", getFloat<&GameBoard::getHypotenuse>, "() -> float"},
    {"getWidth", getFloat<&GameBoard::getWidth>, "() -> float"},
    {"getHeight", getFloat<&GameBoard::getHeight>, "() -> float"},
    {"makeRandomPos", gameboard_makeRandomPos, "() -> new REALPOINT"},
    {"makeRandomPosOutsideOfGameBoard", gameboard_makeRandomPosOutsideOfGameBoard,
     "() or (n distance) -> new REALPOINT"},
    {"isInGameBoard", gameboard_isInGameBoard, "(REALPOINT) or (n x, n y) -> bool"},
};
}  // namespace

const ScriptTypeTable kGameBoardType{ScriptType::GAMEBOARD, "GAMEBOARD", kMethods, {}, {}, nullptr, nullptr};
