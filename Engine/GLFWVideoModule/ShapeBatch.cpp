#include "Engine/GLFWVideoModule/ShapeBatch.h"

#include <algorithm>
#include <cmath>

#include <GL/gl.h>

namespace {

// Vertices merged since the last flush after which the batch is drawn at the next shape's end and
// handed to the rasteriser (glFlush): its threads then fill pixels while the rest of the frame is
// still being queued, and the driver's per-draw memory stays small enough to stay in the cache.
// Measured under llvmpipe with 10,000 default circles: 8,192 (about 370 circles) took the main
// thread from about 21 to 17-18 ms a frame and the frame from 80-120 to 58-90 ms on a loaded
// machine; 2,048 and 4,096 were no better, and a larger batch without glFlush gained nothing.
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
    shapeDepthTest_ = depthTest_;
    clearStaging();
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
    if (!vertices_.empty() && !std::equal(colour, colour + 4, vertices_.back().colour))
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
    if (vertices_.empty())
        return;
    if (isFilled(shapeMode_) && !shapeColourVaries_) {
        if (trianglesPending_ &&
            (shapeTexture_ != trianglesTexture_ || shapeDepthTest_ != trianglesDepthTest_)) {
            // With one layer its triangles can go alone: every pending line is drawn after them
            // anyway. Over several, a later layer may hold triangles that must wait for lines.
            if (layerCount_ == 1) {
                drawTriangles(layers_[0]);
                clearRows(triangleCells_);
            } else {
                drawPending();
            }
        }
        const Cells cells = cellsOf(kEdgePixels);
        int triangles = 0, lines = 0;
        highestLayers(cells, triangles, lines);
        // At or above every triangle it may cover, strictly above every line: a layer draws its
        // triangles before its lines.
        const int layer = openLayer(std::max({triangles - 1, lines, 0}));
        trianglesTexture_ = shapeTexture_;
        trianglesDepthTest_ = shapeDepthTest_;
        trianglesPending_ = true;
        mark(triangleCells_, cells, layer);
        Layer& into = layers_[static_cast<std::size_t>(layer)];
        // Colours are clamped to 1, so an alpha of 1 or more is opaque; a texture has its own alpha.
        if (!(vertices_.front().colour[3] >= 1.0f) || shapeTexture_ != 0)
            into.trianglesOpaque = false;
        appendTriangles(into);
        verticesSinceFlush_ += vertices_.size();
        flushIfFull();
        return;
    }
    if (shapeMode_ == GL_LINES && !shapeColourVaries_ && shapeTexture_ == 0) {
        // Lines drawn after the triangles under another depth test could not be told apart from
        // lines drawn before them by the depth buffer alone: keep to one state a list.
        if (linesPending_ && shapeDepthTest_ != linesDepthTest_)
            drawPending();
        const Cells cells = cellsOf(lineWidthPixels_ * 0.5f + kEdgePixels);
        int triangles = 0, lines = 0;
        highestLayers(cells, triangles, lines);
        // At or above every triangle and line it may cover.
        const int layer = openLayer(std::max({triangles - 1, lines - 1, 0}));
        linesDepthTest_ = shapeDepthTest_;
        linesPending_ = true;
        mark(lineCells_, cells, layer);
        appendLines(layers_[static_cast<std::size_t>(layer)]);
        verticesSinceFlush_ += vertices_.size();
        flushIfFull();
        return;
    }
    flush();
    drawShapeAlone();
}

int ShapeBatch::openLayer(int layer) {
    if (layer >= kMaxLayers) {
        drawPending();
        layer = 0;
    }
    if (static_cast<std::size_t>(layer) >= layers_.size())
        layers_.resize(static_cast<std::size_t>(layer) + 1);
    layerCount_ = std::max(layerCount_, layer + 1);
    return layer;
}

void ShapeBatch::flushIfFull() {
    if (verticesSinceFlush_ >= kFlushVertices) {
        flush();
        glFlush();
    }
}

void ShapeBatch::clearStaging() {
    vertices_.clear();
    texCoords_.clear();
    texCoordsActive_ = false;
}

void ShapeBatch::setView(const float projection[16], int viewportWidth, int viewportHeight) {
    std::copy(projection, projection + 16, projection_);
    viewportWidth_ = std::max(1, viewportWidth);
    viewportHeight_ = std::max(1, viewportHeight);
}

ShapeBatch::Cells ShapeBatch::cellsOf(float marginPixels) const {
    constexpr Cells kEverywhere{0, 0, kGridSize - 1, kGridSize - 1};
    const float* m = projection_;
    float minX = 0.0f, minY = 0.0f, maxX = 0.0f, maxY = 0.0f;
    for (std::size_t i = 0; i < vertices_.size(); ++i) {
        const float* e = vertices_[i].position;
        const float w = m[3] * e[0] + m[7] * e[1] + m[11] * e[2] + m[15];
        // At or behind the eye the projection folds over: the shape may be anywhere.
        if (!(w > 1e-6f))
            return kEverywhere;
        const float x = (m[0] * e[0] + m[4] * e[1] + m[8] * e[2] + m[12]) / w;
        const float y = (m[1] * e[0] + m[5] * e[1] + m[9] * e[2] + m[13]) / w;
        if (i == 0) {
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

void ShapeBatch::highestLayers(const Cells& cells, int& triangles, int& lines) const {
    uint8_t highestTriangle = 0, highestLine = 0;
    if (cells.x0 <= cells.x1) {
        const int y0 = std::max(cells.y0, markedRowFirst_);
        const int y1 = std::min(cells.y1, markedRowLast_);
        for (int y = y0; y <= y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * kGridSize;
            for (std::size_t x = row + static_cast<std::size_t>(cells.x0);
                 x <= row + static_cast<std::size_t>(cells.x1); ++x) {
                highestTriangle = std::max(highestTriangle, triangleCells_[x]);
                highestLine = std::max(highestLine, lineCells_[x]);
            }
        }
    }
    triangles = highestTriangle;
    lines = highestLine;
}

void ShapeBatch::mark(LayerGrid& grid, const Cells& cells, int layer) {
    if (cells.x0 > cells.x1)
        return;
    const auto value = static_cast<uint8_t>(layer + 1);
    for (int y = cells.y0; y <= cells.y1; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * kGridSize;
        for (std::size_t x = row + static_cast<std::size_t>(cells.x0);
             x <= row + static_cast<std::size_t>(cells.x1); ++x)
            grid[x] = std::max(grid[x], value);
    }
    markedRowFirst_ = std::min(markedRowFirst_, cells.y0);
    markedRowLast_ = std::max(markedRowLast_, cells.y1);
}

void ShapeBatch::clearRows(LayerGrid& grid) {
    if (markedRowLast_ < markedRowFirst_)
        return;
    std::fill(grid.begin() + static_cast<std::ptrdiff_t>(markedRowFirst_) * kGridSize,
              grid.begin() + static_cast<std::ptrdiff_t>(markedRowLast_ + 1) * kGridSize, uint8_t{0});
}

void ShapeBatch::clearCells() {
    clearRows(triangleCells_);
    clearRows(lineCells_);
    markedRowFirst_ = kGridSize;
    markedRowLast_ = -1;
}

void ShapeBatch::appendLines(Layer& layer) {
    const auto first = static_cast<uint32_t>(layer.lineVertices.size());
    const auto count = static_cast<uint32_t>(vertices_.size());
    // GL drops the odd vertex of a line list.
    layer.lineVertices.insert(layer.lineVertices.end(), vertices_.begin(), vertices_.begin() + (count & ~1u));
    for (uint32_t i = 0; i + 1 < count; i += 2) {
        layer.lines.push_back(first + i);
        layer.lines.push_back(first + i + 1);
    }
}

void ShapeBatch::drawPending() {
    for (int k = 0; k < layerCount_; ++k) {
        Layer& layer = layers_[static_cast<std::size_t>(k)];
        drawTriangles(layer);
        drawLines(layer);
    }
    layerCount_ = 0;
    trianglesPending_ = false;
    linesPending_ = false;
    clearCells();
}

void ShapeBatch::flush() {
    // A shape still open keeps its vertices; they are drawn when it ends.
    drawPending();
    verticesSinceFlush_ = 0;
}

void ShapeBatch::discard() {
    shapeOpen_ = false;
    clearStaging();
    for (int k = 0; k < layerCount_; ++k) {
        Layer& layer = layers_[static_cast<std::size_t>(k)];
        layer.triangleVertices.clear();
        layer.triangleTexCoords.clear();
        layer.triangles.clear();
        layer.trianglesOpaque = true;
        layer.lineVertices.clear();
        layer.lines.clear();
    }
    layerCount_ = 0;
    trianglesPending_ = false;
    linesPending_ = false;
    verticesSinceFlush_ = 0;
    clearCells();
}

// The triangles GL draws for the shape: a quad is cut along its diagonal from the first vertex
// to the third, as the driver cuts it (that decides the depth of a quad that is not flat); a
// strip alternates its winding. The shape has one colour, so the vertex that gives a triangle
// its colour does not matter.
void ShapeBatch::appendTriangles(Layer& layer) {
    const auto first = static_cast<uint32_t>(layer.triangleVertices.size());
    const auto count = static_cast<uint32_t>(vertices_.size());
    layer.triangleVertices.insert(layer.triangleVertices.end(), vertices_.begin(), vertices_.end());
    // Coordinates are kept only for textured triangles, and then for every vertex of the list.
    if (shapeTexture_ != 0)
        layer.triangleTexCoords.insert(layer.triangleTexCoords.end(), texCoords_.begin(), texCoords_.end());
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
    const std::size_t start = layer.triangles.size();
    layer.triangles.resize(start + static_cast<std::size_t>(triangles) * 3);
    uint32_t* out = layer.triangles.data() + start;
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

void ShapeBatch::drawTriangles(Layer& layer) {
    if (!layer.triangles.empty()) {
        // Blending is always on (source alpha, one minus source alpha). For opaque pixels it
        // writes the source unchanged, alpha included, so opaque triangles skip it: the
        // rasteriser then neither reads the colour buffer to blend nor does the arithmetic.
        if (layer.trianglesOpaque)
            glDisable(GL_BLEND);
        drawIndexed(GL_TRIANGLES, layer.triangleVertices, layer.triangleTexCoords, layer.triangles,
                    trianglesDepthTest_, trianglesTexture_);
        if (layer.trianglesOpaque)
            glEnable(GL_BLEND);
    }
    layer.triangleVertices.clear();
    layer.triangleTexCoords.clear();
    layer.triangles.clear();
    layer.trianglesOpaque = true;
}

void ShapeBatch::drawLines(Layer& layer) {
    if (!layer.lines.empty())
        drawIndexed(GL_LINES, layer.lineVertices, {}, layer.lines, linesDepthTest_, 0);
    layer.lineVertices.clear();
    layer.lines.clear();
}

void ShapeBatch::drawIndexed(unsigned mode, const std::vector<Vertex>& vertices,
                             const std::vector<float>& texCoords, const std::vector<uint32_t>& indices,
                             bool depthTest, unsigned texture) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), vertices.data()->position);
    glColorPointer(4, GL_FLOAT, sizeof(Vertex), vertices.data()->colour);
    // Every shape here has one colour. Flat shading hands it to the pixels as it was given, as
    // a shape drawn alone in the current colour gets it; interpolating equal colours can round
    // a channel differently where it falls halfway between two levels.
    glShadeModel(GL_FLAT);
    applyDepthTest(depthTest);
    beginTextured(texture, texCoords);
    // The range spares the driver a scan of the indices for the vertices to fetch; the list has
    // its own vertices, so the range is all of them.
    glDrawRangeElements(mode, 0, static_cast<GLuint>(vertices.size() - 1),
                        static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, indices.data());
    endTextured(texture);
    glShadeModel(GL_SMOOTH);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Draws the open shape as its own primitive: per-vertex colours are interpolated as GL
// interpolates them for that primitive, and a shape of one colour is drawn in that colour as the
// current one.
void ShapeBatch::drawShapeAlone() {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), vertices_.data()->position);
    if (shapeColourVaries_) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, sizeof(Vertex), vertices_.data()->colour);
    } else {
        glColor4fv(vertices_.front().colour);
    }
    applyDepthTest(shapeDepthTest_);
    beginTextured(shapeTexture_, texCoords_);
    glDrawArrays(shapeMode_, 0, static_cast<GLsizei>(vertices_.size()));
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

void ShapeBatch::beginTextured(unsigned texture, const std::vector<float>& texCoords) {
    if (texture == 0)
        return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
}

void ShapeBatch::endTextured(unsigned texture) {
    if (texture == 0)
        return;
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}
