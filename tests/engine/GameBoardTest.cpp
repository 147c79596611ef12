#include <gtest/gtest.h>

#include "Engine/GameBoard.h"
#include "Engine/RandomGenerator.h"

namespace {

TEST(GameBoard, Defaults) {
    GameBoard board;
    EXPECT_EQ(board.getMidPos(), RealPoint(0.0f, 0.0f));
    EXPECT_EQ(board.getRange(), RealPoint(4798.0f, 2678.0f));
    EXPECT_NEAR(board.getHypotenuse(), 5494.7f, 0.1f);
    EXPECT_EQ(board.getWidth(), 4798.0f);
    EXPECT_EQ(board.getHeight(), 2678.0f);
}

TEST(GameBoard, SidesCountAsInside) {
    GameBoard board;
    EXPECT_TRUE(board.isInGameBoard(2399.0f, -1339.0f));
    EXPECT_FALSE(board.isInGameBoard(2399.5f, 0.0f));
    EXPECT_FALSE(board.isInGameBoard({0.0f, 1340.0f}));
}

TEST(GameBoard, RandomPositionsKeepOffTheSides) {
    RandomGenerator random(7);
    GameBoard board(&random);
    board.setMinPos({0.0f, 0.0f});
    board.setMaxPos({200.0f, 300.0f});
    for (int i = 0; i < 200; ++i) {
        const RealPoint p = board.makeRandomPos();
        EXPECT_TRUE(p.x >= 78.0f && p.x <= 122.0f && p.y >= 78.0f && p.y <= 222.0f) << p.x << "," << p.y;
    }
}

TEST(GameBoard, OutsidePositionsLieOnASidePushedOut) {
    RandomGenerator random(11);
    GameBoard board(&random);
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(board.isInGameBoard(board.makeRandomPosOutsideOfGameBoard()));
        const RealPoint p = board.makeRandomPosOutsideOfGameBoard(10.0f);
        EXPECT_FALSE(board.isInGameBoard(p));
        const bool onASide = p.x == -2409.0f || p.x == 2409.0f || p.y == -1349.0f || p.y == 1349.0f;
        EXPECT_TRUE(onASide) << p.x << "," << p.y;
    }
}

}  // namespace
