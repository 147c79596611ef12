#include "Box2DPhysicsModuleTestProcess.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "DemoEntity.h"
#include "Engine/EntityManager.h"
#include "Engine/GameSystem.h"
#include "Engine/InputModule.h"
#include "Engine/KeyCodes.h"
#include "Engine/VideoModule.h"

namespace {

// Half the height the default camera sees at z = 0; the mouse maps onto this view.
constexpr float kVisibleHalfHeight = 1344.0f;

int envInt(const char* name, int fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    const int value = std::atoi(text);
    return value >= 0 ? value : fallback;
}

float envSeconds(const char* name, float fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    const float value = static_cast<float>(std::atof(text));
    return std::isfinite(value) && value >= 0.0f ? value : fallback;
}

}  // namespace

Box2DPhysicsModuleTestProcess::Box2DPhysicsModuleTestProcess(const std::string& name, GameSystem* gameSystem)
    : Process(name, gameSystem),
      entityCount_(envInt("TACT_DEMO_ENTITIES", 40)),
      runMS_(envSeconds("TACT_RUN_SECONDS", 0.0f) * 1000.0f) {
    addTypeName("Box2DPhysicsModuleTestProcess");
    if (const char* shot = std::getenv("TACT_SCREENSHOT"))
        screenshotFileName_ = shot;
}

bool Box2DPhysicsModuleTestProcess::init() {
    GameSystem& gs = *gameSystem_;
    for (int i = 0; i < entityCount_; ++i) {
        DemoEntity::Definition d;
        d.player = i == 0;
        d.pos = RealPoint(gs.getRandomReal(-2200.0f, 2200.0f), gs.getRandomReal(-1150.0f, 1150.0f));
        d.velocity = gs.getRandomDir() * gs.getRandomReal(0.2f, 0.6f);
        const bool circle = d.player || i % 3 != 0;
        d.radius = circle ? gs.getRandomReal(25.0f, 70.0f) : 0.0f;
        d.halfWidth = gs.getRandomReal(30.0f, 80.0f);
        d.halfHeight = gs.getRandomReal(20.0f, 50.0f);
        d.red = gs.getRandomReal(0.2f, 1.0f);
        d.green = gs.getRandomReal(0.2f, 1.0f);
        d.blue = gs.getRandomReal(0.2f, 1.0f);
        if (d.player) {
            d.radius = 60.0f;
            d.red = 1.0f, d.green = 0.9f, d.blue = 0.1f;
        }
        auto* entity = new DemoEntity(&gs, d);
        entities_.push_back(entity);
        if (d.player)
            player_ = entity;
        gs.getEntityManager()->addEntity(entity);
    }
    return true;
}

void Box2DPhysicsModuleTestProcess::update(float deltaMS) {
    elapsedMS_ += deltaMS;
    InputModule* input = gameSystem_->getInputModule();
    if (input->isKeyPressed(KEYBOARD_ESCAPE))
        gameSystem_->quit();
    steerPlayer();
    if (runMS_ > 0.0f && elapsedMS_ >= runMS_) {
        if (!screenshotFileName_.empty())
            gameSystem_->getVideoModule()->requestScreenshot(screenshotFileName_);
        // One more frame is drawn (and saved) before the loop sees the quit.
        runMS_ = 0.0f;
        quitAfterFrame_ = true;
    }
}

void Box2DPhysicsModuleTestProcess::steerPlayer() {
    if (player_ == nullptr)
        return;
    InputModule* input = gameSystem_->getInputModule();
    RealPoint wish;
    if (input->isKeyPressed(KEYBOARD_LEFT))
        wish.x -= 1.0f;
    if (input->isKeyPressed(KEYBOARD_RIGHT))
        wish.x += 1.0f;
    if (input->isKeyPressed(KEYBOARD_UP))
        wish.y += 1.0f;
    if (input->isKeyPressed(KEYBOARD_DOWN))
        wish.y -= 1.0f;
    if (input->isKeyPressed(MOUSE_LEFTBUTTON)) {
        const float aspect = gameSystem_->getVideoModule()->getAspectRatio();
        const RealPoint mouse((input->getMousePosX() - 0.5f) * 2.0f * kVisibleHalfHeight * aspect,
                              (0.5f - input->getMousePosY()) * 2.0f * kVisibleHalfHeight);
        wish = mouse - player_->getPos();
    }
    player_->steerToward(wish);
}

void Box2DPhysicsModuleTestProcess::preDraw() {
    gameSystem_->getVideoModule()->clear(0.05f, 0.05f, 0.12f, 1.0f);
}

void Box2DPhysicsModuleTestProcess::postDraw() {
    ++frames_;
    if (quitAfterFrame_) {
        std::printf("Box2DPhysicsModuleTestProcess: %d entities, %d frames in %.1f s\n", entityCount_,
                    frames_, elapsedMS_ / 1000.0f);
        if (!screenshotFileName_.empty())
            std::printf("screenshot: %s\n", screenshotFileName_.c_str());
        std::fflush(stdout);
        gameSystem_->quit();
    }
}
