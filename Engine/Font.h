// A TrueType font: its face, the glyphs made so far, and per size band the one atlas texture all
// that band's glyphs are packed into, so a line of text is drawn from a single texture. Glyph lengths are in
// units of the text height, so text of height h draws glyph quads h times as large.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Engine/FontFace.h"
#include "Engine/Image.h"

class Texture;
class VideoModule;

struct Glyph {
    float width = 0.0f;        // quad width
    float height = 0.0f;       // quad height
    float advance = 0.0f;      // pen distance to the next glyph
    float descent = 0.0f;      // how far the quad's bottom lies below the baseline
    float leftBearing = 0.0f;  // quad's offset from the pen
    int character = 0;
    // The glyph's cell in the atlas, in pixels from the top-left corner: the coverage with a
    // one-pixel transparent border, which keeps linear filtering from bleeding neighbours in.
    // An empty glyph has no cell (cellWidth 0).
    int cellX = 0;
    int cellY = 0;
    int cellWidth = 0;
    int cellHeight = 0;

    bool isEmpty() const { return cellWidth == 0; }
};

class Font {
  public:
    // Glyphs are made at these pixel sizes, each size in its own atlas: band 0 is the size the
    // face opens at, which lays text out; text drawn taller on screen is drawn from the glyphs of
    // the smallest band at least as tall (the largest past it), so it is never scaled up by more
    // than a few percent and keeps clean edges.
    // Each band is an eighth of an octave above the last, so a glyph is drawn within a few
    // percent of the size it was made at.
    static constexpr int kBandPixelSizes[] = {32,  36,  40,  45,  51,  57,  64,  72,  81, 91,
                                              102, 114, 128, 144, 161, 181, 203, 228, 256};
    static constexpr int kBandCount = static_cast<int>(sizeof(kBandPixelSizes) / sizeof(int));
    // The band for text whose height is [pixels] on screen: 0 up to 32 pixels (and for 0, no
    // device).
    static int bandForPixels(float pixels);

    Font(std::string name, std::unique_ptr<FontFace> face);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const std::string& getName() const { return name_; }
    // The glyph of [character] (its byte value) in [band], rendered into that band's atlas on
    // first use. Its lengths are in units of the text height at every band. A band the face
    // cannot render gives empty glyphs.
    const Glyph& getGlyph(unsigned char character, int band = 0);
    // The band's atlas texture with every glyph made so far, uploaded again through [video]
    // when glyphs were added since the last call; null when the device refused it.
    const Texture* prepareTexture(VideoModule& video, int band = 0);
    // Texture coordinates of the glyph's cell in its band's atlas: left, top, right, bottom.
    std::array<float, 4> getTexCoords(const Glyph& glyph, int band = 0) const;
    // Deletes every atlas texture through [video] and forgets every glyph, which is rendered
    // again on next use (the window and its textures were replaced).
    void releaseGlyphs(VideoModule& video);

    // Glyph lengths from a rendering at [pixelSize]: empty bitmaps and zero metrics give an empty
    // glyph that only advances the pen (never a division by zero).
    static Glyph measureGlyph(int character, const GlyphBitmap& bitmap, int pixelSize = kFontPixelSize);

    // Band 0's atlas and glyphs.
    int getAtlasWidth() const { return static_cast<int>(bands_[0].atlas.width); }
    int getAtlasHeight() const { return static_cast<int>(bands_[0].atlas.height); }
    std::size_t getGlyphCount() const;

  private:
    struct Band {
        std::array<std::optional<Glyph>, 256> glyphs;
        Image atlas;
        // Shelf packing: cells fill a row left to right; the next row starts below the tallest.
        int shelfX = 0;
        int shelfY = 0;
        int shelfHeight = 0;
        bool atlasChanged = true;
        std::unique_ptr<Texture> texture;
    };

    static bool placeCell(Band& band, int width, int height, int& x, int& y);
    static void growAtlas(Band& band);
    static void resetBand(Band& band, int index);

    std::string name_;
    std::unique_ptr<FontFace> face_;
    std::array<Band, kBandCount> bands_;
};
