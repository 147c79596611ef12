// Shapes waiting to be drawn. Filled shapes of one colour each (quads, triangles, fans and strips)
// on the same texture, or on none, are merged into indexed triangle lists, so a crowd of entities
// or a line of text costs a few driver calls instead of one per shape. Untextured line lists of one
// colour each are merged the same way into line lists. The merged shapes are kept in layers: layer
// k is drawn as its triangles then its lines, layers in increasing order, and each shape goes into
// the lowest layer that keeps every pair of shapes that may share a pixel in the order they
// arrived (a coarse grid over the screen tells which may). Shapes that share no pixel cannot
// change each other's pixels, the depth buffer included, so the picture is the one drawing each
// shape on its own would give. Other shapes (per-vertex colours, strips and loops of lines, points,
// textured lines) are drawn on their own, as their own primitive, after everything pending.
// Vertices arrive in eye coordinates (the model-view matrix already applied) with their own colour.
// The texture is part of each shape, not GL state: the batch binds it when it draws.
//
// The depth test is part of each shape too (lines are drawn without it, filled shapes mostly with
// it): the batch switches it as it draws each list, so a line between two circles does not cut
// the batch in two. All pending triangles share one texture and one depth test, and all pending
// lines one depth test: a shape that changes them first has what is pending drawn (only the
// triangles when everything pending is in one layer).
//
// Invariant: what is pending has been drawn under the GL state in force now. Whoever changes
// other state a pending shape depends on (projection, viewport, depth writes, line width,
// blending), deletes a texture, or reads or clears the framebuffer flushes first.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class ShapeBatch {
  public:
    ShapeBatch() = default;
    ShapeBatch(const ShapeBatch&) = delete;
    ShapeBatch& operator=(const ShapeBatch&) = delete;
    ~ShapeBatch();

    // The batch that draws into the GL context current on this thread, or null. Code that reads
    // pixels without going through the video module flushes it first (flushCurrent).
    static void setCurrent(ShapeBatch* batch);
    static void flushCurrent();

    // [mode] is the GL primitive of the shape; an unknown mode is kept and drawn on its own, so
    // GL reports it as before. [texture] is the GL texture it is drawn with, 0 for none; its
    // vertices without coordinates take (0, 0).
    void beginShape(unsigned mode, unsigned texture = 0);
    // [eye] is x, y, z in eye coordinates; [colour] is r, g, b, a.
    void addVertex(const float eye[3], const float colour[4]);
    void addTexturedVertex(const float eye[3], const float colour[4], float u, float v);
    void endShape();
    bool isShapeOpen() const { return shapeOpen_; }

    // The projection (column-major, as GL keeps it) that takes the pending shapes' eye coordinates
    // to the screen, the viewport's size in pixels and the line width in pixels: where on screen a
    // shape lands. Whoever changes them flushes first.
    void setView(const float projection[16], int viewportWidth, int viewportHeight);
    void setLineWidth(float pixels) { lineWidthPixels_ = pixels; }
    // Whether shapes begun from now on are drawn with the depth test.
    void setDepthTest(bool enabled) { depthTest_ = enabled; }
    // A new context: GL's depth test is [enabled] now.
    void resetDepthTestApplied(bool enabled) { depthTestApplied_ = enabled; }

    // Draws everything pending, as if in the order it arrived.
    void flush();
    // Forgets everything pending without drawing it (the context it was meant for is gone).
    void discard();

    // Layers a flush may hold; a shape that needs one more has everything pending drawn first and
    // starts again at layer 0. A chain of overlaps that deep already costs two draws a layer, so
    // the cap only bounds the lists kept and what a draw walks; a cell keeps a layer in a byte.
    static constexpr int kMaxLayers = 32;

  private:
    // Cells of a coarse grid over the viewport that a shape may touch; x0 > x1 for none.
    struct Cells {
        int x0, y0, x1, y1;
    };
    // Cells of about 3 by 2 pixels in an 800 by 450 area: fine enough that a crowd of small shapes
    // and lines rarely seems to touch where it does not.
    static constexpr int kGridSize = 256;
    // Per cell, one more than the highest layer of a pending shape that may touch it; 0 for none.
    using LayerGrid = std::array<uint8_t, kGridSize * kGridSize>;

    // One array, position and colour side by side: the driver copies one range per draw.
    struct Vertex {
        float position[3];  // eye coordinates
        float colour[4];
    };
    // Each list has its own vertices, copied in when a shape ends, so a draw's range holds only
    // the vertices of its own list: the driver copies and transforms every vertex in the range.
    struct Layer {
        std::vector<Vertex> triangleVertices;
        std::vector<float> triangleTexCoords;  // u, v per vertex while the triangles are textured
        std::vector<uint32_t> triangles;       // three per triangle
        bool trianglesOpaque = true;           // every merged shape has alpha 1
        std::vector<Vertex> lineVertices;
        std::vector<uint32_t> lines;  // two per line
    };

    // The open shape's cells, [marginPixels] around its outline.
    Cells cellsOf(float marginPixels) const;
    // The highest layers of pending triangles and lines in [cells], each one more than the layer
    // and 0 for none.
    void highestLayers(const Cells& cells, int& triangles, int& lines) const;
    void mark(LayerGrid& grid, const Cells& cells, int layer);
    // [layer] made ready for the open shape: past kMaxLayers, everything pending is drawn and the
    // shape goes into layer 0.
    int openLayer(int layer);
    void appendTriangles(Layer& layer);
    void appendLines(Layer& layer);
    // Past kFlushVertices: draws everything and hands it to the rasteriser.
    void flushIfFull();
    // Clears the marked rows of [grid]; clearCells clears both grids and forgets the marks.
    void clearRows(LayerGrid& grid);
    void clearCells();
    void clearStaging();
    // Draws every layer, each its triangles then its lines, and empties them.
    void drawPending();
    void drawTriangles(Layer& layer);
    void drawLines(Layer& layer);
    // One merged list, its shapes of one colour each, under its depth test and texture.
    void drawIndexed(unsigned mode, const std::vector<Vertex>& vertices, const std::vector<float>& texCoords,
                     const std::vector<uint32_t>& indices, bool depthTest, unsigned texture);
    void applyDepthTest(bool enabled);
    void drawShapeAlone();
    void activateTexCoords();
    // Enables [texture] and the coordinate array [texCoords] around a draw (nothing for texture 0).
    // A texture other than 0 always comes with coordinates.
    void beginTextured(unsigned texture, const std::vector<float>& texCoords);
    void endTextured(unsigned texture);

    static ShapeBatch* current_;

    bool shapeOpen_ = false;
    unsigned shapeMode_ = 0;
    unsigned shapeTexture_ = 0;
    bool shapeColourVaries_ = false;
    // The open shape's vertices, and its coordinates once one had them or it has a texture.
    std::vector<Vertex> vertices_;
    std::vector<float> texCoords_;
    bool texCoordsActive_ = false;  // texCoords_ lines up with vertices_

    // Layers in use: [0, layerCount_) of layers_, which keeps the rest for their memory.
    std::vector<Layer> layers_;
    int layerCount_ = 0;
    bool trianglesPending_ = false;
    bool linesPending_ = false;
    unsigned trianglesTexture_ = 0;  // the texture of the pending triangles
    // Vertices merged since the last flush, drawn early or not: what kFlushVertices counts.
    std::size_t verticesSinceFlush_ = 0;
    LayerGrid triangleCells_{};
    LayerGrid lineCells_{};
    // Rows outside the marked range are clear in both grids.
    int markedRowFirst_ = kGridSize;
    int markedRowLast_ = -1;

    float projection_[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int viewportWidth_ = 1;
    int viewportHeight_ = 1;
    float lineWidthPixels_ = 1.0f;

    bool depthTest_ = true;           // for shapes begun from now on
    bool shapeDepthTest_ = true;      // the open (or last) shape's
    bool trianglesDepthTest_ = true;  // the pending triangles'
    bool linesDepthTest_ = false;     // the pending lines'
    bool depthTestApplied_ = true;    // GL's
};
