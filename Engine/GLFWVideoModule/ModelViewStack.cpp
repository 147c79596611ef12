#include "Engine/GLFWVideoModule/ModelViewStack.h"

#include <cmath>

namespace {

constexpr ModelViewStack::Matrix kIdentity = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                                              0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};

}  // namespace

ModelViewStack::ModelViewStack() {
    stack_.reserve(kMaxDepth);
    stack_.push_back(kIdentity);
}

void ModelViewStack::push() {
    if (stack_.size() < kMaxDepth)
        stack_.push_back(stack_.back());
}

void ModelViewStack::pop() {
    if (stack_.size() > 1)
        stack_.pop_back();
}

void ModelViewStack::loadIdentity() {
    stack_.back() = kIdentity;
}

void ModelViewStack::translate(float x, float y, float z) {
    // Only the last column changes: m * T adds x, y and z times the first three columns.
    Matrix& m = stack_.back();
    for (int row = 0; row < 4; ++row)
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
}

void ModelViewStack::scale(float x, float y, float z) {
    Matrix& m = stack_.back();
    for (int row = 0; row < 4; ++row) {
        m[row] *= x;
        m[4 + row] *= y;
        m[8 + row] *= z;
    }
}

void ModelViewStack::rotate(float degrees, float x, float y, float z) {
    // The angle goes through double as GL's own rotation does, so the sine and cosine come out
    // the same as when GL built the matrix.
    const double radians = static_cast<double>(degrees) * 3.14159265358979323846 / 180.0;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    Matrix r = kIdentity;
    if (x == 0.0f && y == 0.0f) {
        // About z, the common case for a 2D board: no normalisation, exact zeros elsewhere.
        const float sz = z < 0.0f ? -s : s;
        if (z == 0.0f)
            return;
        r[0] = c;
        r[5] = c;
        r[1] = sz;
        r[4] = -sz;
    } else if (y == 0.0f && z == 0.0f) {
        const float sx = x < 0.0f ? -s : s;
        r[5] = c;
        r[10] = c;
        r[6] = sx;
        r[9] = -sx;
    } else if (x == 0.0f && z == 0.0f) {
        const float sy = y < 0.0f ? -s : s;
        r[0] = c;
        r[10] = c;
        r[8] = sy;
        r[2] = -sy;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f)
            return;
        x /= length;
        y /= length;
        z /= length;
        const float oneMinusC = 1.0f - c;
        r[0] = oneMinusC * x * x + c;
        r[4] = oneMinusC * x * y - z * s;
        r[8] = oneMinusC * z * x + y * s;
        r[1] = oneMinusC * x * y + z * s;
        r[5] = oneMinusC * y * y + c;
        r[9] = oneMinusC * y * z - x * s;
        r[2] = oneMinusC * z * x - y * s;
        r[6] = oneMinusC * y * z + x * s;
        r[10] = oneMinusC * z * z + c;
    }
    multiply(r);
}

void ModelViewStack::multiply(const Matrix& right) {
    const Matrix left = stack_.back();
    Matrix& m = stack_.back();
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            m[column * 4 + row] = left[row] * right[column * 4] + left[4 + row] * right[column * 4 + 1] +
                                  left[8 + row] * right[column * 4 + 2] +
                                  left[12 + row] * right[column * 4 + 3];
        }
    }
}
