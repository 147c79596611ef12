#include "Engine/Font.h"

#include <algorithm>
#include <utility>

#include "Engine/Texture.h"
#include "Engine/VideoModule.h"

namespace {

// Glyph metrics are 26.6 fixed point at the face's pixel size; dividing by this makes them
// relative to a text height of 1.
constexpr double kMetricScale = kFontPixelSize * 64.0;
// A 32-pixel face's cells are about 20-40 pixels a side, so a 512-wide atlas holds the printable
// ASCII set in a 512 x 256 texture. It grows downwards, doubling, as glyphs arrive.
constexpr uint32_t kAtlasWidth = 512;
constexpr uint32_t kAtlasFirstHeight = 64;
constexpr uint32_t kAtlasMaxHeight = 4096;

Image blankAtlas(uint32_t height) {
    Image atlas;
    atlas.width = kAtlasWidth;
    atlas.height = height;
    // White and clear: the cells' borders and the gaps between cells, so filtering at a cell's
    // edge blends towards transparent white, never towards a neighbour.
    atlas.pixels.resize(static_cast<std::size_t>(kAtlasWidth) * height * 4);
    for (std::size_t i = 0; i < atlas.pixels.size(); i += 4) {
        atlas.pixels[i] = atlas.pixels[i + 1] = atlas.pixels[i + 2] = 255;
        atlas.pixels[i + 3] = 0;
    }
    return atlas;
}

}  // namespace

Font::Font(std::string name, std::unique_ptr<FontFace> face)
    : name_(std::move(name)), face_(std::move(face)), atlas_(blankAtlas(kAtlasFirstHeight)) {}

// The atlas texture must have been released through the video module (releaseGlyphs) while the
// device still existed; here it is only forgotten.
Font::~Font() = default;

Glyph Font::measureGlyph(int character, const GlyphBitmap& bitmap) {
    Glyph glyph;
    glyph.character = character;
    if (bitmap.width <= 0 || bitmap.rows <= 0 || bitmap.metricWidth <= 0 || bitmap.metricHeight <= 0) {
        glyph.advance = static_cast<float>(static_cast<double>(bitmap.advanceX) / kMetricScale);
        return glyph;
    }
    const double height = static_cast<double>(bitmap.metricHeight) / kMetricScale;
    const double width = height * (static_cast<double>(bitmap.width) / static_cast<double>(bitmap.rows));
    const double metricWidth = static_cast<double>(bitmap.metricWidth);
    const double metricHeight = static_cast<double>(bitmap.metricHeight);
    glyph.height = static_cast<float>(height);
    glyph.width = static_cast<float>(width);
    glyph.advance = static_cast<float>(width * (static_cast<double>(bitmap.horiAdvance) / metricWidth));
    glyph.descent =
        static_cast<float>(height * (metricHeight - static_cast<double>(bitmap.horiBearingY)) / metricHeight);
    glyph.leftBearing = static_cast<float>(width * (static_cast<double>(bitmap.horiBearingX) / metricWidth));
    return glyph;
}

const Glyph& Font::getGlyph(unsigned char character) {
    std::optional<Glyph>& slot = glyphs_[character];
    if (slot)
        return *slot;
    GlyphBitmap bitmap;
    if (face_ == nullptr || !face_->renderGlyph(character, bitmap))
        bitmap = GlyphBitmap{};
    Glyph glyph = measureGlyph(character, bitmap);
    const bool coverageComplete = bitmap.coverage.size() >= static_cast<std::size_t>(bitmap.width) *
                                                                static_cast<std::size_t>(bitmap.rows);
    int x = 0;
    int y = 0;
    if (glyph.width > 0.0f && coverageComplete && placeCell(bitmap.width + 2, bitmap.rows + 2, x, y)) {
        glyph.cellX = x;
        glyph.cellY = y;
        glyph.cellWidth = bitmap.width + 2;
        glyph.cellHeight = bitmap.rows + 2;
        for (int row = 0; row < bitmap.rows; ++row) {
            for (int column = 0; column < bitmap.width; ++column) {
                const std::size_t to = (static_cast<std::size_t>(y + 1 + row) * atlas_.width +
                                        static_cast<std::size_t>(x + 1 + column)) *
                                       4;
                atlas_.pixels[to + 3] =
                    bitmap.coverage[static_cast<std::size_t>(row) * bitmap.width + column];
            }
        }
        atlasChanged_ = true;
    } else if (glyph.width > 0.0f) {
        // Nothing to show it with (a damaged rendering, or a cell larger than the atlas): it
        // keeps its place in the text but draws nothing.
        const float advance = glyph.advance;
        glyph = Glyph{};
        glyph.character = character;
        glyph.advance = advance;
    }
    slot = glyph;
    return *slot;
}

bool Font::placeCell(int width, int height, int& x, int& y) {
    if (width > static_cast<int>(kAtlasWidth) || height > static_cast<int>(kAtlasMaxHeight))
        return false;
    if (shelfX_ + width > static_cast<int>(kAtlasWidth)) {
        shelfY_ += shelfHeight_;
        shelfX_ = 0;
        shelfHeight_ = 0;
    }
    while (shelfY_ + height > static_cast<int>(atlas_.height)) {
        if (atlas_.height >= kAtlasMaxHeight)
            return false;
        growAtlas();
    }
    x = shelfX_;
    y = shelfY_;
    shelfX_ += width;
    shelfHeight_ = std::max(shelfHeight_, height);
    return true;
}

void Font::growAtlas() {
    Image grown = blankAtlas(atlas_.height * 2);
    std::copy(atlas_.pixels.begin(), atlas_.pixels.end(), grown.pixels.begin());
    atlas_ = std::move(grown);
    atlasChanged_ = true;
}

const Texture* Font::prepareTexture(VideoModule& video) {
    if (atlasChanged_ || texture_ == nullptr) {
        if (texture_ != nullptr)
            video.deleteTexture(std::move(texture_));
        texture_ = video.createTexture(atlas_);
        atlasChanged_ = false;
    }
    return texture_.get();
}

std::array<float, 4> Font::getTexCoords(const Glyph& glyph) const {
    const auto width = static_cast<float>(atlas_.width);
    const auto height = static_cast<float>(atlas_.height);
    return {static_cast<float>(glyph.cellX) / width, static_cast<float>(glyph.cellY) / height,
            static_cast<float>(glyph.cellX + glyph.cellWidth) / width,
            static_cast<float>(glyph.cellY + glyph.cellHeight) / height};
}

void Font::releaseGlyphs(VideoModule& video) {
    if (texture_ != nullptr)
        video.deleteTexture(std::move(texture_));
    for (auto& glyph : glyphs_) glyph.reset();
    atlas_ = blankAtlas(kAtlasFirstHeight);
    shelfX_ = shelfY_ = shelfHeight_ = 0;
    atlasChanged_ = true;
}

std::size_t Font::getGlyphCount() const {
    return static_cast<std::size_t>(
        std::count_if(glyphs_.begin(), glyphs_.end(), [](const auto& g) { return g.has_value(); }));
}
