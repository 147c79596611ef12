#include "Engine/NullAudioModule.h"

#include <filesystem>

NullAudioModule::NullAudioModule(GameSystem* gameSystem, int channelLimit)
    : AudioModule(gameSystem), channelLimit_(channelLimit) {
    addTypeName("NullAudioModule");
}

NullAudioModule::~NullAudioModule() {
    releaseAll();
}

void NullAudioModule::update(float deltaMS) {
    ++updateCount_;
    for (auto& [handle, channel] : channels_) {
        if (channel.paused || channel.looping || channel.lengthMS <= 0.0f)
            continue;
        channel.playedMS += deltaMS * channel.pitchRatio;
        if (channel.playedMS >= channel.lengthMS)
            endedChannels_.insert(handle);
    }
    if (musicOn_)
        musicPlayedMS_ += deltaMS;
    AudioModule::update(deltaMS);
}

void NullAudioModule::addSound(const std::string& fileName, int channels, float lengthMS) {
    addedSounds_["./" + fileName] = AddedSound{channels, lengthMS};
}

const NullAudioModule::Channel* NullAudioModule::getChannel(VoiceId id) const {
    std::optional<uint32_t> channel = getVoiceChannel(id);
    if (!channel)
        return nullptr;
    auto it = channels_.find(*channel);
    return it == channels_.end() ? nullptr : &it->second;
}

void NullAudioModule::endChannel(VoiceId id) {
    if (std::optional<uint32_t> channel = getVoiceChannel(id))
        endedChannels_.insert(*channel);
}

std::optional<AudioModule::DeviceSound> NullAudioModule::loadDeviceSound(const std::string& path) {
    int channels = 1;
    if (auto it = addedSounds_.find(path); it != addedSounds_.end()) {
        channels = it->second.channels;
    } else {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            return std::nullopt;
    }
    requests_.push_back("load " + path);
    const uint32_t handle = nextHandle_++;
    sounds_[handle] = path;
    return DeviceSound{handle, channels};
}

void NullAudioModule::unloadDeviceSound(const DeviceSound& sound) {
    auto it = sounds_.find(sound.handle);
    if (it == sounds_.end())
        return;
    requests_.push_back("unload " + it->second);
    sounds_.erase(it);
}

std::optional<uint32_t> NullAudioModule::startChannel(const DeviceSound& sound) {
    if (static_cast<int>(channels_.size()) >= channelLimit_)
        return std::nullopt;
    const std::string& path = sounds_.at(sound.handle);
    requests_.push_back("start " + path);
    const uint32_t channel = nextHandle_++;
    const auto added = addedSounds_.find(path);
    channels_[channel] = Channel{.sound = path,
                                 .soundChannels = sound.channels,
                                 .looping = sound.looping,
                                 .lengthMS = added != addedSounds_.end() ? added->second.lengthMS : 0.0f};
    return channel;
}

void NullAudioModule::stopChannel(uint32_t channel) {
    auto it = channels_.find(channel);
    if (it == channels_.end())
        return;
    requests_.push_back("stop " + it->second.sound);
    channels_.erase(it);
    endedChannels_.erase(channel);
}

bool NullAudioModule::isChannelPlaying(uint32_t channel) {
    return channels_.count(channel) != 0 && endedChannels_.count(channel) == 0;
}

bool NullAudioModule::setChannelGain(uint32_t channel, float gain) {
    auto it = channels_.find(channel);
    if (it == channels_.end())
        return false;
    it->second.gain = gain;
    return true;
}

bool NullAudioModule::setChannelPan(uint32_t channel, const DeviceSound&, float pan) {
    auto it = channels_.find(channel);
    if (it == channels_.end())
        return false;
    it->second.pan = pan;
    return true;
}

bool NullAudioModule::setChannelPaused(uint32_t channel, bool paused) {
    auto it = channels_.find(channel);
    if (it == channels_.end())
        return false;
    it->second.paused = paused;
    return true;
}

bool NullAudioModule::setChannelPitch(uint32_t channel, float pitchRatio) {
    auto it = channels_.find(channel);
    if (it == channels_.end())
        return false;
    it->second.pitchRatio = pitchRatio;
    return true;
}

bool NullAudioModule::startDeviceMusic(const std::string& path, bool loop, std::string& reason) {
    const auto added = addedSounds_.find(path);
    std::error_code error;
    if (added == addedSounds_.end() && !std::filesystem::is_regular_file(path, error)) {
        reason = "no such file";
        return false;
    }
    requests_.push_back("music " + path);
    musicOn_ = true;
    musicLoop_ = loop;
    musicLengthMS_ = added != addedSounds_.end() ? added->second.lengthMS : 0.0f;
    musicPlayedMS_ = 0.0f;
    return true;
}

void NullAudioModule::stopDeviceMusic() {
    if (musicOn_)
        requests_.push_back("stop music");
    musicOn_ = false;
}

AudioModule::MusicState NullAudioModule::pollDeviceMusic(std::string&) {
    if (!musicOn_)
        return MusicState::kEnded;
    if (!musicLoop_ && musicLengthMS_ > 0.0f && musicPlayedMS_ >= musicLengthMS_)
        return MusicState::kEnded;
    return MusicState::kPlaying;
}
