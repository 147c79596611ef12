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
    {"setInterval", bindMember<&Alarm::setInterval>, "(n ms) -> nothing"},
    {"setIntervalAndHardReset", bindMember<&Alarm::setIntervalAndHardReset>, "(n ms) -> nothing"},
    {"phaseReset", bindMember<&Alarm::phaseReset>, "(n ms) -> nothing"},
    {"reset", bindMember<&Alarm::reset>, "() -> nothing"},
    {"hardReset", bindMember<&Alarm::hardReset>, "() -> nothing"},
    {"randomReset", bindMember<&Alarm::randomReset>, "() -> nothing"},
    {"update", alarm_update, "(n elapsed ms) -> bool"},
    {"getInterval", bindMember<&Alarm::getInterval>, "() -> float"},
    {"getTimeTillAlarm", bindMember<&Alarm::getTimeTillAlarm>, "() -> float"},
    {"getAlarmPercentage", bindMember<&Alarm::getAlarmPercentage>, "() -> float"},
    {"getMSElapsed", bindMember<&Alarm::getMSElapsed>, "() -> float"},
    {"isAlarming", bindMember<&Alarm::isAlarming>, "() -> bool"},
    {"isEnabled", bindMember<&Alarm::isEnabled>, "() -> bool"},
    {"setIsEnabled", alarm_setIsEnabled, "(b) -> nothing"},
};

constexpr ScriptFunction kAlarmConstructors[] = {
    {"ALARM", constructAlarm, "() or (n interval) or (n interval, b startAlarming) -> new ALARM", nullptr,
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
    {"update", bindMember<&LFO::update>, "(n elapsed ms) -> nothing"},
    {"setPhase", bindMember<&LFO::setPhase>, "(n) -> nothing"},
    {"setRandomPhase", lfo_setRandomPhase, "() -> nothing"},
    {"setRate", bindMember<&LFO::setRate>, "(n) -> nothing"},
    {"setRange", bindMember<&LFO::setRange>, "(n low, n high) -> nothing"},
    {"setContour", bindMember<&LFO::setContour>, "(n, n) -> nothing"},
    {"getValue", lfo_getValue, "() -> float"},
};

constexpr ScriptFunction kLFOConstructors[] = {
    {"SAWLFO", constructLFO<SawLFO>, "() -> new LFO"},
    {"PULSELFO", constructLFO<PulseLFO>, "() -> new LFO"},
    {"TRIANGLELFO", constructLFO<TriangleLFO>, "() -> new LFO"},
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
