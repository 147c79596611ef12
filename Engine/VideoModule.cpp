#include "Engine/VideoModule.h"

#include <cmath>

#include "Engine/Assertion.h"
#include "Engine/Colour.h"
#include "Engine/ColourManager.h"
#include "Engine/GameSystem.h"
#include "Engine/RealPoint.h"
#include "Engine/ShapeType.h"

VideoModule::VideoModule(GameSystem* gameSystem) : EngineModule(gameSystem) { addTypeName("VideoModule"); }

void VideoModule::setAspectRatio(float aspectRatio) {
    if (!(aspectRatio > 0.0f) || !std::isfinite(aspectRatio)) return;
    aspectRatio_ = aspectRatio;
}

void VideoModule::beginShape(int shapeType) {
    if (shapeType < SHAPETYPE_QUADS || shapeType > SHAPETYPE_LINELOOP) TACT_ASSERT(false, "false");
    if (isLineShapeType(shapeType)) {
        lineShapeOpen_ = true;
        pushAttributes();
        setAttrDepthTest(false);
    }
    beginPrimitive(shapeType);
}

void VideoModule::endShape() {
    endPrimitive();
    if (lineShapeOpen_) {
        popAttributes();
        lineShapeOpen_ = false;
    }
}

void VideoModule::setColour(int colourId, float alpha) {
    ColourManager* colours = gameSystem_ != nullptr ? gameSystem_->getColourManager() : nullptr;
    setColour(colours != nullptr ? colours->getColour(colourId) : Colour(), alpha);
}

void VideoModule::setColour(const std::string& colourName, float alpha) {
    ColourManager* colours = gameSystem_ != nullptr ? gameSystem_->getColourManager() : nullptr;
    setColour(colours != nullptr ? colours->getColour(colourName) : Colour(), alpha);
}

void VideoModule::setColour(const Colour& colour, float alpha) {
    setColour(colour.getRed(), colour.getGreen(), colour.getBlue(), alpha);
}

void VideoModule::plotVertex(const RealPoint& point, float z) { plotVertex(point.x, point.y, z); }

void VideoModule::setAttrDepthTest(bool enabled) {
    attributes_ = enabled ? (attributes_ | kDepthTestBit) : (attributes_ & ~kDepthTestBit);
    applyDepthTest(enabled);
}

void VideoModule::setAttrDepthWrite(bool enabled) {
    attributes_ = enabled ? (attributes_ | kDepthWriteBit) : (attributes_ & ~kDepthWriteBit);
    applyDepthWrite(enabled);
}

void VideoModule::pushAttributes() { attributesStack_.push_back(attributes_); }

void VideoModule::popAttributes() {
    if (!TACT_ASSERT(!attributesStack_.empty(), "attributesStack.size()>0")) return;
    attributes_ = attributesStack_.back();
    attributesStack_.pop_back();
    applyAttributes();
}

void VideoModule::clearAttributes() {
    attributes_ = kDepthTestBit | kDepthWriteBit;
    applyAttributes();
}

void VideoModule::clearAttributesStack() {
    attributesStack_.clear();
    clearAttributes();
}

void VideoModule::applyAttributes() {
    applyDepthTest(isAttrDepthTest());
    applyDepthWrite(isAttrDepthWrite());
}
