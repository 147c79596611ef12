#include "Engine/OpenALAudioModule/SamplerMixer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Engine/OpenALAudioModule/SoundFile.h"

namespace {
// Sample positions are 32.32 fixed point: exact steps, no drift over a long loop.
constexpr int kFractionBits = 32;
constexpr float kFractionScale = 1.0f / 4294967296.0f;
// Far-off pitches play at these limits (the module's notes span far more than the keyboard).
constexpr float kMinPitch = 1.0f / 1024.0f;
constexpr float kMaxPitch = 1024.0f;

// Constant power: the level of a source at [position] (-1 left .. 1 right) on each side.
void panCoefficients(float position, float& left, float& right) {
    const float angle = (position + 1.0f) * std::numbers::pi_v<float> / 4.0f;
    left = std::cos(angle);
    right = std::sin(angle);
}
}  // namespace

struct SamplerMixer::Sample {
    int channels = 1;
    int rate = 0;
    int64_t frames = 0;
    // Interleaved, with the first frame repeated after the last so interpolation wraps.
    std::vector<float> data;
};

struct SamplerMixer::Voice {
    const Sample* sample = nullptr;
    uint32_t generation = 0;
    uint32_t gateSerial = 0;
    bool inUse = false;
    bool started = false;
    bool paused = true;
    bool gated = false;
    bool loop = true;
    bool finished = false;
    int64_t startFrame = 0;
    std::size_t activeIndex = 0;
    uint64_t position = 0;
    uint64_t step = uint64_t{1} << kFractionBits;
    float gain = 1.0f;
    float pan = 0.0f;
    float pitch = 1.0f;
    // Per source channel, its level on the left and on the right output: now and where a ramp goes.
    float current[4] = {};
    float target[4] = {};
    int rampLeft = 0;
};

SamplerMixer::SamplerMixer(int mixingRate, int voiceLimit)
    : rate_(mixingRate > 0 ? mixingRate : 44100), voices_(static_cast<std::size_t>(std::max(1, voiceLimit))) {
    freeSlots_.reserve(voices_.size());
    for (std::size_t i = voices_.size(); i-- > 0;) freeSlots_.push_back(static_cast<VoiceSlot>(i));
    active_.reserve(voices_.size());
}

SamplerMixer::~SamplerMixer() = default;

int SamplerMixer::getVoiceLimit() const {
    return static_cast<int>(voices_.size());
}

// ---- Sounds -------------------------------------------------------------------------------------

std::optional<SamplerMixer::SampleId> SamplerMixer::addSample(const DecodedSound& sound) {
    const int64_t frames = sound.getFrameCount();
    if ((sound.channels != 1 && sound.channels != 2) || frames <= 0 || sound.sampleRate <= 0)
        return std::nullopt;
    auto sample = std::make_unique<Sample>();
    sample->channels = sound.channels;
    sample->rate = sound.sampleRate;
    sample->frames = frames;
    sample->data.resize(static_cast<std::size_t>((frames + 1) * sound.channels));
    constexpr float kScale = 1.0f / 32768.0f;
    for (std::size_t i = 0; i < sound.samples.size(); ++i) sample->data[i] = sound.samples[i] * kScale;
    for (int c = 0; c < sound.channels; ++c)
        sample->data[static_cast<std::size_t>(frames * sound.channels + c)] = sample->data[c];
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        if (samples_[i] == nullptr) {
            samples_[i] = std::move(sample);
            return static_cast<SampleId>(i + 1);
        }
    }
    samples_.push_back(std::move(sample));
    return static_cast<SampleId>(samples_.size());
}

void SamplerMixer::removeSample(SampleId sample) {
    if (sample >= 1 && sample <= samples_.size())
        samples_[sample - 1].reset();
}

int SamplerMixer::getSampleChannels(SampleId sample) const {
    if (sample < 1 || sample > samples_.size() || samples_[sample - 1] == nullptr)
        return 0;
    return samples_[sample - 1]->channels;
}

// ---- Voices -------------------------------------------------------------------------------------

std::optional<SamplerMixer::VoiceSlot> SamplerMixer::startVoice(SampleId sample, int64_t startFrame,
                                                                bool loop) {
    if (freeSlots_.empty() || getSampleChannels(sample) == 0)
        return std::nullopt;
    const VoiceSlot slot = freeSlots_.back();
    freeSlots_.pop_back();
    Voice& voice = voices_[slot];
    const uint32_t generation = voice.generation;
    voice = Voice{};
    voice.generation = generation;
    voice.sample = samples_[sample - 1].get();
    voice.inUse = true;
    voice.loop = loop;
    voice.startFrame = std::max(startFrame, position_);
    voice.activeIndex = active_.size();
    active_.push_back(slot);
    updateTargets(voice);
    schedule(slot, Change::kStart, 0.0f, voice.startFrame);
    return slot;
}

void SamplerMixer::freeVoice(VoiceSlot slot) {
    if (!isVoiceActive(slot))
        return;
    Voice& voice = voices_[slot];
    voice.inUse = false;
    voice.sample = nullptr;
    ++voice.generation;
    deactivate(slot);
    freeSlots_.push_back(slot);
}

void SamplerMixer::deactivate(VoiceSlot slot) {
    const std::size_t index = voices_[slot].activeIndex;
    const VoiceSlot last = active_.back();
    active_[index] = last;
    voices_[last].activeIndex = index;
    active_.pop_back();
}

bool SamplerMixer::isVoiceActive(VoiceSlot slot) const {
    return slot < voices_.size() && voices_[slot].inUse;
}

bool SamplerMixer::isVoiceFinished(VoiceSlot slot) const {
    return isVoiceActive(slot) && voices_[slot].finished;
}

void SamplerMixer::setGain(VoiceSlot slot, float gain, int64_t frame) {
    schedule(slot, Change::kGain, std::isfinite(gain) ? std::max(0.0f, gain) : 0.0f, frame);
}

void SamplerMixer::setPan(VoiceSlot slot, float pan, int64_t frame) {
    schedule(slot, Change::kPan, std::isnan(pan) ? 0.0f : std::clamp(pan, -1.0f, 1.0f), frame);
}

void SamplerMixer::setPitch(VoiceSlot slot, float ratio, int64_t frame) {
    schedule(slot, Change::kPitch, std::isnan(ratio) ? 1.0f : std::clamp(ratio, kMinPitch, kMaxPitch), frame);
}

void SamplerMixer::setPaused(VoiceSlot slot, bool paused, int64_t frame) {
    schedule(slot, paused ? Change::kPause : Change::kResume, 0.0f, frame);
}

void SamplerMixer::setGate(VoiceSlot slot, float gateMS) {
    if (!isVoiceActive(slot))
        return;
    Voice& voice = voices_[slot];
    ++voice.gateSerial;  // a gate set before no longer applies
    if (!(gateMS > 0.0f))
        return;
    const double frames = std::min(static_cast<double>(gateMS) * rate_ / 1000.0, 1e15);
    const int64_t frame = voice.startFrame + std::llround(frames);
    const auto at = std::upper_bound(commands_.begin(), commands_.end(), frame,
                                     [](int64_t f, const Command& c) { return f < c.frame; });
    commands_.insert(at, Command{frame, slot, voice.generation, Change::kGate,
                                 static_cast<float>(voice.gateSerial & 0xffffu)});
}

void SamplerMixer::schedule(VoiceSlot slot, Change change, float value, int64_t frame) {
    if (!isVoiceActive(slot))
        return;
    frame = std::max(frame, position_);
    const auto at = std::upper_bound(commands_.begin(), commands_.end(), frame,
                                     [](int64_t f, const Command& c) { return f < c.frame; });
    commands_.insert(at, Command{frame, slot, voices_[slot].generation, change, value});
}

void SamplerMixer::updateTargets(Voice& voice) {
    const float gain = voice.gated ? 0.0f : voice.gain;
    if (voice.sample->channels == 1) {
        panCoefficients(voice.pan, voice.target[0], voice.target[1]);
    } else {
        // Each speaker of the image moves from its side towards the side panned to.
        const float amount = std::fabs(voice.pan);
        const float side = voice.pan < 0.0f ? -1.0f : 1.0f;
        panCoefficients(-(1.0f - amount) + side * amount, voice.target[0], voice.target[1]);
        panCoefficients((1.0f - amount) + side * amount, voice.target[2], voice.target[3]);
    }
    for (float& t : voice.target) t *= gain;
    const double ratio = static_cast<double>(voice.pitch) * voice.sample->rate / rate_;
    voice.step = std::max<uint64_t>(1, static_cast<uint64_t>(std::ldexp(ratio, kFractionBits)));
    if (voice.started && !voice.paused) {
        voice.rampLeft = kRampFrames;
    } else {
        std::copy(std::begin(voice.target), std::end(voice.target), std::begin(voice.current));
        voice.rampLeft = 0;
    }
}

void SamplerMixer::apply(const Command& command) {
    Voice& voice = voices_[command.slot];
    if (!voice.inUse || voice.generation != command.generation)
        return;
    switch (command.change) {
        case Change::kStart:
            voice.started = true;
            voice.position = 0;
            std::copy(std::begin(voice.target), std::end(voice.target), std::begin(voice.current));
            voice.rampLeft = 0;
            return;
        case Change::kGain:
            voice.gain = command.value;
            break;
        case Change::kPan:
            voice.pan = command.value;
            break;
        case Change::kPitch:
            voice.pitch = command.value;
            break;
        case Change::kPause:
            voice.paused = true;
            break;
        case Change::kResume:
            voice.paused = false;
            std::copy(std::begin(voice.target), std::end(voice.target), std::begin(voice.current));
            break;
        case Change::kGate:
            if (static_cast<uint32_t>(command.value) != (voice.gateSerial & 0xffffu))
                return;
            voice.gated = true;
            break;
    }
    updateTargets(voice);
}

// ---- Output -------------------------------------------------------------------------------------

void SamplerMixer::mixVoice(Voice& voice, float* out, int frames) {
    const Sample& sample = *voice.sample;
    const float* data = sample.data.data();
    // A voice that plays once ends just past the last frame: the stretch from there to the sound's
    // end would interpolate towards its first frame, which only a loop comes back to.
    const uint64_t end = voice.loop ? static_cast<uint64_t>(sample.frames) << kFractionBits
                                    : (static_cast<uint64_t>(sample.frames - 1) << kFractionBits) + 1;
    const uint64_t step = voice.step;
    const bool mono = sample.channels == 1;
    uint64_t position = voice.position;
    // At the sound's end a looping voice wraps round; any other is finished there.
    auto wrap = [&] {
        if (position < end)
            return true;
        if (!voice.loop) {
            voice.finished = true;
            return false;
        }
        position %= end;
        return true;
    };
    // One frame at a time while a gain or pan change glides.
    int i = 0;
    for (; i < frames && voice.rampLeft > 0; ++i, --voice.rampLeft) {
        for (int k = 0; k < 4; ++k) voice.current[k] += (voice.target[k] - voice.current[k]) / voice.rampLeft;
        const std::size_t index = (position >> kFractionBits) * sample.channels;
        const float f = static_cast<float>(static_cast<uint32_t>(position)) * kFractionScale;
        const float l = data[index] + (data[index + sample.channels] - data[index]) * f;
        const float r = mono ? l : data[index + 1] + (data[index + 3] - data[index + 1]) * f;
        out[2 * i] += mono ? l * voice.current[0] : l * voice.current[0] + r * voice.current[2];
        out[2 * i + 1] += mono ? l * voice.current[1] : l * voice.current[1] + r * voice.current[3];
        position += step;
        if (!wrap()) {
            voice.position = position;
            return;
        }
    }
    // Then in runs up to the sound's end, where the position wraps round.
    const float c0 = voice.current[0], c1 = voice.current[1], c2 = voice.current[2], c3 = voice.current[3];
    while (i < frames) {
        const uint64_t toEnd = (end - position + step - 1) / step;
        const int n = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(frames - i), toEnd));
        float* o = out + 2 * static_cast<std::size_t>(i);
        if (mono) {
            for (int k = 0; k < n; ++k) {
                const std::size_t index = position >> kFractionBits;
                const float f = static_cast<float>(static_cast<uint32_t>(position)) * kFractionScale;
                const float v = data[index] + (data[index + 1] - data[index]) * f;
                o[2 * k] += v * c0;
                o[2 * k + 1] += v * c1;
                position += step;
            }
        } else {
            for (int k = 0; k < n; ++k) {
                const std::size_t index = (position >> kFractionBits) * 2;
                const float f = static_cast<float>(static_cast<uint32_t>(position)) * kFractionScale;
                const float l = data[index] + (data[index + 2] - data[index]) * f;
                const float r = data[index + 1] + (data[index + 3] - data[index + 1]) * f;
                o[2 * k] += l * c0 + r * c2;
                o[2 * k + 1] += l * c1 + r * c3;
                position += step;
            }
        }
        i += n;
        if (!wrap())
            break;
    }
    voice.position = position;
}

void SamplerMixer::render(float* out, int frames) {
    if (frames <= 0)
        return;
    std::fill(out, out + 2 * static_cast<std::size_t>(frames), 0.0f);
    std::size_t next = 0;
    int done = 0;
    for (;;) {
        while (next < commands_.size() && commands_[next].frame <= position_ + done) apply(commands_[next++]);
        if (done == frames)
            break;
        int segment = frames - done;
        if (next < commands_.size())
            segment =
                static_cast<int>(std::min<int64_t>(segment, commands_[next].frame - (position_ + done)));
        for (VoiceSlot slot : active_) {
            Voice& voice = voices_[slot];
            if (voice.started && !voice.paused && !voice.finished)
                mixVoice(voice, out + 2 * static_cast<std::size_t>(done), segment);
        }
        done += segment;
    }
    commands_.erase(commands_.begin(), commands_.begin() + static_cast<std::ptrdiff_t>(next));
    position_ += frames;
    for (int i = 0; i < 2 * frames; ++i) {
        if (std::fabs(out[i]) > 1.0f)
            ++clipped_;
    }
}

void SamplerMixer::skip(int64_t frames) {
    constexpr int kChunk = 4096;
    scratch_.resize(2 * kChunk);
    const int64_t clipped = clipped_;
    while (frames > 0) {
        const int n = static_cast<int>(std::min<int64_t>(frames, kChunk));
        render(scratch_.data(), n);
        frames -= n;
    }
    clipped_ = clipped;  // nobody hears what was skipped
}

void SamplerMixer::jumpTo(int64_t frame) {
    if (active_.empty())
        position_ = frame;
}
