// A video module without a window: it records what it is asked to do so tests can check it.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Engine/VideoModule.h"

class NullVideoModule : public VideoModule {
  public:
    // One drawing operation as it reached the module: its name and its numeric arguments.
    struct DrawCall {
        std::string operation;
        std::vector<float> arguments;
        bool operator==(const DrawCall&) const = default;
    };

    explicit NullVideoModule(GameSystem* gameSystem);

    void deinit() override;
    void render() override;
    void drawSystemPauseScreen() override { ++systemPauseScreenCount_; }
    void clearScreen() override { ++clearScreenCount_; }
    void swapBuffers() override { record("swapBuffers", {}); }
    void clearDepthBuffer() override { record("clearDepthBuffer", {}); }
    void setupWorldView() override { record("setupWorldView", {}); }
    void setupOrthoView() override { record("setupOrthoView", {}); }
    void setupAspectRatioOrthoView() override { record("setupAspectRatioOrthoView", {}); }
    void update(float deltaMS) override;
    // The window checks of a real module's update, with the window state given by the test.
    void updateWindow(bool closedByUser, bool focused) { updateWindowState(closedByUser, focused); }

    using VideoModule::plotVertex;
    using VideoModule::setColour;
    void pushMatrix() override { record("pushMatrix", {}); }
    void popMatrix() override { record("popMatrix", {}); }
    void translate(float x, float y, float z) override { record("translate", {x, y, z}); }
    void rotateZ(float radians) override { record("rotateZ", {radians}); }
    void rotateX(float radians) override { record("rotateX", {radians}); }
    void rotateY(float radians) override { record("rotateY", {radians}); }
    void scale(float x, float y, float z) override { record("scale", {x, y, z}); }
    void setColour(float r, float g, float b, float a) override { record("setColour", {r, g, b, a}); }
    void plotTexturedVertex(float x, float y, float z, float u, float v) override {
        record("plotTexturedVertex", {x, y, z, u, v});
    }
    void plotVertex(float x, float y, float z) override { record("plotVertex", {x, y, z}); }
    // Texture ids are recorded as numbers.
    void bindTexture(const Texture* texture) override {
        record("bindTexture", {texture != nullptr ? static_cast<float>(texture->getId()) : 0.0f});
    }
    void endTexture() override { record("endTexture", {}); }

    // Fonts without a rasteriser: every font name opens a fixed face whose glyphs, at a text
    // height of 1, are kFixedGlyphWidth wide and kFixedGlyphHeight high, reach kFixedGlyphDescent
    // below the baseline, start kFixedGlyphBearing after the pen and advance it kFixedGlyphAdvance;
    // a space is empty and advances kFixedSpaceAdvance. Names in missingFonts fail to open.
    static constexpr float kFixedGlyphWidth = 0.5f;
    static constexpr float kFixedGlyphHeight = 0.625f;
    static constexpr float kFixedGlyphDescent = 0.125f;
    static constexpr float kFixedGlyphBearing = 0.0625f;
    static constexpr float kFixedGlyphAdvance = 0.625f;
    static constexpr float kFixedSpaceAdvance = 0.3125f;
    std::set<std::string> missingFonts;
    // The paths given to openFontFace, and the texture uploads as (id, width, height).
    const std::vector<std::string>& getOpenedFontPaths() const { return openedFontPaths_; }
    int getTextureUploadCount() const { return textureUploadCount_; }
    int getTextureReleaseCount() const { return textureReleaseCount_; }

    const std::vector<DrawCall>& getDrawCalls() const { return drawCalls_; }
    void clearDrawCalls() { drawCalls_.clear(); }
    int getRenderCount() const { return renderCount_; }
    int getUpdateCount() const { return updateCount_; }
    int getSystemPauseScreenCount() const { return systemPauseScreenCount_; }
    int getClearScreenCount() const { return clearScreenCount_; }
    bool isDeinited() const { return deinited_; }

    // Test hooks: run at the start of render, or inside deinit (a deinit hook may throw to test shutdown
    // guards).
    std::function<void()> onRender;
    std::function<void()> onDeinit;

  protected:
    void beginPrimitive(int shapeType) override { record("beginShape", {static_cast<float>(shapeType)}); }
    void endPrimitive() override { record("endShape", {}); }
    void applyDepthTest(bool enabled) override { record("depthTest", {enabled ? 1.0f : 0.0f}); }
    void applyDepthWrite(bool enabled) override { record("depthWrite", {enabled ? 1.0f : 0.0f}); }
    void applyLineWidth(float pixels) override { record("lineWidth", {pixels}); }
    void drawBlackBorders() override { record("blackBorders", {}); }
    uint32_t uploadTexture(const uint8_t* rgba, uint32_t width, uint32_t height,
                           const TextureSampling& sampling) override;
    void releaseTexture(uint32_t id) override;
    std::unique_ptr<FontFace> openFontFace(const std::string& path) override;

  private:
    void record(const char* operation, std::vector<float> arguments) {
        drawCalls_.push_back({operation, std::move(arguments)});
    }

    std::vector<DrawCall> drawCalls_;
    std::vector<std::string> openedFontPaths_;
    int textureUploadCount_ = 0;
    int textureReleaseCount_ = 0;
    int renderCount_ = 0;
    int updateCount_ = 0;
    int systemPauseScreenCount_ = 0;
    int clearScreenCount_ = 0;
    bool deinited_ = false;
};
