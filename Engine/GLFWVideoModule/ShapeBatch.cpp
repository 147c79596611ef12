#include "Engine/GLFWVideoModule/ShapeBatch.h"

#include <algorithm>

#include <GL/gl.h>

namespace {

// Pending vertices after which the batch is drawn at the next shape's end and handed to the
// rasteriser (glFlush): its threads then fill pixels while the rest of the frame is still being
// queued, and the driver's per-draw memory stays small enough to stay in the cache. Measured
// under llvmpipe with 10,000 default circles: 8,192 (about 370 circles) took the main thread
// from about 21 to 17-18 ms a frame and the frame from 80-120 to 58-90 ms on a loaded machine;
// 2,048 and 4,096 were no better, and a larger batch without glFlush gained nothing.
constexpr std::size_t kFlushVertices = 8192;

bool isFilled(unsigned mode) {
    return mode == GL_QUADS || mode == GL_TRIANGLES || mode == GL_TRIANGLE_FAN || mode == GL_TRIANGLE_STRIP;
}

}  // namespace

ShapeBatch* ShapeBatch::current_ = nullptr;

ShapeBatch::~ShapeBatch() {
    if (current_ == this)
        current_ = nullptr;
}

void ShapeBatch::setCurrent(ShapeBatch* batch) {
    current_ = batch;
}

void ShapeBatch::flushCurrent() {
    if (current_ != nullptr)
        current_->flush();
}

void ShapeBatch::beginShape(unsigned mode, unsigned texture) {
    shapeOpen_ = true;
    shapeMode_ = mode;
    shapeTexture_ = texture;
    shapeColourVaries_ = false;
    shapeFirst_ = static_cast<uint32_t>(vertices_.size());
    if (texture != 0)
        activateTexCoords();
}

void ShapeBatch::activateTexCoords() {
    if (texCoordsActive_)
        return;
    // The coordinate array must line up with the vertex array from its first vertex.
    texCoordsActive_ = true;
    texCoords_.assign(vertices_.size() * 2, 0.0f);
}

void ShapeBatch::addVertex(const float eye[3], const float colour[4]) {
    if (!shapeOpen_)
        return;
    if (vertices_.size() > shapeFirst_ && !std::equal(colour, colour + 4, vertices_.back().colour))
        shapeColourVaries_ = true;
    vertices_.push_back(Vertex{{eye[0], eye[1], eye[2]}, {colour[0], colour[1], colour[2], colour[3]}});
    if (texCoordsActive_)
        texCoords_.insert(texCoords_.end(), {0.0f, 0.0f});
}

void ShapeBatch::addTexturedVertex(const float eye[3], const float colour[4], float u, float v) {
    if (!shapeOpen_)
        return;
    activateTexCoords();
    addVertex(eye, colour);
    texCoords_[texCoords_.size() - 2] = u;
    texCoords_[texCoords_.size() - 1] = v;
}

void ShapeBatch::endShape() {
    if (!shapeOpen_)
        return;
    shapeOpen_ = false;
    const auto count = static_cast<uint32_t>(vertices_.size()) - shapeFirst_;
    if (count == 0)
        return;
    if (isFilled(shapeMode_) && !shapeColourVaries_) {
        if (!indices_.empty() && shapeTexture_ != trianglesTexture_)
            drawTriangles();
        trianglesTexture_ = shapeTexture_;
        // Colours are clamped to 1, so an alpha of 1 or more is opaque; a texture has its own alpha.
        if (!(vertices_[shapeFirst_].colour[3] >= 1.0f) || shapeTexture_ != 0)
            trianglesOpaque_ = false;
        appendTriangles(shapeFirst_, count);
        if (vertices_.size() >= kFlushVertices) {
            flush();
            glFlush();
        }
        return;
    }
    drawTriangles();
    drawShapeAlone(shapeFirst_, count);
    clearVertices();
}

void ShapeBatch::flush() {
    // A shape still open keeps its vertices; they are drawn when it ends.
    if (shapeOpen_) {
        drawTriangles();
        return;
    }
    drawTriangles();
    clearVertices();
}

void ShapeBatch::discard() {
    shapeOpen_ = false;
    clearVertices();
}

// The triangles GL draws for the shape: a quad is cut along its diagonal from the first vertex
// to the third, as the driver cuts it (that decides the depth of a quad that is not flat); a
// strip alternates its winding. The shape has one colour, so the vertex that gives a triangle
// its colour does not matter.
void ShapeBatch::appendTriangles(uint32_t first, uint32_t count) {
    uint32_t triangles = 0;
    switch (shapeMode_) {
        case GL_QUADS:
            triangles = count / 4 * 2;
            break;
        case GL_TRIANGLES:
            triangles = count / 3;
            break;
        default:  // fans and strips
            triangles = count >= 3 ? count - 2 : 0;
            break;
    }
    const std::size_t start = indices_.size();
    indices_.resize(start + static_cast<std::size_t>(triangles) * 3);
    uint32_t* out = indices_.data() + start;
    auto triangle = [&out, first](uint32_t a, uint32_t b, uint32_t c) {
        out[0] = first + a;
        out[1] = first + b;
        out[2] = first + c;
        out += 3;
    };
    switch (shapeMode_) {
        case GL_QUADS:
            for (uint32_t i = 0; i + 3 < count; i += 4) {
                triangle(i, i + 1, i + 2);
                triangle(i, i + 2, i + 3);
            }
            break;
        case GL_TRIANGLES:
            for (uint32_t i = 0; i + 2 < count; i += 3) triangle(i, i + 1, i + 2);
            break;
        case GL_TRIANGLE_FAN:
            for (uint32_t i = 2; i < count; ++i) triangle(0, i - 1, i);
            break;
        default:  // GL_TRIANGLE_STRIP
            for (uint32_t i = 2; i < count; ++i) triangle(i - 2 + (i & 1), i - 1 - (i & 1), i);
            break;
    }
}

void ShapeBatch::drawTriangles() {
    if (indices_.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), vertices_.data()->position);
    glColorPointer(4, GL_FLOAT, sizeof(Vertex), vertices_.data()->colour);
    // Every shape here has one colour. Flat shading hands it to the pixels as it was given, as
    // a shape drawn alone in the current colour gets it; interpolating equal colours can round
    // a channel differently where it falls halfway between two levels.
    glShadeModel(GL_FLAT);
    // Blending is always on (source alpha, one minus source alpha). For opaque pixels it writes
    // the source unchanged, alpha included, so opaque triangles skip it: the rasteriser then
    // neither reads the colour buffer to blend nor does the arithmetic.
    if (trianglesOpaque_)
        glDisable(GL_BLEND);
    beginTextured(trianglesTexture_);
    // The range spares the driver a scan of the indices for the vertices to fetch.
    glDrawRangeElements(GL_TRIANGLES, 0, static_cast<GLuint>(vertices_.size() - 1),
                        static_cast<GLsizei>(indices_.size()), GL_UNSIGNED_INT, indices_.data());
    endTextured(trianglesTexture_);
    if (trianglesOpaque_)
        glEnable(GL_BLEND);
    glShadeModel(GL_SMOOTH);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    indices_.clear();
    trianglesOpaque_ = true;
}

// Draws the shape as its own primitive: per-vertex colours are interpolated as GL interpolates
// them for that primitive, and a shape of one colour is drawn in that colour as the current one.
void ShapeBatch::drawShapeAlone(uint32_t first, uint32_t count) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), vertices_.data()->position);
    if (shapeColourVaries_) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, sizeof(Vertex), vertices_.data()->colour);
    } else {
        glColor4fv(vertices_[first].colour);
    }
    beginTextured(shapeTexture_);
    glDrawArrays(shapeMode_, static_cast<GLint>(first), static_cast<GLsizei>(count));
    endTextured(shapeTexture_);
    if (shapeColourVaries_)
        glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void ShapeBatch::clearVertices() {
    vertices_.clear();
    texCoords_.clear();
    indices_.clear();
    trianglesOpaque_ = true;
    texCoordsActive_ = false;
}

void ShapeBatch::beginTextured(unsigned texture) {
    if (texture == 0 || !texCoordsActive_)
        return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords_.data());
}

void ShapeBatch::endTextured(unsigned texture) {
    if (texture == 0 || !texCoordsActive_)
        return;
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}
