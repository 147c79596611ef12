// A TrueType font: its face, the glyphs made so far, and the one atlas texture all its glyphs are
// packed into, so a line of text is drawn from a single texture. Glyph lengths are in units of
// the text height, so text of height h draws glyph quads h times as large.
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
    Font(std::string name, std::unique_ptr<FontFace> face);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const std::string& getName() const { return name_; }
    // The glyph of [character] (its byte value), rendered into the atlas on first use.
    const Glyph& getGlyph(unsigned char character);
    // The atlas texture with every glyph made so far, uploaded again through [video] when glyphs
    // were added since the last call; null when the device refused it.
    const Texture* prepareTexture(VideoModule& video);
    // Texture coordinates of the glyph's cell: left, top, right, bottom.
    std::array<float, 4> getTexCoords(const Glyph& glyph) const;
    // Deletes the atlas texture through [video] and forgets every glyph, which is rendered
    // again on next use (the window and its textures were replaced).
    void releaseGlyphs(VideoModule& video);

    // Glyph lengths from a rendering: empty bitmaps and zero metrics give an empty glyph that only
    // advances the pen (never a division by zero).
    static Glyph measureGlyph(int character, const GlyphBitmap& bitmap);

    int getAtlasWidth() const { return static_cast<int>(atlas_.width); }
    int getAtlasHeight() const { return static_cast<int>(atlas_.height); }
    std::size_t getGlyphCount() const;

  private:
    bool placeCell(int width, int height, int& x, int& y);
    void growAtlas();

    std::string name_;
    std::unique_ptr<FontFace> face_;
    std::array<std::optional<Glyph>, 256> glyphs_;
    Image atlas_;
    // Shelf packing: cells fill a row left to right; the next row starts below the tallest.
    int shelfX_ = 0;
    int shelfY_ = 0;
    int shelfHeight_ = 0;
    bool atlasChanged_ = true;
    std::unique_ptr<Texture> texture_;
};
