// Shapes waiting to be drawn. Consecutive filled shapes of one colour each (quads, triangles,
// fans and strips) on the same texture, or on none, are merged into one indexed triangle list, so
// a crowd of entities or a line of text costs one driver call instead of one per shape. Shapes
// with per-vertex colours and line shapes are drawn on their own, as their own primitive.
// Vertices arrive in eye coordinates (the model-view matrix already applied) with their own
// colour. The texture is part of each shape, not GL state: the batch binds it when it draws.
//
// Invariant: what is pending has been drawn under the GL state in force now. Whoever changes
// state a pending shape depends on (projection, viewport, depth test or writes, line width,
// blending), deletes a texture, or reads or clears the framebuffer flushes first.
#pragma once

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

    // Draws everything pending, in the order it arrived.
    void flush();
    // Forgets everything pending without drawing it (the context it was meant for is gone).
    void discard();

  private:
    void appendTriangles(uint32_t first, uint32_t count);
    void drawTriangles();
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
    std::vector<float> texCoords_;   // u, v per vertex; kept only once a vertex had coordinates
    std::vector<uint32_t> indices_;  // the merged triangles, three per triangle
    bool trianglesOpaque_ = true;    // every merged shape has alpha 1
};
