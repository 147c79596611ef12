// Base of the low-frequency oscillators (script types SAWLFO, PULSELFO, TRIANGLELFO): a periodic
// value between a minimum and a maximum, shaped by a contour point. The level is the position in
// the cycle, 0..1; each shape advances it in its own update.
#pragma once

#include "Engine/LinkedObject.h"

class LFO : public LinkedObject {
  public:
    LFO();
    ~LFO() override;

    void onLinkedObjectDeleted(LinkedObject* deleted) override {
        LinkedObject::onLinkedObjectDeleted(deleted);
    }
    virtual void update(float deltaMS) = 0;
    // Places the oscillator at fraction [phase] of its cycle.
    virtual void setPhase(float phase) = 0;

    // [periodMS] is one full cycle; a period <= 0 counts as 1 ms.
    void setRate(float periodMS);
    void setRange(float minimum, float maximum);
    void setContour(float x, float y);
    void setRandomPhase();
    // The contoured level scaled into [minimum, maximum].
    float getValue() const;
    float getLevel() const { return level_; }

  protected:
    // How far one update of [deltaMS] moves, clamped to [0, 1] so an update never skips a cycle.
    float getStep(float deltaMS) const;

    float minimum_ = 0.0f;
    float maximum_ = 1.0f;
    float level_ = 0.0f;
    // Half-cycles per millisecond: 2 / period.
    float speed_ = 0.001f;
    float contourX_ = 0.5f;
    float contourY_ = 0.5f;
};
