// The rectangular play area.
#pragma once

class GameBoard {
public:
    virtual ~GameBoard() = default;
};
