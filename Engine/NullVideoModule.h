// A video module without a window: it counts what it is asked to do so tests can check it.
#pragma once

#include <functional>

#include "Engine/VideoModule.h"

class NullVideoModule : public VideoModule {
public:
    explicit NullVideoModule(GameSystem* gameSystem);

    void deinit() override;
    void render() override;
    void drawSystemPauseScreen() override { ++systemPauseScreenCount_; }
    void clearScreen() override { ++clearScreenCount_; }
    void update(float deltaMS) override;

    int getRenderCount() const { return renderCount_; }
    int getUpdateCount() const { return updateCount_; }
    int getSystemPauseScreenCount() const { return systemPauseScreenCount_; }
    int getClearScreenCount() const { return clearScreenCount_; }
    bool isDeinited() const { return deinited_; }

    // Test hooks: run inside render or deinit (a deinit hook may throw to test shutdown guards).
    std::function<void()> onRender;
    std::function<void()> onDeinit;

private:
    int renderCount_ = 0;
    int updateCount_ = 0;
    int systemPauseScreenCount_ = 0;
    int clearScreenCount_ = 0;
    bool deinited_ = false;
};
