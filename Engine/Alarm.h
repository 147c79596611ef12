// A millisecond countdown (script type ALARM) advanced explicitly with a time step. A plain value:
// the sequencer and the audio voices keep alarms inside them.
#pragma once

#include "Engine/ScriptHandleSlot.h"

class Alarm {
  public:
    // [startAlarming] makes the first update report alarming.
    explicit Alarm(float intervalMS = 0.0f, bool startAlarming = false);

    // Adds [deltaMS] unless disabled; then whether the interval has elapsed (false when disabled).
    bool update(float deltaMS);
    bool isAlarming() const { return elapsedMS_ >= intervalMS_; }
    // Keeps the overshoot past the interval; 0 when the interval is not positive or the result is
    // not a finite positive number.
    void reset();
    void hardReset() { elapsedMS_ = 0.0f; }
    // Elapsed := [phase] clamped to [0, 1] times the interval.
    void phaseReset(float phase);
    // phaseReset with a random phase from the process-wide generator.
    void randomReset();

    void setInterval(float intervalMS) { intervalMS_ = intervalMS; }
    void setIntervalAndHardReset(float intervalMS);
    float getInterval() const { return intervalMS_; }
    float getMSElapsed() const { return elapsedMS_; }
    // Negative once the alarm has passed.
    float getTimeTillAlarm() const { return intervalMS_ - elapsedMS_; }
    // 1 for a zero interval, else the elapsed fraction clamped to [0, 1].
    float getAlarmPercentage() const;
    bool isEnabled() const { return enabled_; }
    void setIsEnabled(bool enabled) { enabled_ = enabled; }
    ScriptHandleSlot& getScriptHandleSlot() { return scriptHandle_; }

  private:
    bool enabled_ = true;
    float intervalMS_ = 0.0f;
    float elapsedMS_ = 0.0f;
    ScriptHandleSlot scriptHandle_;
};
