// Exercises TrueType text: prints sample lines with "arial.ttf" in the three alignments, wrapped
// and at several heights, and logs the measured width of a sample once. Escape quits.
#pragma once

#include "Engine/Process.h"

class FreeType2TestProcess : public Process {
  public:
    FreeType2TestProcess(const std::string& name, GameSystem* gameSystem);

    bool init() override;
    void postDraw() override;
    void onKeyPress(int keyCode) override;

  private:
    bool fontLoaded_ = false;
};
