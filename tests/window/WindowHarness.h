// A game system whose frames are drawn, with helpers that place test entities in world units and
// read the finished frame back: WindowHarness on the GLFW modules in a real window (run under
// Xvfb), PictureHarness on the headless modules drawing off screen on EGL (no display at all).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/GLFWVideoModule/EGLVideoModule.h"
#include "Engine/GLFWVideoModule/GLFWInputModule.h"
#include "Engine/GLFWVideoModule/GLFWModuleFactory.h"
#include "Engine/GLFWVideoModule/GLFWVideoModule.h"
#include "Engine/GLFWVideoModule/Screenshot.h"
#include "Engine/GameSystem.h"
#include "Engine/HeadlessModuleFactory.h"
#include "Engine/Process.h"
#include "Engine/ProcessFactory.h"
#include "Engine/ProcessIndustry.h"
#include "Engine/ShapeType.h"

// Half the height of the world the default camera sees at z = 0: 2688 units up, with a field
// of view that sees half as far sideways as it is deep.
inline constexpr float kVisibleHalfHeight = 1344.0f;

// A square of known colour; drawn in the opaque pass, or in the translucent one when [alpha].
class SquareEntity : public Entity {
  public:
    SquareEntity(GameSystem* gs, float x, float y, float half, float r, float g, float b, bool alpha = false,
                 bool player = false)
        : Entity(gs, 0, player), x_(x), y_(y), half_(half), r_(r), g_(g), b_(b), alpha_(alpha) {}
    void draw() override {
        if (!alpha_)
            drawSquare();
    }
    void drawAlpha() override {
        if (alpha_)
            drawSquare();
    }

  private:
    void drawSquare() {
        VideoModule* video = gameSystem_->getVideoModule();
        video->pushMatrix();
        video->translate(x_, y_, 0.0f);
        video->setColour(r_, g_, b_, 1.0f);
        video->beginShape(SHAPETYPE_QUADS);
        video->plotVertex(-half_, -half_, 0.0f);
        video->plotVertex(half_, -half_, 0.0f);
        video->plotVertex(half_, half_, 0.0f);
        video->plotVertex(-half_, half_, 0.0f);
        video->endShape();
        video->popMatrix();
    }

    float x_, y_, half_, r_, g_, b_;
    bool alpha_;
};

// A process that clears the frame before the world is drawn and records the keys it hears.
class KeyProcess : public Process {
  public:
    KeyProcess(const std::string& name, GameSystem* gs) : Process(name, gs) {}
    void preDraw() override { gameSystem_->getVideoModule()->clear(0.0f, 0.0f, 0.0f, 1.0f); }
    void onKeyPress(int code) override { presses.push_back(code); }
    void onKeyRelease(int code) override { releases.push_back(code); }
    std::vector<int> presses;
    std::vector<int> releases;
};

// The headless modules on their virtual clock, with frames drawn off screen.
class OffscreenModuleFactory : public HeadlessModuleFactory {
  public:
    std::unique_ptr<VideoModule> createVideoModule(GameSystem* gameSystem) override {
        return std::make_unique<EGLVideoModule>(gameSystem);
    }
};

template <typename Factory, typename Video, typename Input>
class SceneHarness {
  public:
    explicit SceneHarness(float aspectRatio = 4.0f / 3.0f) : gameSystem(factory) {
        gameSystem.getVideoModule()->setAspectRatio(aspectRatio);
        gameSystem.getProcessIndustry()->registerFactory(
            "Main", std::make_unique<NativeProcessFactory<KeyProcess>>());
        gameSystem.getProcessIndustry()->registerFactory(
            "Focus", std::make_unique<NativeProcessFactory<KeyProcess>>());
        gameSystem.startUp();
        tick();
    }

    Video& video() { return static_cast<Video&>(*gameSystem.getVideoModule()); }
    Input& input() { return static_cast<Input&>(*gameSystem.getRealInputModule()); }
    KeyProcess* process(const std::string& name) {
        return static_cast<KeyProcess*>(gameSystem.getProcess(name));
    }

    template <typename T>
    T* addEntity(T* entity) {
        gameSystem.getEntityManager()->addEntity(entity);
        gameSystem.getEntityManager()->flush();
        return entity;
    }

    // Runs loop iterations on the factory's clock until one more tick has run (window events are
    // polled, input and video updated, processes ticked).
    void tick() {
        const uint32_t target = gameSystem.getCurrentTick() + 1;
        while (gameSystem.getCurrentTick() < target && !gameSystem.isQuitting())
            gameSystem.runLoopIteration();
    }

    // Renders one frame and returns the drawing area as it was just before the swap.
    Screenshot renderFrame() {
        Screenshot shot;
        video().setBeforeSwapHook([&] {
            shot = Screenshot::capture(video().getViewportX(), video().getViewportY(),
                                       video().getScreenWidth(), video().getScreenHeight());
        });
        video().render();
        video().setBeforeSwapHook(nullptr);
        return shot;
    }

    // The pixel of the drawing area where the world point (x, y) at z = 0 lands.
    int pixelX(float worldX) {
        const float perUnit = static_cast<float>(video().getScreenHeight()) / 2.0f / kVisibleHalfHeight;
        return static_cast<int>(static_cast<float>(video().getScreenWidth()) / 2.0f + worldX * perUnit);
    }
    int pixelY(float worldY) {
        const float perUnit = static_cast<float>(video().getScreenHeight()) / 2.0f / kVisibleHalfHeight;
        return static_cast<int>(static_cast<float>(video().getScreenHeight()) / 2.0f + worldY * perUnit);
    }

    Factory factory;
    GameSystem gameSystem;
};

using WindowHarness = SceneHarness<GLFWModuleFactory, GLFWVideoModule, GLFWInputModule>;
using PictureHarness = SceneHarness<OffscreenModuleFactory, GLVideoModule, InputModule>;
