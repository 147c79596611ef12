// The audio module on the engine's own sampler (SamplerMixer), decoding with libsndfile. The mixed
// stream goes to one OpenAL Soft streaming source on the sound device; without a device (headless
// runs, tests, or no device opening) each update renders that tick's frames in memory, so voices
// advance and end on the engine's clock, deterministically. Voices are placed in the stream at
// their ideal game time plus one fixed latency, to the sample.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "Engine/AudioModule.h"

class MusicStream;
class SamplerMixer;

struct OpenALAudioSettings {
    enum class Device {
        // The system's default device, else rendering in memory (a warning, not an error).
        DefaultOrLoopback,
        // Always in memory: headless runs and tests.
        Loopback,
    };
    Device device = Device::DefaultOrLoopback;
    int mixingRate = 44100;
    // The output period in frames: OpenAL Soft mixes [periods] of them ahead, and the engine's
    // feeding thread keeps four buffers of this size queued on its stream. 256 frames at 44.1 kHz
    // is 5.8 ms. OpenAL Soft reads its period when it first starts in the process (and not at all
    // when ALSOFT_CONF names the user's own settings); the stream's applies at once.
    int periodFrames = 256;
    int periods = 2;
    // Voices that can play at once.
    int voices = 808;
};

class OpenALAudioModule : public AudioModule {
  public:
    // Periods the module accepts, in ms: from one up to where a stopped voice's removal could
    // come before its mute.
    static constexpr float kMinPeriodMS = 1.0f;
    static constexpr float kMaxPeriodMS = 20.0f;

    explicit OpenALAudioModule(GameSystem* gameSystem, OpenALAudioSettings settings = {});
    ~OpenALAudioModule() override;

    // Opens the device and the context and makes the voice pool. A device that opens but cannot be
    // set up is fatal: "OpenAL error at ..." in a message and debug.log.
    bool init() override;

    const OpenALAudioSettings& getSettings() const { return settings_; }
    // [periodMS] clamped to kMinPeriodMS..kMaxPeriodMS; see OpenALAudioSettings for when it applies.
    void setOutputPeriodMS(float periodMS) override;
    OutputFigures getOutputFigures() const override;
    bool writeOutputTo(const std::string& path, std::string& error) override;
    // Rendering in memory (no device).
    bool isLoopback() const;
    // Voices that can play at once.
    int getVoiceLimit() const;
    int getMixingRate() const { return settings_.mixingRate; }
    // The time from a voice's ideal time to its place in the output, in ms.
    float getOutputLatencyMS() const;
    // In memory only: the interleaved stereo frames the last update (or renderFrames) mixed.
    const std::vector<float>& getRenderedFrames() const { return rendered_; }
    // In memory only: mixes [frames] more frames without an update.
    void renderFrames(int frames);
    // The voices' gains and the music's.
    void applyVolumes() override;
    // Frames the music played as silence because they were not decoded in time, since it started.
    int64_t getMusicStarvedFrames() const;

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
    bool setChannelGate(uint32_t channel, float gateMS) override;
    void updateDevice(float deltaMS) override;
    bool startDeviceMusic(const std::string& path, bool loop, std::string& reason) override;
    void stopDeviceMusic() override;
    MusicState pollDeviceMusic(std::string& reason) override;

  private:
    struct Library;  // the device, the context, the stream and the output file

    bool makeCurrent();
    void openDevice();
    void closeDevice();
    // The stream frame of game time [ms].
    int64_t frameAt(double ms) const;
    // Where a change made now goes: the ideal time plus the latency, or the next frame to render.
    int64_t placeChange();
    // Mixes the next [frames] frames into [out] and the output file.
    void renderBlock(float* out, int frames);
    void renderInMemory(int frames);
    void anchorStream();
    // The device's feeding thread, and one round of it.
    void feedLoop();
    void feedDevice();
    int getQueueFrames() const;

    // Guards everything below against the feeding thread of a device.
    mutable std::mutex mutex_;
    OpenALAudioSettings settings_;
    std::unique_ptr<Library> library_;
    std::unique_ptr<SamplerMixer> mixer_;
    // Replaced only by the game thread (under the lock); the feeding thread mixes it under the lock.
    std::unique_ptr<MusicStream> music_;
    float musicGain_ = 1.0f;
    std::string musicFailure_;  // game thread only
    std::vector<float> rendered_;
    // Game time as the updates tell it: the ideal time when the game system sets one, else the sum
    // of the updates.
    double clockMS_ = 0.0;
    int underruns_ = 0;
    int lateVoices_ = 0;
};
