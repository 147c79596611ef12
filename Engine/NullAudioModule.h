// An audio module without a device. It keeps every rule of AudioModule and records what the device
// was asked, so headless runs behave like the real module and tests can check the rules.
#pragma once

#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "Engine/AudioModule.h"

class NullAudioModule : public AudioModule {
  public:
    // The device state of one voice's channel.
    struct Channel {
        std::string sound;
        int soundChannels = 1;
        float gain = 1.0f;
        float pan = 0.0f;
        float pitchRatio = 1.0f;
        bool paused = true;
        bool looping = true;
        // How long the sound lasts at its own pitch (0: not known) and how much of it has played.
        float lengthMS = 0.0f;
        float playedMS = 0.0f;
    };

    // [channelLimit]: how many voices can play at once.
    explicit NullAudioModule(GameSystem* gameSystem, int channelLimit = 808);
    ~NullAudioModule() override;

    void update(float deltaMS) override;
    int getUpdateCount() const { return updateCount_; }

    // A sound loads when its file exists or when it was added here (with its channel count and
    // length). A one-shot voice of a sound with a length ends by itself once it has played it
    // (unpaused time times its pitch), as a device's does at the sound's end.
    void addSound(const std::string& fileName, int channels = 1, float lengthMS = 0.0f);
    // What the device was asked, in order: "load <path>", "unload <path>", "start <path>",
    // "stop <path>", "music <path>" (streaming started), "stop music".
    const std::vector<std::string>& getRequests() const { return requests_; }
    // The channel of a valid voice, else null.
    const Channel* getChannel(VoiceId id) const;
    // Ends voice [id]'s channel as a device does when a sound stops by itself.
    void endChannel(VoiceId id);
    int getLoadedSoundCount() const { return static_cast<int>(sounds_.size()); }
    using AudioModule::setNextVoiceId;

  protected:
    std::optional<DeviceSound> loadDeviceSound(const std::string& path) override;
    void unloadDeviceSound(const DeviceSound& sound) override;
    std::optional<uint32_t> startChannel(const DeviceSound& sound) override;
    void stopChannel(uint32_t channel) override;
    bool isChannelPlaying(uint32_t channel) override;
    bool setChannelGain(uint32_t channel, float gain) override;
    bool setChannelPan(uint32_t channel, const DeviceSound& sound, float pan) override;
    bool setChannelPaused(uint32_t channel, bool paused) override;
    bool setChannelPitch(uint32_t channel, float pitchRatio) override;
    // Music streams from a file that exists or was added (its length ends music that does not
    // loop, as a device's stream ends).
    bool startDeviceMusic(const std::string& path, bool loop, std::string& reason) override;
    void stopDeviceMusic() override;
    MusicState pollDeviceMusic(std::string& reason) override;

  private:
    int channelLimit_;
    int updateCount_ = 0;
    uint32_t nextHandle_ = 1;
    struct AddedSound {
        int channels = 1;
        float lengthMS = 0.0f;
    };
    std::unordered_map<std::string, AddedSound> addedSounds_;
    std::unordered_map<uint32_t, std::string> sounds_;  // handle -> path
    std::unordered_map<uint32_t, Channel> channels_;
    std::set<uint32_t> endedChannels_;
    std::vector<std::string> requests_;
    bool musicOn_ = false;
    bool musicLoop_ = true;
    float musicLengthMS_ = 0.0f;
    float musicPlayedMS_ = 0.0f;
};
