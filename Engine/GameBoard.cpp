#include "Engine/GameBoard.h"

#include <cmath>

#include "Engine/Assertion.h"
#include "Engine/RandomGenerator.h"

namespace {

// Keeps random positions far enough from the sides that a default-sized entity placed there
// does not touch them (a bit more than the default diameter of 60).
constexpr float kRandomPosMargin = 78.0f;

}  // namespace

GameBoard::GameBoard(RandomGenerator* random) : random_(random) {}

RandomGenerator& GameBoard::random() const {
    return random_ != nullptr ? *random_ : RandomGenerator::getProcessGenerator();
}

RealPoint getGameBoardSideNormal(int sides) {
    RealPoint normal;
    if ((sides & GAMEBOARD_LEFT) != 0)
        normal.x -= 1.0f;
    if ((sides & GAMEBOARD_RIGHT) != 0)
        normal.x += 1.0f;
    if ((sides & GAMEBOARD_BOTTOM) != 0)
        normal.y -= 1.0f;
    if ((sides & GAMEBOARD_TOP) != 0)
        normal.y += 1.0f;
    return normal.getNormalized();
}

float GameBoard::getHypotenuse() const {
    const float x = getRangeX();
    const float y = getRangeY();
    return std::sqrt(x * x + y * y);
}

RealPoint GameBoard::makeRandomPos() {
    // y before x: a fixed draw order keeps seeded runs reproducible.
    const float y = random().getRandomReal(minPos_.y + kRandomPosMargin, maxPos_.y - kRandomPosMargin);
    const float x = random().getRandomReal(minPos_.x + kRandomPosMargin, maxPos_.x - kRandomPosMargin);
    return {x, y};
}

RealPoint GameBoard::makeRandomPosOutsideOfGameBoard(float distance) {
    const float d = distance;
    switch (random().getRandomInteger(0, 3)) {
        case 0:
            return {minPos_.x - d, random().getRandomReal(minPos_.y - d, maxPos_.y + d)};
        case 1:
            return {maxPos_.x + d, random().getRandomReal(minPos_.y - d, maxPos_.y + d)};
        case 2:
            return {random().getRandomReal(minPos_.x - d, maxPos_.x + d), maxPos_.y + d};
        case 3:
            return {random().getRandomReal(minPos_.x - d, maxPos_.x + d), minPos_.y - d};
        default:
            TACT_ASSERT(false, "false");
            return {0.0f, 0.0f};
    }
}

bool GameBoard::isInGameBoard(float x, float y) const {
    return minPos_.x <= x && x <= maxPos_.x && minPos_.y <= y && y <= maxPos_.y;
}
