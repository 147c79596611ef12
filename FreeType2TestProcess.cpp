#include "FreeType2TestProcess.h"

#include <cstdio>

#include "Engine/GameSystem.h"
#include "Engine/KeyCodes.h"
#include "Engine/VideoModule.h"
#include "NativeTestProcesses.h"

namespace {
constexpr const char* kFontName = "arial.ttf";
constexpr const char* kSample = "The quick brown fox jumps over the lazy dog 0123456789";
}  // namespace

FreeType2TestProcess::FreeType2TestProcess(const std::string& name, GameSystem* gameSystem)
    : Process(name, gameSystem) {
    addTypeName("FreeType2TestProcess");
}

bool FreeType2TestProcess::init() {
    fontLoaded_ = video_->setFont(kFontName);
    char width[64];
    std::snprintf(width, sizeof(width), "%.3f", video_->getTextWidth(kSample, 0.05f));
    reportFromTestProcess(gameSystem_, std::string("FreeType2TestProcess: ") + kFontName +
                                           (fontLoaded_ ? " loaded" : " missing") + ", sample width " +
                                           width);
    return true;
}

void FreeType2TestProcess::postDraw() {
    video_->setupOrthoView();
    video_->setColour(1.0f, 1.0f, 1.0f, 1.0f);
    video_->print(0.05f, 0.05f, 0.9f, 0.0f, "left aligned", 0.05f, TEXTALIGN_LEFT);
    video_->print(0.05f, 0.95f, 0.82f, 0.0f, "right aligned", 0.05f, TEXTALIGN_RIGHT);
    video_->print(0.05f, 0.95f, 0.74f, 0.0f, "centred", 0.05f, TEXTALIGN_CENTER);
    video_->setColour(0.6f, 0.9f, 0.6f, 1.0f);
    video_->print(0.05f, 0.6f, 0.62f, 0.0f, kSample, 0.05f, TEXTALIGN_LEFT);
    float y = 0.3f;
    for (float height = 0.02f; height <= 0.081f; height += 0.02f) {
        video_->print(0.05f, 0.05f, y, 0.0f, kSample, height, TEXTALIGN_LEFT);
        y -= height * 1.2f;
    }
}

void FreeType2TestProcess::onKeyPress(int keyCode) {
    if (keyCode == KEYBOARD_ESCAPE)
        gameSystem_->quit();
}
