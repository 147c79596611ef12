// AUDIO (the global Audio): sounds and voices.
#include "Engine/AudioModule.h"
#include "Engine/MathUtil.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
AudioModule* audio(gmScriptThread* thread) {
    return selfAs<AudioModule>(thread);
}

// Voice ids reach scripts as ints (an id past the int range reads negative and maps back here);
// a float names the id it truncates to, and a negative one none.
VoiceId voiceIdOf(const gmValue& value) {
    if (value.isInt())
        return static_cast<VoiceId>(value.getInt());
    return MathUtil::truncateToUnsigned(value.getFloat());
}

int pushVoiceId(gmScriptThread* thread, VoiceId id) {
    thread->pushInt(static_cast<int32_t>(id));
    return kDone;
}

// (n voice id): the id; false after logging.
bool voiceParam(gmScriptThread* thread, int32_t index, VoiceId& out) {
    float unused = 0.0f;
    if (!gmFloatOrIntParam(thread, index, unused))
        return false;
    out = voiceIdOf(thread->getParam(index));
    return true;
}

// (i voice id).
bool intVoiceParam(gmScriptThread* thread, int32_t index, VoiceId& out) {
    int32_t id = 0;
    if (!gmIntParam(thread, index, id))
        return false;
    out = static_cast<VoiceId>(id);
    return true;
}

// (s) or (s, note).
int audio_loadSound(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 1 && count != 2)
        return usageError(thread);
    const char* name = nullptr;
    float note = 0.0f;
    if (!gmStringParam(thread, 0, name) || (count == 2 && !gmFloatOrIntParam(thread, 1, note)))
        return kRunTimeError;
    return pushBool(
        thread, count == 2 ? self->loadSound(name, MathUtil::truncateToInt(note)) : self->loadSound(name));
}

int audio_unloadSound(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    const char* name = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, name))
        return kRunTimeError;
    self->unloadSound(name);
    return kDone;
}

int audio_getDefaultBaseNote(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushInt(self->getDefaultBaseNote());
    return kDone;
}

// (s) or (s, pan, volume) or (s, note, gate time, pan, volume).
int audio_playSound(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 1 && count != 3 && count != 5)
        return usageError(thread);
    const char* name = nullptr;
    float n[4] = {};
    if (!gmStringParam(thread, 0, name))
        return kRunTimeError;
    for (int32_t i = 1; i < count; ++i) {
        if (!gmFloatOrIntParam(thread, i, n[i - 1]))
            return kRunTimeError;
    }
    if (count == 1)
        return pushVoiceId(thread, self->playSound(name));
    if (count == 3)
        return pushVoiceId(thread, self->playSound(name, n[0], n[1]));
    return pushVoiceId(thread, self->playSound(name, MathUtil::truncateToInt(n[0]), n[1], n[2], n[3]));
}

int audio_isVoiceValid(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    VoiceId id = INVALID_VOICEID;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !intVoiceParam(thread, 0, id))
        return kRunTimeError;
    return pushBool(thread, self->isVoiceValid(id));
}

int audio_stopVoice(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    VoiceId id = INVALID_VOICEID;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !intVoiceParam(thread, 0, id))
        return kRunTimeError;
    self->stopVoice(id);
    return kDone;
}

// (n voice id, n value).
template <void (AudioModule::*Setter)(VoiceId, float)>
int setVoiceFloat(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    VoiceId id = INVALID_VOICEID;
    float value = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 2) || !voiceParam(thread, 0, id) ||
        !gmFloatOrIntParam(thread, 1, value))
        return kRunTimeError;
    (self->*Setter)(id, value);
    return kDone;
}

int audio_setVoiceNote(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    VoiceId id = INVALID_VOICEID;
    float note = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 2) || !voiceParam(thread, 0, id) ||
        !gmFloatOrIntParam(thread, 1, note))
        return kRunTimeError;
    self->setVoiceNote(id, MathUtil::truncateToInt(note));
    return kDone;
}

int audio_setVoicePause(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    VoiceId id = INVALID_VOICEID;
    bool paused = false;
    if (self == nullptr || !gmCheckParamCount(thread, 2) || !voiceParam(thread, 0, id) ||
        !gmBoolParam(thread, 1, paused))
        return kRunTimeError;
    self->setVoicePause(id, paused);
    return kDone;
}

// (s) or (s, loop).
int audio_playMusic(gmScriptThread* thread) {
    AudioModule* self = audio(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 1 && count != 2)
        return usageError(thread);
    const char* name = nullptr;
    bool loop = true;
    if (!gmStringParam(thread, 0, name) || (count == 2 && !gmBoolParam(thread, 1, loop)))
        return kRunTimeError;
    return pushBool(thread, self->playMusic(name, loop));
}

constexpr ScriptMethod kAudioMethods[] = {
    {"loadSound", audio_loadSound, "(s file name) or (s file name, n base note) -> bool",
     "Loads the sound file (in the game folder) under its name, with the base note given (default 48, C4), "
     "and logs \"Loaded sound: NAME\"; false when it cannot (it logs \"ERROR: could not load sound NAME\" "
     "and opens the console). Loading a name again replaces it once loaded and stops its voices.",
     "expecting parameters (string) or (string,NOTE)"},
    {"unloadSound", audio_unloadSound, "(s file name) -> nothing",
     "Stops and removes the sound's voices at once and frees it; nothing for a name not loaded."},
    {"unloadAllSounds", bindMember<&AudioModule::unloadAllSounds>, "() -> nothing",
     "Unloads every sound, stopping all voices."},
    {"stopAllVoices", bindMember<&AudioModule::stopAllVoices>, "() -> nothing",
     "Stops every voice: each is muted at once and removed 100 ms later."},
    {"getDefaultBaseNote", audio_getDefaultBaseNote, "() -> int",
     "The base note of a sound loaded without one: 48 (C4)."},
    {"playSound", audio_playSound,
     "(s file name) or (s file name, n pan, n volume) or (s file name, n note, n gate time ms, n pan, n "
     "volume) -> int voice id, 0 when nothing plays",
     "Starts a voice of the sound (loaded on first use). Note: BASE_NOTE plays the sound at its own pitch, "
     "otherwise semitones from its base note; gate time in ms, 0 or missing loops until stopped; pan -1 "
     "(left) to 1 (right), default 0; volume 0 to 1, default 1, times the SFX volume.",
     "expecting parameters (string) or (string,float,float) or (string,NOTE,float,float,float)"},
    {"isVoiceValid", audio_isVoiceValid, "(i voice id) -> bool",
     "True from playSound until the voice is removed (gated or stopped and released, ended, or its sound "
     "unloaded); a paused voice is valid."},
    {"setMasterVolume", bindMember<&AudioModule::setMasterVolume>, "(n, clamped to 0..1) -> nothing",
     "Sets the master volume, 0 to 1 (clamped), which scales the SFX and music volumes (default 1)."},
    {"setMusicVolume", bindMember<&AudioModule::setMusicVolume>, "(n, clamped to 0..1) -> nothing",
     "Sets the music volume, 0 to 1 (clamped), at which the streamed music (playMusic) plays."},
    {"setSFXVolume", bindMember<&AudioModule::setSFXVolume>, "(n, clamped to 0..1) -> nothing",
     "Sets the sound-effect volume, 0 to 1 (clamped), at which every voice plays; playing voices follow at "
     "once."},
    {"getMasterVolume", bindMember<&AudioModule::getMasterVolume>, "() -> float",
     "The master volume, 0 to 1."},
    {"getMusicVolume", bindMember<&AudioModule::getMusicVolume>, "() -> float, master volume x music volume",
     "The music volume times the master volume, 0 to 1."},
    {"getSFXVolume", bindMember<&AudioModule::getSFXVolume>, "() -> float, master volume x SFX volume",
     "The sound-effect volume times the master volume, 0 to 1: what voices play at."},
    {"setVoiceVolume", setVoiceFloat<&AudioModule::setVoiceVolume>, "(n voice id, n volume) -> nothing",
     "Sets a playing voice's own volume: it plays at the SFX volume times this (2 doubles it; a negative "
     "volume or NaN counts as 0); nothing for an id that is not valid."},
    {"setVoicePan", setVoiceFloat<&AudioModule::setVoicePan>,
     "(n voice id, n pan, clamped to -1..1) -> nothing",
     "Sets a playing voice's pan, -1 (left) to 1 (right), 0 the middle; nothing for an id that is not "
     "valid."},
    {"setVoiceNote", audio_setVoiceNote, "(n voice id, n note) -> nothing",
     "Changes a playing voice's pitch to the note (BASE_NOTE: the sound's own pitch); nothing for an id that "
     "is not valid."},
    {"setVoiceGateTime", setVoiceFloat<&AudioModule::setVoiceGateTime>,
     "(n voice id, n gate time ms) -> nothing",
     "Sets how long the voice plays in ms, counting the time it has played already; 0 or less: no gate, it "
     "loops until stopped."},
    {"setVoicePause", audio_setVoicePause, "(n voice id, b paused) -> nothing",
     "True holds the voice where it is, false lets it go on; a paused voice stays valid."},
    {"stopVoice", audio_stopVoice, "(i voice id) -> nothing",
     "Stops the voice: muted at once and removed 100 ms later; nothing for an id that is not valid."},
    {"setOutputPeriod", bindMember<&AudioModule::setOutputPeriodMS>,
     "(n output period ms, clamped to 1..20; the output latency follows) -> nothing",
     "Sets the period in ms in which the sound device is fed, 1 to 20 (clamped); shorter means less delay "
     "but more risk of gaps on a busy machine. Nothing without a sound device."},
    {"setSoundLooping", bindMember<&AudioModule::setSoundLooping>, "(s file name, b loop) -> bool",
     "1 (the default) makes the voices started from now on loop until stopped or gated; 0 makes them "
     "play the sound once and end by themselves, isVoiceValid then 0. 0 for a sound not loaded; "
     "loading the sound again makes it loop."},
    {"isSoundLooping", bindMember<&AudioModule::isSoundLooping>, "(s file name) -> bool",
     "1 for a looping sound, 0 for a one-shot sound or a name not loaded."},
    {"playMusic", audio_playMusic, "(s file name) or (s file name, b loop) -> bool",
     "Streams a sound file as music at the music volume, replacing the music playing: decoded as it "
     "plays (any length, little memory), looping without a gap unless loop is 0. 0, with \"ERROR: "
     "could not play music <name>\" in the log, when the file cannot be played.",
     "expecting parameters (string) or (string,int)"},
    {"stopMusic", bindMember<&AudioModule::stopMusic>, "() -> nothing", "Stops the music at once."},
    {"isMusicPlaying", bindMember<&AudioModule::isMusicPlaying>, "() -> bool",
     "1 from playMusic until stopMusic, the end of music that does not loop, or a damaged part of "
     "its file (which stops it with the log line of playMusic)."},
};
}  // namespace

const ScriptTypeTable kAudioType{.type = ScriptType::AUDIO,
                                 .name = "AUDIO",
                                 .methods = kAudioMethods,
                                 .destruct = destructHandle<AudioModule>};
