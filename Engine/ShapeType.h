// Primitive kinds of beginShape; the three line kinds are never hidden by depth.
#pragma once

enum ShapeType : int {
    SHAPETYPE_QUADS = 0,
    SHAPETYPE_TRIANGLES = 1,
    SHAPETYPE_TRIANGLEFAN = 2,
    SHAPETYPE_TRIANGLESTRIP = 3,
    SHAPETYPE_LINES = 4,
    SHAPETYPE_LINESTRIP = 5,
    SHAPETYPE_LINELOOP = 6,
};

inline bool isLineShapeType(int shapeType) {
    return shapeType == SHAPETYPE_LINES || shapeType == SHAPETYPE_LINESTRIP ||
           shapeType == SHAPETYPE_LINELOOP;
}
