// The engine's RGB colour (script type COLOUR): three floats, nominally 0..1. Alpha is not part
// of a colour; the drawing calls take it beside one.
#pragma once

class Colour {
  public:
    constexpr Colour() = default;
    // Components are stored as given, not clamped.
    constexpr Colour(float red, float green, float blue) : red_(red), green_(green), blue_(blue) {}

    float getRed() const { return red_; }
    float getGreen() const { return green_; }
    float getBlue() const { return blue_; }
    // The setters clamp to [0, 1].
    void setRed(float value);
    void setGreen(float value);
    void setBlue(float value);

    // Components as 0..255 (truncated, saturating) and back (n / 255, clamped).
    int getRedIndexed() const;
    int getGreenIndexed() const;
    int getBlueIndexed() const;
    void setRedIndexed(int value);
    void setGreenIndexed(int value);
    void setBlueIndexed(int value);

    // sqrt(r² + g² + b²), not normalised: white gives about 1.732.
    float getBrightness() const;
    // In place: every component becomes the brightness.
    void makeGrayscale();
    Colour makeAsGrayscale() const;
    Colour makeWithIntensity(float intensity) const;

    // [a] t + [b] (1 - t) per component with [t] clamped to [0, 1]: t = 1 gives [a].
    static Colour makeInterpolated(float t, const Colour& a, const Colour& b);

    friend bool operator==(const Colour&, const Colour&) = default;

  private:
    float red_ = 0.0f;
    float green_ = 0.0f;
    float blue_ = 0.0f;
};
