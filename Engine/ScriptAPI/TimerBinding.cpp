// ALARM and LFO (SAWLFO, PULSELFO, TRIANGLELFO): an object's timers, or free ones a script made.
#include "Engine/Alarm.h"
#include "Engine/LFO.h"
#include "Engine/PulseLFO.h"
#include "Engine/SawLFO.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/TriangleLFO.h"

namespace {
// ---- ALARM ----

int constructAlarm(gmScriptThread* thread) {
    const int32_t count = thread->getNumParams();
    if (count > 2)
        return usageError(thread);
    float interval = 0.0f;
    bool startAlarming = false;
    if (count >= 1 && !gmFloatOrIntParam(thread, 0, interval))
        return kRunTimeError;
    if (count == 2 && !gmBoolParam(thread, 1, startAlarming))
        return kRunTimeError;
    thread->push(ownedValue(thread->getMachine(), ScriptType::ALARM, new Alarm(interval, startAlarming)));
    return kDone;
}

int alarm_update(gmScriptThread* thread) {
    Alarm* self = selfAs<Alarm>(thread);
    float elapsed = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, elapsed))
        return kRunTimeError;
    return pushBool(thread, self->update(elapsed));
}

int alarm_setIsEnabled(gmScriptThread* thread) {
    Alarm* self = selfAs<Alarm>(thread);
    bool enabled = false;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmBoolParam(thread, 0, enabled))
        return kRunTimeError;
    self->setIsEnabled(enabled);
    return kDone;
}

constexpr ScriptMethod kAlarmMethods[] = {
    {"setInterval", bindMember<&Alarm::setInterval>, "(n ms) -> nothing",
     "Sets the time between alarms in milliseconds, keeping the time elapsed so far."},
    {"setIntervalAndHardReset", bindMember<&Alarm::setIntervalAndHardReset>, "(n ms) -> nothing",
     "Sets the interval in milliseconds and the elapsed time to 0."},
    {"phaseReset", bindMember<&Alarm::phaseReset>, "(n ms) -> nothing",
     "Sets the elapsed time to this fraction of the interval: the argument is a phase from 0 to 1 (clamped), "
     "not milliseconds."},
    {"reset", bindMember<&Alarm::reset>, "() -> nothing",
     "Starts the next period and keeps the overshoot: the elapsed time becomes its remainder after whole "
     "intervals (0 when the interval is 0 or less)."},
    {"hardReset", bindMember<&Alarm::hardReset>, "() -> nothing",
     "Sets the elapsed time to 0, dropping any overshoot."},
    {"randomReset", bindMember<&Alarm::randomReset>, "() -> nothing",
     "Sets the elapsed time to a random fraction of the interval, so alarms made together go off at "
     "different times."},
    {"update", alarm_update, "(n elapsed ms) -> bool",
     "Adds the milliseconds to the elapsed time and returns whether the interval has passed; a disabled "
     "alarm does not advance and returns false."},
    {"getInterval", bindMember<&Alarm::getInterval>, "() -> float", "The interval in milliseconds."},
    {"getTimeTillAlarm", bindMember<&Alarm::getTimeTillAlarm>, "() -> float",
     "Milliseconds left until the alarm: interval minus elapsed, negative once it has passed."},
    {"getAlarmPercentage", bindMember<&Alarm::getAlarmPercentage>, "() -> float",
     "How far through the interval it is, from 0 to 1 (clamped); 1 when the interval is 0."},
    {"getMSElapsed", bindMember<&Alarm::getMSElapsed>, "() -> float",
     "The milliseconds elapsed since the last reset."},
    {"isAlarming", bindMember<&Alarm::isAlarming>, "() -> bool",
     "True when the elapsed time has reached the interval (until a reset); an interval of 0 is always "
     "alarming."},
    {"isEnabled", bindMember<&Alarm::isEnabled>, "() -> bool",
     "Whether update advances the alarm (true for a new alarm)."},
    {"setIsEnabled", alarm_setIsEnabled, "(b) -> nothing",
     "False freezes the alarm: update neither advances it nor reports alarming."},
};

constexpr ScriptFunction kAlarmConstructors[] = {
    {"ALARM", constructAlarm, "() or (n interval) or (n interval, b startAlarming) -> new ALARM",
     "A new alarm owned by the script, with the interval in milliseconds (default 0); with startAlarming "
     "true it starts with the whole interval elapsed. Advance it yourself with update.",
     "expecting parameters (void) or ([float|int]) or ([float|int],bool)"},
};

// ---- LFO ----

template <class Waveform>
int constructLFO(gmScriptThread* thread) {
    LFO* lfo = new Waveform();
    thread->push(ownedValue(thread->getMachine(), ScriptType::LFO, lfo));
    return kDone;
}

int lfo_setRandomPhase(gmScriptThread* thread) {
    LFO* self = selfAs<LFO>(thread);
    if (self == nullptr)
        return kRunTimeError;
    self->setRandomPhase();
    return kDone;
}

int lfo_getValue(gmScriptThread* thread) {
    LFO* self = selfAs<LFO>(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushFloat(self->getValue());
    return kDone;
}

constexpr ScriptMethod kLFOMethods[] = {
    {"update", bindMember<&LFO::update>, "(n elapsed ms) -> nothing",
     "Advances the oscillator by the milliseconds given; one update moves at most one half-cycle."},
    {"setPhase", bindMember<&LFO::setPhase>, "(n) -> nothing",
     "Places the oscillator at this fraction of its cycle, 0 to 1 (clamped)."},
    {"setRandomPhase", lfo_setRandomPhase, "() -> nothing",
     "Places the oscillator at a random point of its cycle."},
    {"setRate", bindMember<&LFO::setRate>, "(n) -> nothing",
     "Sets the period, the milliseconds of one full cycle (default 2000); 0 or less counts as 1 ms."},
    {"setRange", bindMember<&LFO::setRange>, "(n low, n high) -> nothing",
     "Sets the values getValue goes between (default 0 to 1); low may be above high to invert it."},
    {"setContour", bindMember<&LFO::setContour>, "(n, n) -> nothing",
     "Bends the wave through the point (x, y), both 0 to 1: the level x of the cycle maps to the fraction y "
     "of the range (default (0.5, 0.5), a straight line)."},
    {"getValue", lfo_getValue, "() -> float", "The current value, between the range's low and high."},
};

constexpr ScriptFunction kLFOConstructors[] = {
    {"SAWLFO", constructLFO<SawLFO>, "() -> new LFO",
     "A new sawtooth oscillator: rises from low to high over the period, then jumps back."},
    {"PULSELFO", constructLFO<PulseLFO>, "() -> new LFO",
     "A new pulse oscillator: low for half the period, high for the other half."},
    {"TRIANGLELFO", constructLFO<TriangleLFO>, "() -> new LFO",
     "A new triangle oscillator: rises from low to high over half the period and falls back over the other "
     "half."},
};
}  // namespace

const ScriptTypeTable kAlarmType{.type = ScriptType::ALARM,
                                 .name = "ALARM",
                                 .methods = kAlarmMethods,
                                 .constructors = kAlarmConstructors,
                                 .trace = traceOneUnit,
                                 .destruct = destructHandle<Alarm>};
const ScriptTypeTable kLFOType{.type = ScriptType::LFO,
                               .name = "LFO",
                               .methods = kLFOMethods,
                               .constructors = kLFOConstructors,
                               .trace = traceOneUnit,
                               .destruct = destructHandle<LFO>};
