// A TrueType face on FreeType, opened at the engine's font pixel size, rendering 8-bit coverage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Engine/FontFace.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;

class FreeTypeFontFace : public FontFace {
  public:
    // Opens the font file at [path] with [library]; null when FreeType cannot open it or set its
    // size. The library must outlive the face.
    static std::unique_ptr<FreeTypeFontFace> open(FT_LibraryRec_* library, const std::string& path);
    // The same for a font file's [bytes], which the face keeps for its life.
    static std::unique_ptr<FreeTypeFontFace> openBytes(FT_LibraryRec_* library, std::vector<uint8_t> bytes);
    ~FreeTypeFontFace() override;
    FreeTypeFontFace(const FreeTypeFontFace&) = delete;
    FreeTypeFontFace& operator=(const FreeTypeFontFace&) = delete;

    // Text bytes are taken as Latin-1 code points, which are also their Unicode values.
    bool renderGlyph(int character, GlyphBitmap& out) override;
    bool renderGlyphAt(int character, int pixelSize, GlyphBitmap& out) override;

  private:
    explicit FreeTypeFontFace(FT_FaceRec_* face) : face_(face) {}
    static std::unique_ptr<FreeTypeFontFace> sized(FT_FaceRec_* face);
    std::vector<uint8_t> bytes_;  // what a face opened from memory reads
    FT_FaceRec_* face_;
    int pixelSize_ = kFontPixelSize;  // the size the face is set to now
};
