// The window, the frame and drawing. The platform-independent part lives here: the drawing
// operations every entity, particle and script uses, the colour lookups and the depth attribute
// stack. The module that owns a real window and GL context derives from it in its platform
// folder and overrides the primitives (the protected apply/begin/end operations and the matrix,
// colour and vertex operations).
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "Engine/EngineModule.h"

class Colour;
struct RealPoint;

class VideoModule : public EngineModule {
public:
    explicit VideoModule(GameSystem* gameSystem);

    // Releases the video resources before the module is deleted.
    virtual void deinit() {}
    // Draws one frame.
    virtual void render() = 0;
    virtual void drawSystemPauseScreen() = 0;
    virtual void clearScreen() = 0;

    // Width over height of the drawing area; values that are not positive and finite are ignored.
    void setAspectRatio(float aspectRatio);
    float getAspectRatio() const { return aspectRatio_; }

    // ---- Drawing ----
    virtual void pushMatrix() {}
    virtual void popMatrix() {}
    virtual void translate(float /*x*/, float /*y*/, float /*z*/) {}
    virtual void rotateZ(float /*radians*/) {}
    virtual void rotateX(float /*radians*/) {}
    virtual void rotateY(float /*radians*/) {}
    virtual void scale(float /*x*/, float /*y*/, float /*z*/) {}
    // Lines are drawn without the depth test: the attributes are pushed here and restored by endShape.
    void beginShape(int shapeType);
    void endShape();
    // By id (black when out of range) or name, through the colour manager.
    void setColour(int colourId, float alpha);
    void setColour(const std::string& colourName, float alpha);
    void setColour(const Colour& colour, float alpha);
    virtual void setColour(float /*red*/, float /*green*/, float /*blue*/, float /*alpha*/) {}
    virtual void plotTexturedVertex(float /*x*/, float /*y*/, float /*z*/, float /*u*/, float /*v*/) {}
    void plotVertex(const RealPoint& point, float z);
    virtual void plotVertex(float /*x*/, float /*y*/, float /*z*/) {}

    // ---- Depth attributes ----
    void setAttrDepthTest(bool enabled);
    void setAttrDepthWrite(bool enabled);
    bool isAttrDepthTest() const { return (attributes_ & kDepthTestBit) != 0; }
    bool isAttrDepthWrite() const { return (attributes_ & kDepthWriteBit) != 0; }
    void pushAttributes();
    // The stack must not be empty (reported, nothing popped).
    void popAttributes();
    void clearAttributes();
    void clearAttributesStack();
    std::size_t getAttributesStackSize() const { return attributesStack_.size(); }

protected:
    virtual void beginPrimitive(int /*shapeType*/) {}
    virtual void endPrimitive() {}
    virtual void applyDepthTest(bool /*enabled*/) {}
    virtual void applyDepthWrite(bool /*enabled*/) {}

private:
    // Both attributes in one word, one byte each, so the stack is a stack of words.
    static constexpr uint16_t kDepthTestBit = 0x0001;
    static constexpr uint16_t kDepthWriteBit = 0x0100;

    void applyAttributes();

    float aspectRatio_ = 4.0f / 3.0f;
    uint16_t attributes_ = kDepthTestBit | kDepthWriteBit;
    std::deque<uint16_t> attributesStack_;
    bool lineShapeOpen_ = false;
};
