// The audio module on OpenAL Soft, decoding with libsndfile. Without a sound device it renders on
// OpenAL Soft's loopback device: each update mixes that tick's frames into a scratch buffer, so
// voices advance and end on the engine's clock, deterministically.
#pragma once

#include <memory>
#include <vector>

#include "Engine/AudioModule.h"

struct OpenALAudioSettings {
    enum class Device {
        // The system's default device, else the loopback device (a warning, not an error).
        DefaultOrLoopback,
        // Always the loopback device: headless runs and tests.
        Loopback,
    };
    Device device = Device::DefaultOrLoopback;
    int mixingRate = 44100;
    // Output period of a real device in frames, and how many periods it queues. 256 x 3 at 44.1 kHz
    // is 17 ms of queued output: a note started on a sequencer step is heard about one tick later.
    // OpenAL Soft reads these when it first starts in the process, so they apply to the first
    // module initialised (and not at all when ALSOFT_CONF names the user's own settings).
    int periodFrames = 256;
    int periods = 3;
    // Voices that can play at once; the device may grant fewer.
    int voices = 808;
};

class OpenALAudioModule : public AudioModule {
  public:
    explicit OpenALAudioModule(GameSystem* gameSystem, OpenALAudioSettings settings = {});
    ~OpenALAudioModule() override;

    // Opens the device and the context and makes the voice pool. A device that cannot be opened at
    // all (nor the loopback one) is fatal: "OpenAL error at ..." in a message and debug.log.
    bool init() override;

    const OpenALAudioSettings& getSettings() const { return settings_; }
    // Applies from the next init; see OpenALAudioSettings for when OpenAL Soft reads the period.
    void setOutputPeriod(int periodFrames, int periods);
    bool isLoopback() const;
    // Voices the device granted (after init).
    int getVoiceLimit() const { return static_cast<int>(allSources_.size()); }
    int getMixingRate() const { return settings_.mixingRate; }
    // Loopback only: the interleaved stereo frames the last update (or renderFrames) mixed.
    const std::vector<float>& getRenderedFrames() const { return rendered_; }
    // Loopback only: mixes [frames] more frames into the scratch buffer without an update.
    void renderFrames(int frames);

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
    void updateDevice(float deltaMS) override;

  private:
    struct Library;  // the device and context, kept out of this header

    bool makeCurrent();
    void openDevice();
    void createSourcePool();
    void closeDevice();

    OpenALAudioSettings settings_;
    std::unique_ptr<Library> library_;
    std::vector<uint32_t> allSources_;
    std::vector<uint32_t> freeSources_;
    std::vector<float> rendered_;
    double pendingFrames_ = 0.0;  // the fraction of a frame the ticks owe the loopback render
};
