// Where two bodies touch, as the physics step found it.
#pragma once

#include "Engine/RealPoint.h"

struct Contact {
    // Unit vector from the first body toward the second; (0, 0) when no contact is known.
    RealPoint normal;
    // A point of the contact (the middle of the touching points), in board units.
    RealPoint point;

    // The same contact seen from the second body.
    Contact reversed() const { return {RealPoint{-normal.x, -normal.y}, point}; }
};
