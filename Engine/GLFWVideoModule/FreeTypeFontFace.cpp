#include "Engine/GLFWVideoModule/FreeTypeFontFace.h"

#include <cstdlib>

#include <ft2build.h>
#include FT_FREETYPE_H

std::unique_ptr<FreeTypeFontFace> FreeTypeFontFace::open(FT_LibraryRec_* library, const std::string& path) {
    if (library == nullptr)
        return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0)
        return nullptr;
    return sized(face);
}

std::unique_ptr<FreeTypeFontFace> FreeTypeFontFace::openBytes(FT_LibraryRec_* library,
                                                              std::vector<uint8_t> bytes) {
    if (library == nullptr || bytes.empty())
        return nullptr;
    FT_Face face = nullptr;
    // FreeType reads the bytes for as long as the face lives: they move into it. A vector's
    // storage stays where it is when the vector is moved.
    if (FT_New_Memory_Face(library, bytes.data(), static_cast<FT_Long>(bytes.size()), 0, &face) != 0)
        return nullptr;
    std::unique_ptr<FreeTypeFontFace> opened = sized(face);
    if (opened != nullptr)
        opened->bytes_ = std::move(bytes);
    return opened;
}

std::unique_ptr<FreeTypeFontFace> FreeTypeFontFace::sized(FT_FaceRec_* face) {
    if (FT_Set_Pixel_Sizes(face, 0, kFontPixelSize) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    return std::unique_ptr<FreeTypeFontFace>(new FreeTypeFontFace(face));
}

FreeTypeFontFace::~FreeTypeFontFace() {
    FT_Done_Face(face_);
}

bool FreeTypeFontFace::renderGlyph(int character, GlyphBitmap& out) {
    return renderGlyphAt(character, kFontPixelSize, out);
}

bool FreeTypeFontFace::renderGlyphAt(int character, int pixelSize, GlyphBitmap& out) {
    out = GlyphBitmap{};
    if (pixelSize <= 0)
        return false;
    if (pixelSize != pixelSize_) {
        if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
            pixelSize_ = 0;  // unknown: set again next time
            return false;
        }
        pixelSize_ = pixelSize;
    }
    const FT_UInt index = FT_Get_Char_Index(face_, static_cast<FT_ULong>(character));
    if (FT_Load_Glyph(face_, index, FT_LOAD_RENDER) != 0)
        return false;
    const FT_GlyphSlot slot = face_->glyph;
    const FT_Glyph_Metrics& metrics = slot->metrics;
    out.metricWidth = metrics.width;
    out.metricHeight = metrics.height;
    out.horiBearingX = metrics.horiBearingX;
    out.horiBearingY = metrics.horiBearingY;
    out.horiAdvance = metrics.horiAdvance;
    out.advanceX = slot->advance.x;
    const FT_Bitmap& bitmap = slot->bitmap;
    // Only 8-bit coverage is taken; anything else draws as an empty glyph that still advances.
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.buffer == nullptr || bitmap.width == 0 ||
        bitmap.rows == 0)
        return true;
    out.width = static_cast<int>(bitmap.width);
    out.rows = static_cast<int>(bitmap.rows);
    out.coverage.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.rows));
    // Rows are pitch bytes apart (more than the width when padded); a negative pitch stores the
    // bottom row first.
    const std::size_t pitch = static_cast<std::size_t>(std::abs(bitmap.pitch));
    for (int row = 0; row < out.rows; ++row) {
        const int stored = bitmap.pitch >= 0 ? row : out.rows - 1 - row;
        const unsigned char* in = bitmap.buffer + static_cast<std::size_t>(stored) * pitch;
        for (int column = 0; column < out.width; ++column)
            out.coverage[static_cast<std::size_t>(row) * out.width + column] = in[column];
    }
    return true;
}
