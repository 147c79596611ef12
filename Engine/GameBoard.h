// The axis-aligned rectangle of the play area, in world units with y pointing up.
#pragma once

#include "Engine/RealPoint.h"

class RandomGenerator;

// Side flags of the board, as reported by onEntityCollideWithGameBoard (script constants).
enum GameBoardSide : int {
    GAMEBOARD_LEFT = 1,
    GAMEBOARD_RIGHT = 2,
    GAMEBOARD_TOP = 8,
    GAMEBOARD_BOTTOM = 16,
};

// The unit vector from the board's inside toward the sides in [sides] (the normalised sum of
// each side's outward direction), (0, 0) for none.
RealPoint getGameBoardSideNormal(int sides);

class GameBoard {
  public:
    // Random positions are drawn from [random] (the game system's generator); without one, from
    // the process-wide generator. [random] must outlive the board.
    explicit GameBoard(RandomGenerator* random = nullptr);
    virtual ~GameBoard() = default;

    // No check that the minimum lies below the maximum.
    const RealPoint& getMinPos() const { return minPos_; }
    const RealPoint& getMaxPos() const { return maxPos_; }
    void setMinPos(const RealPoint& pos) { minPos_ = pos; }
    void setMaxPos(const RealPoint& pos) { maxPos_ = pos; }
    RealPoint getMidPos() const { return minPos_ + (maxPos_ - minPos_) / 2.0f; }
    RealPoint getRange() const { return {getRangeX(), getRangeY()}; }
    float getRangeX() const { return maxPos_.x - minPos_.x; }
    float getRangeY() const { return maxPos_.y - minPos_.y; }
    float getWidth() const { return getRangeX(); }
    float getHeight() const { return getRangeY(); }
    float getHypotenuse() const;

    // A point well inside the board, off the sides by a fixed margin.
    RealPoint makeRandomPos();
    // A point on one of the four sides pushed out by [distance] (on the side itself for 0).
    RealPoint makeRandomPosOutsideOfGameBoard(float distance = 0.0f);

    // The sides count as inside.
    bool isInGameBoard(float x, float y) const;
    bool isInGameBoard(const RealPoint& pos) const { return isInGameBoard(pos.x, pos.y); }

  private:
    RandomGenerator& random() const;

    RandomGenerator* random_;
    RealPoint minPos_{-2399.0f, -1339.0f};
    RealPoint maxPos_{2399.0f, 1339.0f};
};
