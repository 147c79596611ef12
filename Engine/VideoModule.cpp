#include "Engine/VideoModule.h"

#include <cmath>

VideoModule::VideoModule(GameSystem* gameSystem) : EngineModule(gameSystem) { addTypeName("VideoModule"); }

void VideoModule::setAspectRatio(float aspectRatio) {
    if (!(aspectRatio > 0.0f) || !std::isfinite(aspectRatio)) return;
    aspectRatio_ = aspectRatio;
}
