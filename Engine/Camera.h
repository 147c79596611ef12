// The world view's camera: a position, a tilt about the x axis, and bounds the position is
// clamped to when read (the stored position is never changed by the bounds).
#pragma once

class Camera {
  public:
    void setPos(float x, float y, float z) {
        x_ = x;
        y_ = y;
        z_ = z;
    }
    // Clamped to the bounds while clamping is on.
    float getPosX() const;
    float getPosY() const;
    float getPosZ() const;

    void setTiltDegrees(float tilt) { tiltDegrees_ = tilt; }
    float getTiltDegrees() const { return tiltDegrees_; }

    void setBounds(float minX, float minY, float minZ, float maxX, float maxY, float maxZ);
    void setIsClamping(bool clamping) { clamping_ = clamping; }
    bool isClamping() const { return clamping_; }

  private:
    // Wide enough that an unbounded camera never meets them.
    static constexpr float kNoBound = 9999999.0f;

    float x_ = 0.0f;
    float y_ = 0.0f;
    // Far enough above the board that its default extent fills the view.
    float z_ = 2688.0f;
    float tiltDegrees_ = 0.0f;
    float min_[3] = {-kNoBound, -kNoBound, -kNoBound};
    float max_[3] = {kNoBound, kNoBound, kNoBound};
    bool clamping_ = true;
};
