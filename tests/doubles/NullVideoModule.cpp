#include "tests/doubles/NullVideoModule.h"

#include "Engine/FontFace.h"

namespace {

// The glyphs NullVideoModule documents, in 26.6 units of a 32-pixel face: a 16 x 20 pixel box,
// 2 pixels after the pen, 4 below the baseline, advancing 20; a space advances 10.
class FixedFontFace : public FontFace {
  public:
    bool renderGlyph(int character, GlyphBitmap& out) override {
        out = GlyphBitmap{};
        if (character == ' ') {
            out.advanceX = 10 * 64;
            return true;
        }
        out.width = 16;
        out.rows = 20;
        out.coverage.assign(16 * 20, 255);
        out.metricWidth = 16 * 64;
        out.metricHeight = 20 * 64;
        out.horiBearingX = 2 * 64;
        out.horiBearingY = 16 * 64;
        out.horiAdvance = 20 * 64;
        out.advanceX = 20 * 64;
        return true;
    }
};

}  // namespace

NullVideoModule::NullVideoModule(GameSystem* gameSystem) : VideoModule(gameSystem) {
    addTypeName("NullVideoModule");
}

void NullVideoModule::deinit() {
    VideoModule::deinit();
    deinited_ = true;
    if (onDeinit)
        onDeinit();
}

void NullVideoModule::render() {
    ++renderCount_;
    if (onRender)
        onRender();
    renderFrame();
}

void NullVideoModule::update(float) {
    ++updateCount_;
}

uint32_t NullVideoModule::uploadTexture(const uint8_t* rgba, uint32_t width, uint32_t height,
                                        const TextureSampling& sampling) {
    const uint32_t id = VideoModule::uploadTexture(rgba, width, height, sampling);
    ++textureUploadCount_;
    record("uploadTexture", {static_cast<float>(id), static_cast<float>(width), static_cast<float>(height)});
    return id;
}

void NullVideoModule::releaseTexture(uint32_t id) {
    ++textureReleaseCount_;
    record("releaseTexture", {static_cast<float>(id)});
}

std::unique_ptr<FontFace> NullVideoModule::openFontFace(const std::string& path) {
    openedFontPaths_.push_back(path);
    for (const std::string& missing : missingFonts) {
        if (path == missing || path == "./" + missing)
            return nullptr;
    }
    return std::make_unique<FixedFontFace>();
}
