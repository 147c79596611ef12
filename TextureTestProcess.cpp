#include "TextureTestProcess.h"

#include <cmath>

#include "Engine/GameSystem.h"
#include "Engine/KeyCodes.h"
#include "Engine/Texture.h"
#include "Engine/VideoModule.h"
#include "NativeTestProcesses.h"

namespace {
constexpr const char* kTextureName = "pngTest.png";
}  // namespace

TextureTestProcess::TextureTestProcess(const std::string& name, GameSystem* gameSystem)
    : Process(name, gameSystem) {
    addTypeName("TextureTestProcess");
}

bool TextureTestProcess::init() {
    const Texture* texture = video_->loadTexture(kTextureName);
    if (texture == nullptr) {
        reportFromTestProcess(gameSystem_, std::string("TextureTestProcess: ") + kTextureName + " missing");
    } else {
        reportFromTestProcess(gameSystem_, std::string("TextureTestProcess: ") + kTextureName + " " +
                                               std::to_string(texture->getImageWidth()) + " x " +
                                               std::to_string(texture->getImageHeight()));
    }
    return true;
}

void TextureTestProcess::postDraw() {
    video_->setupAspectRatioOrthoView();
    video_->setColour(1.0f, 1.0f, 1.0f, 1.0f);
    // A quad turning about the centre of the screen.
    const float c = std::cos(angle_) * 0.25f;
    const float s = std::sin(angle_) * 0.25f;
    const float turning[4][3] = {
        {-c + s, -s - c, 0.0f}, {c + s, s - c, 0.0f}, {c - s, s + c, 0.0f}, {-c - s, -s + c, 0.0f}};
    video_->drawTexture(turning, kTextureName);
    // A row of small tiles along the bottom.
    for (int i = 0; i < 8; ++i) {
        const float left = -0.8f + 0.2f * static_cast<float>(i);
        const float tile[4][3] = {{left, -0.45f, 0.0f},
                                  {left + 0.15f, -0.45f, 0.0f},
                                  {left + 0.15f, -0.3f, 0.0f},
                                  {left, -0.3f, 0.0f}};
        video_->drawTexture(tile, kTextureName);
    }
}

void TextureTestProcess::onKeyPress(int keyCode) {
    if (keyCode == KEYBOARD_ESCAPE)
        gameSystem_->quit();
}
