// ALARM and LFO (SAWLFO, PULSELFO, TRIANGLELFO): an object's timers, or free ones a script made.
#include "Engine/Alarm.h"
#include "Engine/LFO.h"
#include "Engine/PulseLFO.h"
#include "Engine/SawLFO.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/TriangleLFO.h"

namespace {
// ---- ALARM ----

int constructAlarm(gmScriptThread* thread) {
    const int32_t count = thread->getNumParams();
    if (count > 2)
        return scriptError(thread,
                           "\"ALARM\" expecting parameters (void) or ([float|int]) or ([float|int],bool)");
    float interval = 0.0f;
    bool startAlarming = false;
    if (count >= 1 && !gmFloatOrIntParam(thread, 0, interval))
        return kRunTimeError;
    if (count == 2 && !gmBoolParam(thread, 1, startAlarming))
        return kRunTimeError;
    thread->push(ownedValue(thread->getMachine(), ScriptType::ALARM, new Alarm(interval, startAlarming)));
    return kDone;
}

template <auto Setter>
int alarmSetFloat(gmScriptThread* thread) {
    Alarm* self = selfAs<Alarm>(thread);
    float value = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value))
        return kRunTimeError;
    (self->*Setter)(value);
    return kDone;
}

template <auto Operation>
int alarmNoArguments(gmScriptThread* thread) {
    Alarm* self = selfAs<Alarm>(thread);
    if (self == nullptr)
        return kRunTimeError;
    (self->*Operation)();
    return kDone;
}

template <float (Alarm::*Getter)() const>
int alarmGetFloat(gmScriptThread* thread) {
    Alarm* self = selfAs<Alarm>(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushFloat((self->*Getter)());
    return kDone;
}

template <bool (Alarm::*Getter)() const>
int alarmGetBool(gmScriptThread* thread) {
    Alarm* self = selfAs<Alarm>(thread);
    return self != nullptr ? pushBool(thread, (self->*Getter)()) : kRunTimeError;
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
    {"setInterval", alarmSetFloat<&Alarm::setInterval>, "(n ms) -> nothing"},
    {"setIntervalAndHardReset", alarmSetFloat<&Alarm::setIntervalAndHardReset>, "(n ms) -> nothing"},
    {"phaseReset", alarmSetFloat<&Alarm::phaseReset>, "(n ms) -> nothing"},
    {"reset", alarmNoArguments<&Alarm::reset>, "() -> nothing"},
    {"hardReset", alarmNoArguments<&Alarm::hardReset>, "() -> nothing"},
    {"randomReset", alarmNoArguments<&Alarm::randomReset>, "() -> nothing"},
    {"update", alarm_update, "(n elapsed ms) -> bool"},
    {"getInterval", alarmGetFloat<&Alarm::getInterval>, "() -> float"},
    {"getTimeTillAlarm", alarmGetFloat<&Alarm::getTimeTillAlarm>, "() -> float"},
    {"getAlarmPercentage", alarmGetFloat<&Alarm::getAlarmPercentage>, "() -> float"},
    {"getMSElapsed", alarmGetFloat<&Alarm::getMSElapsed>, "() -> float"},
    {"isAlarming", alarmGetBool<&Alarm::isAlarming>, "() -> bool"},
    {"isEnabled", alarmGetBool<&Alarm::isEnabled>, "() -> bool"},
    {"setIsEnabled", alarm_setIsEnabled, "(b) -> nothing"},
};

constexpr ScriptFunction kAlarmConstructors[] = {
    {"ALARM", constructAlarm, "() or (n interval) or (n interval, b startAlarming) -> new ALARM"},
};

// ---- LFO ----

template <class Waveform>
int constructLFO(gmScriptThread* thread) {
    LFO* lfo = new Waveform();
    thread->push(ownedValue(thread->getMachine(), ScriptType::LFO, lfo));
    return kDone;
}

template <auto Setter>
int lfoSetFloat(gmScriptThread* thread) {
    LFO* self = selfAs<LFO>(thread);
    float value = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value))
        return kRunTimeError;
    (self->*Setter)(value);
    return kDone;
}

template <auto Setter>
int lfoSetTwoFloats(gmScriptThread* thread) {
    LFO* self = selfAs<LFO>(thread);
    float a = 0.0f;
    float b = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 2) || !gmFloatOrIntParam(thread, 0, a) ||
        !gmFloatOrIntParam(thread, 1, b))
        return kRunTimeError;
    (self->*Setter)(a, b);
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
    {"update", lfoSetFloat<&LFO::update>, "(n elapsed ms) -> nothing"},
    {"setPhase", lfoSetFloat<&LFO::setPhase>, "(n) -> nothing"},
    {"setRandomPhase", lfo_setRandomPhase, "() -> nothing"},
    {"setRate", lfoSetFloat<&LFO::setRate>, "(n) -> nothing"},
    {"setRange", lfoSetTwoFloats<&LFO::setRange>, "(n low, n high) -> nothing"},
    {"setContour", lfoSetTwoFloats<&LFO::setContour>, "(n, n) -> nothing"},
    {"getValue", lfo_getValue, "() -> float"},
};

constexpr ScriptFunction kLFOConstructors[] = {
    {"SAWLFO", constructLFO<SawLFO>, "() -> new LFO"},
    {"PULSELFO", constructLFO<PulseLFO>, "() -> new LFO"},
    {"TRIANGLELFO", constructLFO<TriangleLFO>, "() -> new LFO"},
};
}  // namespace

const ScriptTypeTable kAlarmType{ScriptType::ALARM,  "ALARM",      kAlarmMethods,        {},
                                 kAlarmConstructors, traceOneUnit, destructHandle<Alarm>};
const ScriptTypeTable kLFOType{ScriptType::LFO,  "LFO",        kLFOMethods,        {},
                               kLFOConstructors, traceOneUnit, destructHandle<LFO>};
