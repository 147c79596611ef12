// A reusable vertex list (script type SHAPE) that draws itself through the video module with a
// position, scale, rotation and optional texture.
#pragma once

#include <string>
#include <vector>

#include "Engine/Colour.h"

class VideoModule;

// One vertex of a shape (script type SHAPEVERTEX).
struct ShapeVertex {
    float x = 0.0f;
    float y = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
    float z = 0.0f;
    Colour colour;
    float alpha = 0.0f;
};

class Shape {
  public:
    // A shape of [quality] zeroed vertices. A quality below 1 or above kMaxQuality is refused
    // (isValidQuality): the shape then holds no vertices and draws nothing.
    Shape(VideoModule* video, int shapeType, int quality);

    // About 40 MB of vertices: far beyond any drawable shape, and an allocation that cannot fail
    // for a script that asks for two billion.
    static constexpr int kMaxQuality = 1 << 20;
    static bool isValidQuality(int quality) { return quality >= 1 && quality <= kMaxQuality; }

    // A line loop of quality vertices on a circle of [radius]. False (and nothing changed) for a
    // shape without vertices.
    bool setAsCircle(float radius);
    // A triangle fan: the centre, then quality - 1 rim vertices whose last repeats the first so
    // the fan closes. Needs a quality of at least 3; false (nothing changed) below that.
    bool setAsFilledCircle(float radius);

    void draw();
    // Sends the vertices start, start + increment, ... below end. Start and end are clamped to
    // [0, quality]; an increment below 1 is refused (false, nothing sent) so the walk always ends.
    bool plotVertices(int start, int end, int increment);
    void plotVertices() { plotVertices(0, getQuality(), 1); }

    int getShapeType() const { return shapeType_; }
    int getQuality() const { return static_cast<int>(vertices_.size()); }
    // Null for an index outside [0, quality).
    ShapeVertex* getVertex(int index);

    void setDir(float radians) { rotation_ = radians; }
    float getDir() const { return rotation_; }
    void setPos(float x, float y) {
        pos_[0] = x;
        pos_[1] = y;
    }
    void setPos(float x, float y, float z) {
        setPos(x, y);
        pos_[2] = z;
    }
    void setPosZ(float z) { pos_[2] = z; }
    void setScale(float x, float y, float z = 1.0f) {
        scale_[0] = x;
        scale_[1] = y;
        scale_[2] = z;
    }
    bool isUsesColour() const { return usesColour_; }
    void setIsUsesColour(bool uses) { usesColour_ = uses; }
    bool isUsesTexture() const { return usesTexture_; }
    void setIsUsesTexture(bool uses) { usesTexture_ = uses; }
    void setTexture(const std::string& name) { textureName_ = name; }
    const std::string& getTexture() const { return textureName_; }

  private:
    bool usesColour_ = false;
    bool usesTexture_ = false;
    int shapeType_;
    VideoModule* video_;
    std::string textureName_;
    float rotation_ = 0.0f;
    float pos_[3] = {0.0f, 0.0f, 0.0f};
    float scale_[3] = {1.0f, 1.0f, 1.0f};
    std::vector<ShapeVertex> vertices_;
};
