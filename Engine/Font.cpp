#include "Engine/Font.h"

#include <algorithm>
#include <utility>

#include "Engine/Texture.h"
#include "Engine/VideoModule.h"

namespace {

// A 32-pixel face's cells are about 20-40 pixels a side, so a 512-wide atlas holds the printable
// ASCII set in a 512 x 256 texture; a band of larger glyphs gets a proportionally wider atlas (up
// to 4096). Each grows downwards, doubling, as glyphs arrive.
constexpr uint32_t kAtlasWidth = 512;
constexpr uint32_t kAtlasMaxSide = 4096;
constexpr uint32_t kAtlasFirstHeight = 64;

uint32_t atlasWidthFor(int pixelSize) {
    const auto wanted =
        static_cast<uint32_t>(kAtlasWidth * static_cast<uint32_t>(pixelSize) / kFontPixelSize);
    return std::min(Texture::powerOfTwoAtLeast(wanted), kAtlasMaxSide);
}

Image blankAtlas(uint32_t width, uint32_t height) {
    Image atlas;
    atlas.width = width;
    atlas.height = height;
    // White and clear: the cells' borders and the gaps between cells, so filtering at a cell's
    // edge blends towards transparent white, never towards a neighbour.
    atlas.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < atlas.pixels.size(); i += 4) {
        atlas.pixels[i] = atlas.pixels[i + 1] = atlas.pixels[i + 2] = 255;
        atlas.pixels[i + 3] = 0;
    }
    return atlas;
}

}  // namespace

int Font::bandForPixels(float pixels) {
    // Text a few percent taller than a band still takes it: that little scaling does not show.
    constexpr float kSlack = 1.05f;
    for (int band = 0; band < kBandCount; ++band) {
        if (!(pixels > static_cast<float>(kBandPixelSizes[band]) * kSlack))
            return band;
    }
    return kBandCount - 1;
}

Font::Font(std::string name, std::unique_ptr<FontFace> face)
    : name_(std::move(name)), face_(std::move(face)) {
    for (int band = 0; band < kBandCount; ++band) resetBand(bands_[static_cast<std::size_t>(band)], band);
}

// The atlas textures must have been released through the video module (releaseGlyphs) while the
// device still existed; here they are only forgotten.
Font::~Font() = default;

void Font::resetBand(Band& band, int index) {
    for (auto& glyph : band.glyphs) glyph.reset();
    // The larger bands get their atlas with their first glyph: most text never needs them.
    band.atlas = index == 0 ? blankAtlas(atlasWidthFor(kBandPixelSizes[index]), kAtlasFirstHeight) : Image{};
    band.shelfX = band.shelfY = band.shelfHeight = 0;
    band.atlasChanged = true;
}

Glyph Font::measureGlyph(int character, const GlyphBitmap& bitmap, int pixelSize) {
    // Metrics are 26.6 fixed point at the face's pixel size; dividing by this makes them
    // relative to a text height of 1.
    const double metricScale = pixelSize * 64.0;
    Glyph glyph;
    glyph.character = character;
    if (bitmap.width <= 0 || bitmap.rows <= 0 || bitmap.metricWidth <= 0 || bitmap.metricHeight <= 0) {
        glyph.advance = static_cast<float>(static_cast<double>(bitmap.advanceX) / metricScale);
        return glyph;
    }
    const double height = static_cast<double>(bitmap.metricHeight) / metricScale;
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

const Glyph& Font::getGlyph(unsigned char character, int bandIndex) {
    bandIndex = std::clamp(bandIndex, 0, kBandCount - 1);
    Band& band = bands_[static_cast<std::size_t>(bandIndex)];
    std::optional<Glyph>& slot = band.glyphs[character];
    if (slot)
        return *slot;
    const int pixelSize = kBandPixelSizes[bandIndex];
    if (band.atlas.width == 0)
        band.atlas = blankAtlas(atlasWidthFor(pixelSize), kAtlasFirstHeight);
    GlyphBitmap bitmap;
    if (face_ == nullptr || !face_->renderGlyphAt(character, pixelSize, bitmap))
        bitmap = GlyphBitmap{};
    Glyph glyph = measureGlyph(character, bitmap, pixelSize);
    const bool coverageComplete = bitmap.coverage.size() >= static_cast<std::size_t>(bitmap.width) *
                                                                static_cast<std::size_t>(bitmap.rows);
    int x = 0;
    int y = 0;
    if (glyph.width > 0.0f && coverageComplete && placeCell(band, bitmap.width + 2, bitmap.rows + 2, x, y)) {
        glyph.cellX = x;
        glyph.cellY = y;
        glyph.cellWidth = bitmap.width + 2;
        glyph.cellHeight = bitmap.rows + 2;
        for (int row = 0; row < bitmap.rows; ++row) {
            for (int column = 0; column < bitmap.width; ++column) {
                const std::size_t to = (static_cast<std::size_t>(y + 1 + row) * band.atlas.width +
                                        static_cast<std::size_t>(x + 1 + column)) *
                                       4;
                band.atlas.pixels[to + 3] =
                    bitmap.coverage[static_cast<std::size_t>(row) * bitmap.width + column];
            }
        }
        band.atlasChanged = true;
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

bool Font::placeCell(Band& band, int width, int height, int& x, int& y) {
    if (width > static_cast<int>(band.atlas.width) || height > static_cast<int>(kAtlasMaxSide))
        return false;
    if (band.shelfX + width > static_cast<int>(band.atlas.width)) {
        band.shelfY += band.shelfHeight;
        band.shelfX = 0;
        band.shelfHeight = 0;
    }
    while (band.shelfY + height > static_cast<int>(band.atlas.height)) {
        if (band.atlas.height >= kAtlasMaxSide)
            return false;
        growAtlas(band);
    }
    x = band.shelfX;
    y = band.shelfY;
    band.shelfX += width;
    band.shelfHeight = std::max(band.shelfHeight, height);
    return true;
}

void Font::growAtlas(Band& band) {
    Image grown = blankAtlas(band.atlas.width, band.atlas.height * 2);
    std::copy(band.atlas.pixels.begin(), band.atlas.pixels.end(), grown.pixels.begin());
    band.atlas = std::move(grown);
    band.atlasChanged = true;
}

const Texture* Font::prepareTexture(VideoModule& video, int bandIndex) {
    Band& band = bands_[static_cast<std::size_t>(std::clamp(bandIndex, 0, kBandCount - 1))];
    if (band.atlasChanged || band.texture == nullptr) {
        if (band.texture != nullptr)
            video.deleteTexture(std::move(band.texture));
        band.texture = video.createTexture(band.atlas);
        band.atlasChanged = false;
    }
    return band.texture.get();
}

std::array<float, 4> Font::getTexCoords(const Glyph& glyph, int bandIndex) const {
    const Band& band = bands_[static_cast<std::size_t>(std::clamp(bandIndex, 0, kBandCount - 1))];
    const auto width = static_cast<float>(band.atlas.width);
    const auto height = static_cast<float>(band.atlas.height);
    return {static_cast<float>(glyph.cellX) / width, static_cast<float>(glyph.cellY) / height,
            static_cast<float>(glyph.cellX + glyph.cellWidth) / width,
            static_cast<float>(glyph.cellY + glyph.cellHeight) / height};
}

void Font::releaseGlyphs(VideoModule& video) {
    for (int index = 0; index < kBandCount; ++index) {
        Band& band = bands_[static_cast<std::size_t>(index)];
        if (band.texture != nullptr)
            video.deleteTexture(std::move(band.texture));
        resetBand(band, index);
    }
}

std::size_t Font::getGlyphCount() const {
    return static_cast<std::size_t>(std::count_if(bands_[0].glyphs.begin(), bands_[0].glyphs.end(),
                                                  [](const auto& g) { return g.has_value(); }));
}
