// The engine's own sampler: voices of decoded sounds (looping, or once through), each with a pitch (by linear
// resampling, which also converts the sound's rate to the mixing rate), a pan, a gain, a pause
// and a gate, mixed into one interleaved stereo stream. Every change is stamped with the stream
// frame it takes effect at, so a voice starts, changes and mutes exactly there, whenever that frame
// is rendered. Plain C++ without a device: the audio module hands the stream to OpenAL or keeps it
// in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct DecodedSound;

class SamplerMixer {
  public:
    using SampleId = uint32_t;
    using VoiceSlot = uint32_t;

    // Gain and pan changes glide over this many frames, so that they do not click.
    static constexpr int kRampFrames = 32;

    // [voiceLimit] voices can play at once (at least one).
    SamplerMixer(int mixingRate, int voiceLimit);
    ~SamplerMixer();

    int getMixingRate() const { return rate_; }
    int getVoiceLimit() const;
    int getActiveVoiceCount() const { return static_cast<int>(active_.size()); }
    // The frame the next render starts at: frames rendered (or skipped) so far.
    int64_t getPosition() const { return position_; }
    // Output samples beyond [-1, 1] so far (the stream is clamped only where it leaves the engine).
    int64_t getClippedSampleCount() const { return clipped_; }

    // ---- Sounds ---------------------------------------------------------------------------------
    // Any rate, one or two channels; nothing for other channel counts or no frames.
    std::optional<SampleId> addSample(const DecodedSound& sound);
    // No voice may play it any more.
    void removeSample(SampleId sample);
    int getSampleChannels(SampleId sample) const;

    // ---- Voices ---------------------------------------------------------------------------------
    // Takes a free slot for [sample]: it sounds from [startFrame] (the next rendered frame when that
    // has passed), from the sound's first frame, once unpaused. Nothing when every slot is taken.
    // A voice that does not [loop] falls silent at the sound's last frame and is then finished
    // (its slot stays taken until freed).
    std::optional<VoiceSlot> startVoice(SampleId sample, int64_t startFrame, bool loop = true);
    // Frees the slot at once, dropping its pending changes.
    void freeVoice(VoiceSlot slot);
    bool isVoiceActive(VoiceSlot slot) const;
    // An active voice that played its sound to the end once (never for a looping one).
    bool isVoiceFinished(VoiceSlot slot) const;
    // The changes below take effect at [frame] (or the next rendered frame when it has passed).
    void setGain(VoiceSlot slot, float gain, int64_t frame);
    // -1 left .. 1 right; a stereo sound keeps its image at 0 and moves to one side at +-1.
    void setPan(VoiceSlot slot, float pan, int64_t frame);
    // Playback speed: 1 plays the sound at its own pitch.
    void setPitch(VoiceSlot slot, float ratio, int64_t frame);
    void setPaused(VoiceSlot slot, bool paused, int64_t frame);
    // Mutes the voice for good once [gateMS] have passed since its start frame; 0 or less (or NaN)
    // cancels a gate set before.
    void setGate(VoiceSlot slot, float gateMS);

    // ---- Output ---------------------------------------------------------------------------------
    // Mixes the next [frames] frames into [out] (interleaved stereo, overwritten).
    void render(float* out, int frames);
    // Advances [frames] frames as render does, without keeping the output.
    void skip(int64_t frames);
    // Moves the stream to [frame] without rendering; only while no voice is active.
    void jumpTo(int64_t frame);

  private:
    struct Sample;
    struct Voice;
    enum class Change : uint8_t { kStart, kGain, kPan, kPitch, kPause, kResume, kGate };
    struct Command {
        int64_t frame;
        VoiceSlot slot;
        uint32_t generation;
        Change change;
        float value;
    };

    void schedule(VoiceSlot slot, Change change, float value, int64_t frame);
    void apply(const Command& command);
    void updateTargets(Voice& voice);
    void mixVoice(Voice& voice, float* out, int frames);
    void deactivate(VoiceSlot slot);

    int rate_;
    int64_t position_ = 0;
    int64_t clipped_ = 0;
    std::vector<std::unique_ptr<Sample>> samples_;  // by id - 1; null once removed
    std::vector<Voice> voices_;
    std::vector<VoiceSlot> freeSlots_;
    std::vector<VoiceSlot> active_;
    // Sorted by frame; equal frames keep the order they were made in.
    std::vector<Command> commands_;
    std::vector<float> scratch_;
};
