#include "Engine/Shape.h"

#include <algorithm>
#include <cmath>

#include "Engine/ShapeType.h"
#include "Engine/VideoModule.h"

namespace {
constexpr float kTwoPi = 6.2831853f;
}

Shape::Shape(VideoModule* video, int shapeType, int quality)
    : shapeType_(shapeType), video_(video), vertices_(isValidQuality(quality) ? quality : 0) {}

bool Shape::setAsCircle(float radius) {
    if (vertices_.empty())
        return false;
    const float step = kTwoPi / static_cast<float>(vertices_.size());
    for (std::size_t i = 0; i < vertices_.size(); ++i) {
        vertices_[i].x = radius * std::cos(static_cast<float>(i) * step);
        vertices_[i].y = radius * std::sin(static_cast<float>(i) * step);
    }
    shapeType_ = SHAPETYPE_LINELOOP;
    return true;
}

bool Shape::setAsFilledCircle(float radius) {
    if (vertices_.size() < 3)
        return false;
    vertices_[0].x = 0.0f;
    vertices_[0].y = 0.0f;
    const float step = kTwoPi / static_cast<float>(vertices_.size() - 2);
    for (std::size_t i = 1; i < vertices_.size(); ++i) {
        vertices_[i].x = radius * std::cos(static_cast<float>(i - 1) * step);
        vertices_[i].y = radius * std::sin(static_cast<float>(i - 1) * step);
    }
    shapeType_ = SHAPETYPE_TRIANGLEFAN;
    return true;
}

void Shape::draw() {
    if (video_ == nullptr)
        return;
    if (usesTexture_)
        video_->beginTexture(textureName_);
    video_->pushMatrix();
    video_->translate(pos_[0], pos_[1], pos_[2]);
    video_->scale(scale_[0], scale_[1], scale_[2]);
    video_->rotateZ(rotation_);
    video_->beginShape(shapeType_);
    plotVertices();
    video_->endShape();
    video_->popMatrix();
    if (usesTexture_)
        video_->endTexture();
}

bool Shape::plotVertices(int start, int end, int increment) {
    if (increment < 1 || video_ == nullptr)
        return false;
    const int count = getQuality();
    start = std::clamp(start, 0, count);
    end = std::clamp(end, 0, count);
    for (int i = start; i < end; i += increment) {
        const ShapeVertex& vertex = vertices_[static_cast<std::size_t>(i)];
        if (usesColour_)
            video_->setColour(vertex.colour, vertex.alpha);
        if (usesTexture_) {
            video_->plotTexturedVertex(vertex.x, vertex.y, vertex.z, vertex.u, vertex.v);
        } else {
            video_->plotVertex(vertex.x, vertex.y, vertex.z);
        }
        // i + increment could overflow for a huge increment; stop before it would.
        if (increment > end - i)
            break;
    }
    return true;
}

ShapeVertex* Shape::getVertex(int index) {
    if (index < 0 || index >= getQuality())
        return nullptr;
    return &vertices_[static_cast<std::size_t>(index)];
}
