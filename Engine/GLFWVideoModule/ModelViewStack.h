// The model-view matrix stack, kept on the CPU so that shapes drawn under different matrices can
// share one draw call: vertices are transformed here and GL's own model-view stays the identity.
#pragma once

#include <array>
#include <vector>

class ModelViewStack {
  public:
    // Column-major, as GL stores it: element (row, column) is at [column * 4 + row].
    using Matrix = std::array<float, 16>;

    ModelViewStack();

    // The stack holds at most kMaxDepth matrices, as GL's model-view stack does: a push on a full
    // stack and a pop of the last matrix are ignored, so unbalanced callers see what they saw
    // when GL kept the matrices.
    static constexpr std::size_t kMaxDepth = 32;
    void push();
    void pop();
    // Replaces the current matrix with the identity (the stack below is kept).
    void loadIdentity();
    // Each multiplies the current matrix on the right, as the GL operations of the same names do.
    void translate(float x, float y, float z);
    // [degrees] about the axis (x, y, z), which need not be of unit length.
    void rotate(float degrees, float x, float y, float z);
    void scale(float x, float y, float z);

    const Matrix& top() const { return stack_.back(); }
    std::size_t getDepth() const { return stack_.size(); }
    // The eye coordinates of the object point (x, y, z). The operations above keep the bottom row
    // (0, 0, 0, 1), so w stays 1 and three coordinates say everything.
    void transform(float x, float y, float z, float out[3]) const {
        const Matrix& m = stack_.back();
        out[0] = m[0] * x + m[4] * y + m[8] * z + m[12];
        out[1] = m[1] * x + m[5] * y + m[9] * z + m[13];
        out[2] = m[2] * x + m[6] * y + m[10] * z + m[14];
    }

  private:
    void multiply(const Matrix& right);

    std::vector<Matrix> stack_;
};
