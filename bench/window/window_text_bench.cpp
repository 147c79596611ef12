// Frame time of the GLFW video module for textured quads and printed text: 1,000 quads on one
// texture (the whole image, or a 16-texel cell of it as a sprite) and 100 lines of 40 characters. Run under a
// display or xvfb-run: scripts/run-benchmarks.sh does.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <time.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/GLFWVideoModule/GLFWModuleFactory.h"
#include "Engine/GameSystem.h"
#include "Engine/VideoModule.h"

namespace {

constexpr const char* kTextureName = "window_text_bench.bmp";
constexpr const char* kLine = "The quick brown fox jumps over the lazy ";  // 40 characters

double cpuMS(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1.0e6;
}

// A 32 x 32 24-bit BMP with a diagonal gradient, in the working directory.
void writeTexture() {
    const int side = 32;
    std::vector<uint8_t> b(54 + side * side * 3, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[10] = 54;
    b[14] = 40;
    b[18] = side;
    b[22] = side;
    b[28] = 24;
    for (int i = 0; i < side * side; ++i) {
        b[54 + i * 3] = static_cast<uint8_t>(i % side * 8);
        b[54 + i * 3 + 1] = static_cast<uint8_t>(i / side * 8);
        b[54 + i * 3 + 2] = 200;
    }
    std::ofstream(kTextureName, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The quads are drawn as sprites (drawSprite) rather than whole textures (drawTexture).
bool drawSprites = false;

class QuadEntity : public Entity {
  public:
    QuadEntity(GameSystem* gs, float x, float y) : Entity(gs), x_(x), y_(y) {}
    void draw() override {
        const float h = 30.0f;
        if (drawSprites) {
            gameSystem_->getVideoModule()->setColour(1.0f, 1.0f, 1.0f, 1.0f);
            gameSystem_->getVideoModule()->drawSprite(kTextureName, 8, 8, 16, 16, x_ - h, y_ - h, 2 * h,
                                                      2 * h);
            return;
        }
        const float corners[4][3] = {
            {x_ - h, y_ - h, 0}, {x_ + h, y_ - h, 0}, {x_ + h, y_ + h, 0}, {x_ - h, y_ + h, 0}};
        gameSystem_->getVideoModule()->setColour(1.0f, 1.0f, 1.0f, 1.0f);
        gameSystem_->getVideoModule()->drawTexture(corners, kTextureName);
    }

  private:
    float x_, y_;
};

class TextEntity : public Entity {
  public:
    explicit TextEntity(GameSystem* gs) : Entity(gs) {}
    void draw() override {
        VideoModule* video = gameSystem_->getVideoModule();
        video->setColour(1.0f, 1.0f, 0.5f, 1.0f);
        for (int line = 0; line < 100; ++line)
            video->print(-2300.0f, -2300.0f, 1300.0f - 26.0f * static_cast<float>(line), 0.0f, kLine, 26.0f);
    }
};

// One window for the whole program: the benchmark runs several times, and a display server that
// resets when its last client leaves may refuse the next window for a moment.
GameSystem& sharedGameSystem() {
    static GLFWModuleFactory factory;
    static GameSystem gameSystem(factory);
    static bool started = false;
    if (started)
        return gameSystem;
    started = true;
    writeTexture();
    gameSystem.getVideoModule()->setAspectRatio(16.0f / 9.0f);
    gameSystem.setMainProcessName("");
    gameSystem.startUp();
    for (int i = 0; i < 1000; ++i) {
        gameSystem.getEntityManager()->addEntity(new QuadEntity(&gameSystem,
                                                                gameSystem.getRandomReal(-2300.0f, 2300.0f),
                                                                gameSystem.getRandomReal(-1250.0f, 1250.0f)));
    }
    gameSystem.getEntityManager()->addEntity(new TextEntity(&gameSystem));
    gameSystem.getEntityManager()->flush();
    // The first frame loads the texture and renders the glyphs.
    gameSystem.getVideoModule()->render();
    glFinish();
    std::remove(kTextureName);
    return gameSystem;
}

void BM_RenderTexturedQuadsAndText(benchmark::State& state) {
    GameSystem& gameSystem = sharedGameSystem();
    const double mainStart = cpuMS(CLOCK_THREAD_CPUTIME_ID);
    const double processStart = cpuMS(CLOCK_PROCESS_CPUTIME_ID);
    for (auto _ : state) {
        gameSystem.getVideoModule()->render();
        glFinish();
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["main_cpu_ms"] = (cpuMS(CLOCK_THREAD_CPUTIME_ID) - mainStart) / frames;
    state.counters["other_cpu_ms"] =
        (cpuMS(CLOCK_PROCESS_CPUTIME_ID) - processStart - (cpuMS(CLOCK_THREAD_CPUTIME_ID) - mainStart)) /
        frames;
}
BENCHMARK(BM_RenderTexturedQuadsAndText)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderSpritesAndText(benchmark::State& state) {
    drawSprites = true;
    BM_RenderTexturedQuadsAndText(state);
    drawSprites = false;
}
BENCHMARK(BM_RenderSpritesAndText)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
