// The engine's 2D vector and position (script type REALPOINT): two floats, copied by value.
#pragma once

// A plain value with no invariant, so the components are public: world code reads and writes
// them directly, and the script members "x" and "y" map onto them one to one.
struct RealPoint {
    float x = 0.0f;
    float y = 0.0f;

    constexpr RealPoint() = default;
    constexpr RealPoint(float xValue, float yValue) : x(xValue), y(yValue) {}

    float length() const;
    // In place: unit length, or (0, 0) when the length is 0.
    void normalize();
    RealPoint getNormalized() const;
    // Exactly (0, 0); no tolerance.
    bool isZeroVector() const { return x == 0.0f && y == 0.0f; }
    RealPoint getRightNormal() const { return {y, -x}; }
    RealPoint getLeftNormal() const { return {-y, x}; }
    float dot(const RealPoint& other) const { return x * other.x + y * other.y; }
    float distance(const RealPoint& other) const;
    // Length of this point along [onto]'s direction; 0 when [onto] is the zero vector.
    float scalarProjectOnto(const RealPoint& onto) const;
    RealPoint vectorProjectOnto(const RealPoint& onto) const;

    // Division by a zero number, or by a point with a zero component, is refused: scripts get
    // "divided by zero" instead of an infinity. Check before dividing.
    static bool canDivideBy(float divisor) { return divisor != 0.0f; }
    static bool canDivideBy(const RealPoint& divisor) { return divisor.x != 0.0f && divisor.y != 0.0f; }

    // The in-place forms of the operators. divideEquals leaves the point unchanged and returns
    // false when canDivideBy is false.
    void plusEquals(const RealPoint& p) { *this = *this + p; }
    void plusEquals(float n) { *this = *this + n; }
    void minusEquals(const RealPoint& p) { *this = *this - p; }
    void minusEquals(float n) { *this = *this - n; }
    void timesEquals(const RealPoint& p) { *this = *this * p; }
    void timesEquals(float n) { *this = *this * n; }
    bool divideEquals(const RealPoint& p);
    bool divideEquals(float n);

    // Per component; a number applies to both components. Division follows IEEE rules; callers
    // that must not produce infinities check canDivideBy first.
    friend RealPoint operator+(const RealPoint& a, const RealPoint& b) { return {a.x + b.x, a.y + b.y}; }
    friend RealPoint operator+(const RealPoint& a, float n) { return {a.x + n, a.y + n}; }
    friend RealPoint operator-(const RealPoint& a, const RealPoint& b) { return {a.x - b.x, a.y - b.y}; }
    friend RealPoint operator-(const RealPoint& a, float n) { return {a.x - n, a.y - n}; }
    friend RealPoint operator*(const RealPoint& a, const RealPoint& b) { return {a.x * b.x, a.y * b.y}; }
    friend RealPoint operator*(const RealPoint& a, float n) { return {a.x * n, a.y * n}; }
    friend RealPoint operator/(const RealPoint& a, const RealPoint& b) { return {a.x / b.x, a.y / b.y}; }
    friend RealPoint operator/(const RealPoint& a, float n) { return {a.x / n, a.y / n}; }
    friend bool operator==(const RealPoint& a, const RealPoint& b) = default;
};
