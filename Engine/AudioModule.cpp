#include "Engine/AudioModule.h"

#include <cmath>
#include <vector>

#include "Engine/DebugLog.h"
#include "Engine/FilePath.h"
#include "Engine/GameSystem.h"

namespace {
// Room for a sound's path ("./" and the name); longer names fail to load like missing files.
constexpr std::size_t kPathBufferSize = 512;

float clampUnit(float value) {
    if (!(value > 0.0f))
        return 0.0f;  // also NaN
    return value < 1.0f ? value : 1.0f;
}

float clampPan(float pan) {
    if (std::isnan(pan))
        return 0.0f;
    return pan < -1.0f ? -1.0f : (pan > 1.0f ? 1.0f : pan);
}
}  // namespace

AudioModule::AudioModule(GameSystem* gameSystem) : EngineModule(gameSystem) {
    addTypeName("AudioModule");
}

AudioModule::~AudioModule() = default;

float AudioModule::getPitchRatio(int note, int baseNote) {
    if (note == BASE_NOTE)
        return 1.0f;
    // In double so that far-off notes from scripts neither overflow the int nor lose the octave.
    const double semitones = static_cast<double>(note) - static_cast<double>(baseNote);
    return static_cast<float>(std::exp2(semitones / 12.0));
}

void AudioModule::log(const std::string& text) {
    if (gameSystem_ != nullptr)
        gameSystem_->log(text);
}

// ---- Volumes ------------------------------------------------------------------------------------

void AudioModule::setMasterVolume(float volume) {
    masterVolume_ = clampUnit(volume);
    applyVolumes();
}

void AudioModule::setMusicVolume(float volume) {
    musicVolume_ = clampUnit(volume);
    applyVolumes();
}

void AudioModule::setSFXVolume(float volume) {
    sfxVolume_ = clampUnit(volume);
    applyVolumes();
}

void AudioModule::applyVolumes() {
    for (auto& [id, voice] : voices_) {
        // A releasing voice stays muted.
        if (voice.release.getInterval() > 0.0f)
            continue;
        if (!setChannelGain(voice.channel, getSFXVolume() * voice.volume))
            appendToDebugLog("SOUNDSKIN: error setting volume");
    }
}

// ---- Sounds -------------------------------------------------------------------------------------

bool AudioModule::loadSound(const std::string& fileName, int baseNote) {
    std::optional<DeviceSound> loaded;
    if (std::optional<std::string> path = makeFilePath(fileName, kPathBufferSize))
        loaded = loadDeviceSound(*path);
    if (!loaded) {
        log("ERROR: could not load sound " + fileName);
        if (gameSystem_ != nullptr) {
            gameSystem_->reportError("ERROR: could not load sound " + fileName);
            gameSystem_->openConsole();
        }
        return false;
    }
    // Replacing a loaded sound: its voices must not outlive the data they play.
    if (auto it = sounds_.find(fileName); it != sounds_.end()) {
        removeVoicesOf(fileName);
        unloadDeviceSound(it->second.device);
        sounds_.erase(it);
    }
    sounds_[fileName] = Sound{*loaded, baseNote};
    log("Loaded sound: " + fileName);
    return true;
}

bool AudioModule::setSoundLooping(const std::string& fileName, bool looping) {
    auto it = sounds_.find(fileName);
    if (it == sounds_.end())
        return false;
    it->second.device.looping = looping;
    return true;
}

bool AudioModule::isSoundLooping(const std::string& fileName) const {
    auto it = sounds_.find(fileName);
    return it != sounds_.end() && it->second.device.looping;
}

void AudioModule::unloadSound(const std::string& fileName) {
    auto it = sounds_.find(fileName);
    if (it == sounds_.end())
        return;
    removeVoicesOf(fileName);
    unloadDeviceSound(it->second.device);
    sounds_.erase(it);
}

void AudioModule::unloadAllSounds() {
    while (!sounds_.empty()) unloadSound(sounds_.begin()->first);
}

void AudioModule::releaseAll() {
    while (!voices_.empty()) removeVoice(voices_.begin());
    unloadAllSounds();
}

// ---- Voices -------------------------------------------------------------------------------------

VoiceId AudioModule::playSound(const std::string& fileName, int note, float gateTimeMS, float pan,
                               float volume) {
    auto soundIt = sounds_.find(fileName);
    if (soundIt == sounds_.end()) {
        if (!loadSound(fileName, defaultBaseNote_))
            return INVALID_VOICEID;
        soundIt = sounds_.find(fileName);
    }
    std::optional<uint32_t> channel = startChannel(soundIt->second.device);
    if (!channel) {
        appendToDebugLog("SOUNDSKIN: couldn't play " + fileName);
        return INVALID_VOICEID;
    }
    const VoiceId id = nextVoiceId_;
    Voice& voice = voices_[id];
    voice.soundName = fileName;
    voice.sound = soundIt->second;
    voice.channel = *channel;
    // Ids are never 0 and never one in use, also after the counter wraps.
    do {
        ++nextVoiceId_;
        if (nextVoiceId_ == INVALID_VOICEID)
            nextVoiceId_ = INVALID_VOICEID + 1;
    } while (voices_.count(nextVoiceId_) != 0);

    setVoiceVolume(id, volume);
    setVoicePan(id, pan);
    setVoiceNote(id, note);
    setVoiceGateTime(id, gateTimeMS);
    setVoicePause(id, false);
    return id;
}

AudioModule::Voice* AudioModule::findVoice(VoiceId id) {
    auto it = voices_.find(id);
    return it == voices_.end() ? nullptr : &it->second;
}

bool AudioModule::isVoiceValid(VoiceId id) const {
    return voices_.count(id) != 0;
}

std::optional<uint32_t> AudioModule::getVoiceChannel(VoiceId id) const {
    auto it = voices_.find(id);
    if (it == voices_.end())
        return std::nullopt;
    return it->second.channel;
}

void AudioModule::setVoiceVolume(VoiceId id, float volume) {
    Voice* voice = findVoice(id);
    if (voice == nullptr)
        return;
    // The voice keeps its volume as given (2 doubles the SFX volume); only a negative volume or
    // NaN counts as 0.
    voice->volume = volume > 0.0f ? volume : 0.0f;
    if (voice->release.getInterval() > 0.0f)
        return;  // a releasing voice stays muted
    if (!setChannelGain(voice->channel, getSFXVolume() * voice->volume))
        appendToDebugLog("SOUNDSKIN: error setting volume");
}

void AudioModule::setVoicePan(VoiceId id, float pan) {
    Voice* voice = findVoice(id);
    if (voice == nullptr)
        return;
    if (!setChannelPan(voice->channel, voice->sound.device, clampPan(pan)))
        appendToDebugLog("SOUNDSKIN: error setting pan");
}

void AudioModule::setVoicePause(VoiceId id, bool paused) {
    Voice* voice = findVoice(id);
    if (voice == nullptr)
        return;
    if (!setChannelPaused(voice->channel, paused))
        appendToDebugLog("SOUNDSKIN: error setting paused");
}

void AudioModule::setVoiceNote(VoiceId id, int note) {
    Voice* voice = findVoice(id);
    if (voice == nullptr)
        return;
    if (!setChannelPitch(voice->channel, getPitchRatio(note, voice->sound.baseNote)))
        appendToDebugLog("SOUNDSKIN: error setting frequency");
}

void AudioModule::setVoiceGateTime(VoiceId id, float gateTimeMS) {
    Voice* voice = findVoice(id);
    if (voice == nullptr)
        return;
    // NaN gates nothing, like 0.
    const float gate = gateTimeMS > 0.0f ? gateTimeMS : 0.0f;
    voice->gate.setInterval(gate);
    voice->deviceGate = setChannelGate(voice->channel, gate) && gate > 0.0f;
}

void AudioModule::stopVoice(VoiceId id) {
    Voice* voice = findVoice(id);
    if (voice != nullptr)
        releaseVoice(*voice, true);
}

void AudioModule::releaseVoice(Voice& voice, bool mute) {
    if (mute && !setChannelGain(voice.channel, 0.0f))
        appendToDebugLog("SOUNDSKIN: error setting volume");
    voice.release.setIntervalAndHardReset(VOICE_RELEASE_MS);
}

void AudioModule::stopAllVoices() {
    std::vector<VoiceId> ids;
    ids.reserve(voices_.size());
    for (const auto& [id, voice] : voices_) ids.push_back(id);
    for (VoiceId id : ids) stopVoice(id);
}

void AudioModule::removeVoice(std::map<VoiceId, Voice>::iterator it) {
    stopChannel(it->second.channel);
    voices_.erase(it);
}

void AudioModule::removeVoicesOf(const std::string& fileName) {
    for (auto it = voices_.begin(); it != voices_.end();) {
        auto next = std::next(it);
        if (it->second.soundName == fileName)
            removeVoice(it);
        it = next;
    }
}

// ---- Music --------------------------------------------------------------------------------------

bool AudioModule::playMusic(const std::string& fileName, bool loop) {
    stopMusic();
    std::string reason = "name too long";
    const std::optional<std::string> path = makeFilePath(fileName, kPathBufferSize);
    if (!path || !startDeviceMusic(*path, loop, reason)) {
        appendToDebugLog("SOUNDSKIN: music " + fileName + ": " + reason);
        log("ERROR: could not play music " + fileName);
        return false;
    }
    musicName_ = fileName;
    musicPlaying_ = true;
    return true;
}

void AudioModule::stopMusic() {
    if (!musicPlaying_)
        return;
    stopDeviceMusic();
    musicPlaying_ = false;
}

void AudioModule::update(float deltaMS) {
    updateDevice(deltaMS);
    if (musicPlaying_) {
        std::string reason;
        const MusicState state = pollDeviceMusic(reason);
        if (state != MusicState::kPlaying) {
            stopMusic();
            if (state == MusicState::kFailed) {
                appendToDebugLog("SOUNDSKIN: music " + musicName_ + ": " + reason);
                log("ERROR: could not play music " + musicName_);
            }
        }
    }
    for (auto it = voices_.begin(); it != voices_.end();) {
        auto next = std::next(it);
        Voice& voice = it->second;
        if (!isChannelPlaying(voice.channel)) {
            removeVoice(it);
        } else if (voice.release.getInterval() <= 0.0f) {
            // A device that gated the voice has muted it at the gate's frame already; muting
            // again now could come before that frame.
            if (voice.gate.getInterval() > 0.0f && voice.gate.update(deltaMS))
                releaseVoice(voice, !voice.deviceGate);
        } else if (voice.release.update(deltaMS)) {
            removeVoice(it);
        }
        it = next;
    }
}
