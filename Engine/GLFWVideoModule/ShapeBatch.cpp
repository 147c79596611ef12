#include "Engine/GLFWVideoModule/ShapeBatch.h"

#include <algorithm>
#include <cmath>

#include <GL/gl.h>

namespace {

// Pending vertices after which the batch is drawn at the next shape's end and handed to the
// rasteriser (glFlush): its threads then fill pixels while the rest of the frame is still being
// queued, and the driver's per-draw memory stays small enough to stay in the cache. Measured
// under llvmpipe with 10,000 default circles: 8,192 (about 370 circles) took the main thread
// from about 21 to 17-18 ms a frame and the frame from 80-120 to 58-90 ms on a loaded machine;
// 2,048 and 4,096 were no better, and a larger batch without glFlush gained nothing.
constexpr std::size_t kFlushVertices = 8192;

// Pixels added around a shape's outline when its cells are found: the rasteriser may light a pixel
// whose centre is just outside the exact outline.
constexpr float kEdgePixels = 1.0f;

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
    shapeDepthTest_ = depthTest_;
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
        // The triangles are drawn before the pending lines: none of them may land on one.
        if (!lineIndices_.empty() && touchesPendingLines(cellsOf(shapeFirst_, count, kEdgePixels)))
            drawPending();
        if (!indices_.empty() &&
            (shapeTexture_ != trianglesTexture_ || shapeDepthTest_ != trianglesDepthTest_))
            drawTriangles();
        trianglesTexture_ = shapeTexture_;
        trianglesDepthTest_ = shapeDepthTest_;
        // Colours are clamped to 1, so an alpha of 1 or more is opaque; a texture has its own alpha.
        if (!(vertices_[shapeFirst_].colour[3] >= 1.0f) || shapeTexture_ != 0)
            trianglesOpaque_ = false;
        appendTriangles(shapeFirst_, count);
        flushIfFull();
        return;
    }
    if (shapeMode_ == GL_LINES && !shapeColourVaries_ && shapeTexture_ == 0) {
        // Lines drawn after the triangles under another depth test could not be told apart from
        // lines drawn before them by the depth buffer alone: keep to one state a list.
        if (!lineIndices_.empty() && shapeDepthTest_ != linesDepthTest_)
            drawPending();
        linesDepthTest_ = shapeDepthTest_;
        appendLines(shapeFirst_, count);
        flushIfFull();
        return;
    }
    drawPending();
    drawShapeAlone(shapeFirst_, count);
    clearVertices();
}

void ShapeBatch::flushIfFull() {
    if (vertices_.size() >= kFlushVertices) {
        flush();
        glFlush();
    }
}

void ShapeBatch::setView(const float projection[16], int viewportWidth, int viewportHeight) {
    std::copy(projection, projection + 16, projection_);
    viewportWidth_ = std::max(1, viewportWidth);
    viewportHeight_ = std::max(1, viewportHeight);
}

ShapeBatch::Cells ShapeBatch::cellsOf(uint32_t first, uint32_t count, float marginPixels) const {
    constexpr Cells kEverywhere{0, 0, kGridSize - 1, kGridSize - 1};
    const float* m = projection_;
    float minX = 0.0f, minY = 0.0f, maxX = 0.0f, maxY = 0.0f;
    for (uint32_t i = first; i < first + count; ++i) {
        const float* e = vertices_[i].position;
        const float w = m[3] * e[0] + m[7] * e[1] + m[11] * e[2] + m[15];
        // At or behind the eye the projection folds over: the shape may be anywhere.
        if (!(w > 1e-6f))
            return kEverywhere;
        const float x = (m[0] * e[0] + m[4] * e[1] + m[8] * e[2] + m[12]) / w;
        const float y = (m[1] * e[0] + m[5] * e[1] + m[9] * e[2] + m[13]) / w;
        if (i == first) {
            minX = maxX = x;
            minY = maxY = y;
        } else {
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    // Normalised device coordinates run from -1 to 1 across the viewport.
    const float marginX = marginPixels * 2.0f / static_cast<float>(viewportWidth_);
    const float marginY = marginPixels * 2.0f / static_cast<float>(viewportHeight_);
    auto cell = [](float ndc) {
        const float at = (ndc + 1.0f) * 0.5f * static_cast<float>(kGridSize);
        return static_cast<int>(std::floor(std::clamp(at, -1.0f, static_cast<float>(kGridSize))));
    };
    Cells cells{cell(minX - marginX), cell(minY - marginY), cell(maxX + marginX), cell(maxY + marginY)};
    if (cells.x1 < 0 || cells.y1 < 0 || cells.x0 >= kGridSize || cells.y0 >= kGridSize)
        return Cells{1, 1, 0, 0};  // off screen: it touches nothing
    cells.x0 = std::max(cells.x0, 0);
    cells.y0 = std::max(cells.y0, 0);
    cells.x1 = std::min(cells.x1, kGridSize - 1);
    cells.y1 = std::min(cells.y1, kGridSize - 1);
    return cells;
}

namespace {

// The bits from [x0] to [x1] (inclusive, 0 to 63) of one word.
uint64_t wordMask(int x0, int x1) {
    const uint64_t upTo = x1 >= 63 ? ~uint64_t{0} : (uint64_t{1} << (x1 + 1)) - 1;
    return upTo & ~((uint64_t{1} << x0) - 1);
}

}  // namespace

bool ShapeBatch::touchesPendingLines(const Cells& cells) const {
    if (cells.x0 > cells.x1)
        return false;
    const int y0 = std::max(cells.y0, markedRowFirst_);
    const int y1 = std::min(cells.y1, markedRowLast_);
    for (int y = y0; y <= y1; ++y) {
        const uint64_t* row = &lineCells_[static_cast<std::size_t>(y) * kRowWords];
        for (int w = cells.x0 / 64; w <= cells.x1 / 64; ++w) {
            const uint64_t mask = wordMask(std::max(cells.x0 - 64 * w, 0), std::min(cells.x1 - 64 * w, 63));
            if ((row[w] & mask) != 0)
                return true;
        }
    }
    return false;
}

void ShapeBatch::appendLines(uint32_t first, uint32_t count) {
    const Cells cells = cellsOf(first, count, lineWidthPixels_ * 0.5f + kEdgePixels);
    if (cells.x0 <= cells.x1) {
        for (int y = cells.y0; y <= cells.y1; ++y) {
            uint64_t* row = &lineCells_[static_cast<std::size_t>(y) * kRowWords];
            for (int w = cells.x0 / 64; w <= cells.x1 / 64; ++w)
                row[w] |= wordMask(std::max(cells.x0 - 64 * w, 0), std::min(cells.x1 - 64 * w, 63));
        }
        markedRowFirst_ = std::min(markedRowFirst_, cells.y0);
        markedRowLast_ = std::max(markedRowLast_, cells.y1);
    }
    // GL drops the odd vertex of a line list.
    for (uint32_t i = 0; i + 1 < count; i += 2) {
        lineIndices_.push_back(first + i);
        lineIndices_.push_back(first + i + 1);
    }
}

void ShapeBatch::clearLineCells() {
    if (markedRowLast_ >= markedRowFirst_) {
        std::fill(lineCells_.begin() + static_cast<std::ptrdiff_t>(markedRowFirst_) * kRowWords,
                  lineCells_.begin() + static_cast<std::ptrdiff_t>(markedRowLast_ + 1) * kRowWords, 0);
    }
    markedRowFirst_ = kGridSize;
    markedRowLast_ = -1;
}

void ShapeBatch::drawPending() {
    drawTriangles();
    drawLines();
}

void ShapeBatch::flush() {
    // A shape still open keeps its vertices; they are drawn when it ends.
    if (shapeOpen_) {
        drawPending();
        return;
    }
    drawPending();
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
    // Blending is always on (source alpha, one minus source alpha). For opaque pixels it writes
    // the source unchanged, alpha included, so opaque triangles skip it: the rasteriser then
    // neither reads the colour buffer to blend nor does the arithmetic.
    if (trianglesOpaque_)
        glDisable(GL_BLEND);
    drawIndexed(GL_TRIANGLES, indices_, trianglesDepthTest_, trianglesTexture_);
    if (trianglesOpaque_)
        glEnable(GL_BLEND);
    indices_.clear();
    trianglesOpaque_ = true;
}

void ShapeBatch::drawLines() {
    if (lineIndices_.empty())
        return;
    drawIndexed(GL_LINES, lineIndices_, linesDepthTest_, 0);
    lineIndices_.clear();
    clearLineCells();
}

void ShapeBatch::drawIndexed(unsigned mode, const std::vector<uint32_t>& indices, bool depthTest,
                             unsigned texture) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), vertices_.data()->position);
    glColorPointer(4, GL_FLOAT, sizeof(Vertex), vertices_.data()->colour);
    // Every shape here has one colour. Flat shading hands it to the pixels as it was given, as
    // a shape drawn alone in the current colour gets it; interpolating equal colours can round
    // a channel differently where it falls halfway between two levels.
    glShadeModel(GL_FLAT);
    applyDepthTest(depthTest);
    beginTextured(texture);
    // The range spares the driver a scan of the indices for the vertices to fetch, and it is the
    // range these indices use: the driver copies and transforms every vertex in it, and a list
    // drawn before a shape that lands on a pending line may use only the last few of thousands.
    const auto [lowest, highest] = std::minmax_element(indices.begin(), indices.end());
    glDrawRangeElements(mode, *lowest, *highest, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT,
                        indices.data());
    endTextured(texture);
    glShadeModel(GL_SMOOTH);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
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
    applyDepthTest(shapeDepthTest_);
    beginTextured(shapeTexture_);
    glDrawArrays(shapeMode_, static_cast<GLint>(first), static_cast<GLsizei>(count));
    endTextured(shapeTexture_);
    if (shapeColourVaries_)
        glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void ShapeBatch::applyDepthTest(bool enabled) {
    if (enabled == depthTestApplied_)
        return;
    depthTestApplied_ = enabled;
    if (enabled)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
}

void ShapeBatch::clearVertices() {
    vertices_.clear();
    texCoords_.clear();
    indices_.clear();
    trianglesOpaque_ = true;
    texCoordsActive_ = false;
    lineIndices_.clear();
    clearLineCells();
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
