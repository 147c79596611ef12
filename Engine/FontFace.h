// A typeface that renders single characters: what a font needs from the platform's font
// rasteriser. Faces are opened at a pixel size of 32 by the video module, and may render at
// other sizes for text drawn larger.
#pragma once

#include <cstdint>
#include <vector>

// One rendered character. Metrics are in 26.6 fixed point (64ths of a pixel).
struct GlyphBitmap {
    int width = 0;  // pixels
    int rows = 0;
    std::vector<uint8_t> coverage;  // width x rows, 0..255, top row first
    int64_t metricWidth = 0;
    int64_t metricHeight = 0;
    int64_t horiBearingX = 0;
    int64_t horiBearingY = 0;
    int64_t horiAdvance = 0;
    int64_t advanceX = 0;  // the pen's advance, used for glyphs with nothing to draw
};

class FontFace {
  public:
    virtual ~FontFace() = default;
    // Renders [character] (a byte of the text, 0..255) into [out]; false when the face has no
    // way to render it, which the font treats as an empty glyph.
    virtual bool renderGlyph(int character, GlyphBitmap& out) = 0;
    // The same at a pixel size of [pixelSize] (metrics in 64ths of a pixel of that size). A face
    // that renders only at kFontPixelSize says false for every other size.
    virtual bool renderGlyphAt(int character, int pixelSize, GlyphBitmap& out);
};

// The pixel size faces are opened at; glyph lengths are relative to it, and text is laid out
// with the glyphs of this size whatever size it is drawn at.
inline constexpr int kFontPixelSize = 32;

inline bool FontFace::renderGlyphAt(int character, int pixelSize, GlyphBitmap& out) {
    return pixelSize == kFontPixelSize && renderGlyph(character, out);
}
