// Shapes waiting to be drawn. Consecutive filled shapes of one colour each (quads, triangles,
// fans and strips) on the same texture, or on none, are merged into one indexed triangle list, so
// a crowd of entities or a line of text costs one driver call instead of one per shape. Untextured
// line lists of one colour each are merged the same way into one line list, drawn after the
// triangles: a filled shape that would land on a pending line on screen first has everything
// pending drawn, so that merging never changes which shape covers which. Other shapes (per-vertex
// colours, strips and loops of lines, points, textured lines) are drawn on their own, as their own
// primitive. Vertices arrive in eye coordinates (the model-view matrix already applied) with their
// own colour. The texture is part of each shape, not GL state: the batch binds it when it draws.
//
// The depth test is part of each shape too (lines are drawn without it, filled shapes mostly with
// it): the batch switches it as it draws each list, so a line between two circles does not cut
// the batch in two.
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

    // Draws everything pending, in the order it arrived.
    void flush();
    // Forgets everything pending without drawing it (the context it was meant for is gone).
    void discard();

  private:
    // Cells of a coarse grid over the viewport that a shape may touch; x0 > x1 for none.
    struct Cells {
        int x0, y0, x1, y1;
    };
    // Cells of about 3 by 2 pixels in an 800 by 450 area: fine enough that a crowd of small shapes
    // and lines rarely seems to touch where it does not.
    static constexpr int kGridSize = 256;
    static constexpr int kRowWords = kGridSize / 64;

    Cells cellsOf(uint32_t first, uint32_t count, float marginPixels) const;
    bool touchesPendingLines(const Cells& cells) const;
    void appendTriangles(uint32_t first, uint32_t count);
    void appendLines(uint32_t first, uint32_t count);
    // Past kFlushVertices: draws everything and hands it to the rasteriser.
    void flushIfFull();
    void clearLineCells();
    // Draws the merged triangles, then the merged lines; the vertices stay.
    void drawPending();
    void drawTriangles();
    void drawLines();
    // One merged list, its shapes of one colour each, under its depth test and texture.
    void drawIndexed(unsigned mode, const std::vector<uint32_t>& indices, bool depthTest, unsigned texture);
    void applyDepthTest(bool enabled);
    void drawShapeAlone(uint32_t first, uint32_t count);
    void clearVertices();
    void activateTexCoords();
    // Enables the shape's texture and coordinate array around a draw (nothing for texture 0).
    void beginTextured(unsigned texture);
    void endTextured(unsigned texture);

    static ShapeBatch* current_;

    bool shapeOpen_ = false;
    unsigned shapeMode_ = 0;
    unsigned shapeTexture_ = 0;
    unsigned trianglesTexture_ = 0;  // the texture of the merged triangles
    bool texCoordsActive_ = false;   // texCoords_ lines up with vertices_
    bool shapeColourVaries_ = false;
    uint32_t shapeFirst_ = 0;
    // One array, position and colour side by side: the driver copies one range per draw.
    struct Vertex {
        float position[3];  // eye coordinates
        float colour[4];
    };
    std::vector<Vertex> vertices_;
    std::vector<float> texCoords_;       // u, v per vertex; kept only once a vertex had coordinates
    std::vector<uint32_t> indices_;      // the merged triangles, three per triangle
    bool trianglesOpaque_ = true;        // every merged shape has alpha 1
    std::vector<uint32_t> lineIndices_;  // the merged lines, two per line
    // A bit per cell a pending line may touch, row by row; rows outside the marked range are clear.
    std::array<uint64_t, kGridSize * kRowWords> lineCells_{};
    int markedRowFirst_ = kGridSize;
    int markedRowLast_ = -1;

    float projection_[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int viewportWidth_ = 1;
    int viewportHeight_ = 1;
    float lineWidthPixels_ = 1.0f;

    bool depthTest_ = true;           // for shapes begun from now on
    bool shapeDepthTest_ = true;      // the open (or last) shape's
    bool trianglesDepthTest_ = true;  // the merged triangles'
    bool linesDepthTest_ = false;     // the merged lines'
    bool depthTestApplied_ = true;    // GL's
};
