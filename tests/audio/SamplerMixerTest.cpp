// The sampler mixer alone (frames placed, changed and gated exactly where they are stamped), and the
// audio module placing voices at their ideal time plus its latency.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <numbers>
#include <vector>

#include "../engine/EngineHarness.h"
#include "Engine/OpenALAudioModule/OpenALAudioModule.h"
#include "Engine/OpenALAudioModule/SamplerMixer.h"
#include "Engine/OpenALAudioModule/SoundFile.h"

namespace {
constexpr int kRate = 44100;
const float kCentre = std::cos(std::numbers::pi_v<float> / 4.0f);  // a mono voice's level on each side

// [frames] frames of [value] (a constant level shows gains exactly), or of a cosine of [hz].
DecodedSound makeSound(int rate, int frames, float value, double hz = 0.0, int channels = 1) {
    DecodedSound sound;
    sound.channels = channels;
    sound.sampleRate = rate;
    for (int i = 0; i < frames; ++i) {
        const double v = hz > 0.0 ? value * std::cos(2.0 * std::numbers::pi * hz * i / rate) : value;
        for (int c = 0; c < channels; ++c)
            sound.samples.push_back(static_cast<int16_t>(std::lround((c == 0 ? v : 0.0) * 32767.0)));
    }
    return sound;
}

std::vector<float> render(SamplerMixer& mixer, int frames) {
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    mixer.render(out.data(), frames);
    return out;
}

double risingCrossingsPerSecond(const std::vector<float>& frames) {
    int crossings = 0;
    for (std::size_t i = 2; i < frames.size(); i += 2) {
        if (frames[i - 2] < 0.0f && frames[i] >= 0.0f)
            ++crossings;
    }
    return crossings / (static_cast<double>(frames.size() / 2) / kRate);
}
}  // namespace

TEST(SamplerMixer, AVoiceStartsChangesPausesAndGatesOnItsFrames) {
    SamplerMixer mixer(kRate, 4);
    const SamplerMixer::SampleId level = *mixer.addSample(makeSound(kRate, 1000, 0.5f));
    const SamplerMixer::VoiceSlot voice = *mixer.startVoice(level, 100);
    mixer.setPaused(voice, false, 100);
    mixer.setGain(voice, 0.5f, 300);
    mixer.setPaused(voice, true, 500);
    mixer.setPaused(voice, false, 600);
    mixer.setGate(voice, 1000.0f * 1000 / kRate);  // 1000 frames after its start
    // Rendered in odd pieces: where a block ends changes nothing.
    std::vector<float> out;
    for (int piece : {37, 250, 1, 512, 700}) {
        const std::vector<float> block = render(mixer, piece);
        out.insert(out.end(), block.begin(), block.end());
    }
    const float full = 0.5f * kCentre;
    auto left = [&](int frame) { return out[2 * static_cast<std::size_t>(frame)]; };
    EXPECT_EQ(left(99), 0.0f);
    EXPECT_NEAR(left(100), full, 1e-4);
    EXPECT_NEAR(left(299), full, 1e-4);
    EXPECT_LT(left(300), full);  // the gain glides down over kRampFrames
    EXPECT_NEAR(left(300 + SamplerMixer::kRampFrames), full / 2, 1e-4);
    EXPECT_NEAR(left(499), full / 2, 1e-4);
    EXPECT_EQ(left(500), 0.0f);
    EXPECT_EQ(left(599), 0.0f);
    EXPECT_NEAR(left(600), full / 2, 1e-4);
    EXPECT_NEAR(left(1099), full / 2, 1e-4);
    EXPECT_EQ(left(1100 + SamplerMixer::kRampFrames), 0.0f);
    EXPECT_EQ(out[2 * 1499 + 1], 0.0f);
    EXPECT_TRUE(mixer.isVoiceActive(voice));  // muted, not freed: the module removes it
    mixer.freeVoice(voice);
    EXPECT_FALSE(mixer.isVoiceActive(voice));
    EXPECT_EQ(mixer.getClippedSampleCount(), 0);
}

TEST(SamplerMixer, PitchResamplesAnyRateAndPanKeepsPowerAndStereoImages) {
    SamplerMixer mixer(kRate, 8);
    // 441 Hz recorded at 22.05 kHz plays at 441 Hz; pitch 2 (note 60 over base 48) at 882 Hz.
    const SamplerMixer::SampleId tone = *mixer.addSample(makeSound(22050, 22050, 0.5f, 441.0));
    SamplerMixer::VoiceSlot voice = *mixer.startVoice(tone, 0);
    mixer.setPaused(voice, false, 0);
    EXPECT_NEAR(risingCrossingsPerSecond(render(mixer, kRate / 2)), 441.0, 4.0);
    mixer.setPitch(voice, AudioModule::getPitchRatio(60, 48), mixer.getPosition());
    EXPECT_NEAR(risingCrossingsPerSecond(render(mixer, kRate / 2)), 882.0, 4.0);
    mixer.freeVoice(voice);

    const SamplerMixer::SampleId level = *mixer.addSample(makeSound(kRate, 100, 0.5f));
    auto levels = [&](SamplerMixer::SampleId sample, float pan) {
        const SamplerMixer::VoiceSlot slot = *mixer.startVoice(sample, mixer.getPosition());
        mixer.setPan(slot, pan, mixer.getPosition());
        mixer.setPaused(slot, false, mixer.getPosition());
        const std::vector<float> out = render(mixer, 10);
        mixer.freeVoice(slot);
        return std::pair{out[18], out[19]};
    };
    const auto [leftL, leftR] = levels(level, -1.0f);
    EXPECT_NEAR(leftL, 0.5f, 1e-4);
    EXPECT_NEAR(leftR, 0.0f, 1e-4);
    const auto [halfL, halfR] = levels(level, 0.5f);
    EXPECT_NEAR(halfL * halfL + halfR * halfR, 0.25f, 1e-3);  // constant power
    EXPECT_GT(halfR, halfL * 2.0f);
    // A stereo sound with its left channel only: the image stays at 0, and moves whole at +-1.
    const SamplerMixer::SampleId stereo = *mixer.addSample(makeSound(kRate, 100, 0.5f, 0.0, 2));
    const auto [imageL, imageR] = levels(stereo, 0.0f);
    EXPECT_NEAR(imageL, 0.5f, 1e-4);
    EXPECT_NEAR(imageR, 0.0f, 1e-4);
    const auto [movedL, movedR] = levels(stereo, 1.0f);
    EXPECT_NEAR(movedL, 0.0f, 1e-4);
    EXPECT_NEAR(movedR, 0.5f, 1e-4);
}

TEST(SamplerMixer, HostileValuesAndSoundsAreContained) {
    SamplerMixer mixer(kRate, 2);
    EXPECT_FALSE(mixer.addSample(makeSound(kRate, 0, 0.5f)));
    DecodedSound quad = makeSound(kRate, 10, 0.5f);
    quad.channels = 4;
    EXPECT_FALSE(mixer.addSample(quad));
    // One frame at 1 Hz and at 384 kHz: resampled all the same.
    const SamplerMixer::SampleId slow = *mixer.addSample(makeSound(1, 1, 0.5f));
    const SamplerMixer::SampleId fast = *mixer.addSample(makeSound(384000, 3, 0.5f));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const SamplerMixer::VoiceSlot a = *mixer.startVoice(slow, -5);
    const SamplerMixer::VoiceSlot b = *mixer.startVoice(fast, std::numeric_limits<int64_t>::min());
    EXPECT_FALSE(mixer.startVoice(fast, 0));  // both slots taken
    for (SamplerMixer::VoiceSlot v : {a, b}) {
        mixer.setPaused(v, false, 0);
        mixer.setPitch(v, inf, 0);
        mixer.setPitch(v, nan, 10);
        mixer.setPitch(v, -3.0f, 20);
        mixer.setGain(v, nan, 30);
        mixer.setGain(v, inf, 40);
        mixer.setPan(v, nan, 50);
        mixer.setPan(v, -inf, 60);
        mixer.setGate(v, inf);
        mixer.setGate(v, nan);
    }
    const std::vector<float> out = render(mixer, 2000);
    for (float sample : out) EXPECT_TRUE(std::isfinite(sample));
    EXPECT_EQ(out[2 * 1999], 0.0f);  // gain inf counts as 0
    mixer.freeVoice(a);
    mixer.freeVoice(a);
    mixer.setGain(a, 1.0f, 0);  // a freed slot ignores changes
    EXPECT_TRUE(mixer.startVoice(slow, 0));
}

// The module given ideal times (as the game system gives its ticks' and the sequencer its steps'):
// a voice sounds from its ideal time plus the latency, to the frame, whenever the updates come; a
// 500 ms gate mutes it 500 ms later to the frame, and the voice goes on the first update 100 ms
// after the gate.
TEST(SamplerMixer, TheModulePlacesVoicesAtTheirIdealTimePlusTheLatency) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tact-mixer-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    {
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open("level.wav", SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        const std::vector<float> level(kRate, 0.5f);
        sf_writef_float(file, level.data(), kRate);
        sf_close(file);

        EngineHarness engine;
        OpenALAudioModule audio(&engine.gameSystem,
                                OpenALAudioSettings{.device = OpenALAudioSettings::Device::Loopback});
        audio.init();
        const double latency = audio.getOutputLatencyMS();
        EXPECT_FLOAT_EQ(static_cast<float>(latency), UPDATE_INTERVAL_MS + SEQUENCER_STEP_MS);
        std::vector<float> all;
        double tick = 0.0;
        auto update = [&] {
            tick += UPDATE_INTERVAL_MS;
            audio.setCurrentIdealTime(tick);
            audio.update(UPDATE_INTERVAL_MS);
            all.insert(all.end(), audio.getRenderedFrames().begin(), audio.getRenderedFrames().end());
        };
        update();
        update();
        // A sequencer step due 3.2 ms before the clock tick that runs after tick 2.
        const double stepTime = 2 * UPDATE_INTERVAL_MS - 3.2;
        audio.setCurrentIdealTime(stepTime);
        const VoiceId id = audio.playSound("level.wav", BASE_NOTE, 500.0f, 0.0f, 1.0f);
        ASSERT_NE(id, INVALID_VOICEID);
        int ticks = 2;
        while (audio.isVoiceValid(id) && ticks < 100) {
            update();
            ++ticks;
        }
        const auto start = static_cast<std::size_t>(std::llround((stepTime + latency) * kRate / 1000.0));
        const std::size_t gate = start + kRate / 2;
        ASSERT_GT(all.size() / 2, gate + 100);
        EXPECT_EQ(all[2 * (start - 1)], 0.0f);
        EXPECT_NEAR(all[2 * start], 0.5f * kCentre, 1e-3);
        EXPECT_NEAR(all[2 * (gate - 1)], 0.5f * kCentre, 1e-3);
        EXPECT_EQ(all[2 * (gate + SamplerMixer::kRampFrames)], 0.0f);
        // The gate counts from playSound on the updates: it passes 500 ms on the 30th after it (or
        // the 31st, as the float sum of the intervals rounds), and the release's 100 ms end on the
        // 6th (or 7th) after that.
        EXPECT_GE(ticks, 2 + 30 + 6);
        EXPECT_LE(ticks, 2 + 31 + 7);
        EXPECT_EQ(audio.getOutputFigures().lateVoices, 0);

        // A change whose place has been rendered already comes at the next frame, counted as late.
        audio.setCurrentIdealTime(0.0);
        EXPECT_NE(audio.playSound("level.wav"), INVALID_VOICEID);
        EXPECT_EQ(audio.getOutputFigures().lateVoices, 1);
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
}

// A voice that does not loop sounds for the sound's frames over its pitch, then is finished but
// keeps its slot until freed; one that loops plays on.
TEST(SamplerMixer, AOneShotVoiceFinishesAtTheSoundsLastFrameAtAnyPitch) {
    SamplerMixer mixer(kRate, 4);
    const auto sample = mixer.addSample(makeSound(kRate, 1000, 0.5f));
    ASSERT_TRUE(sample);
    for (float pitch : {1.0f, 2.0f, 0.5f, 1.5f}) {
        const auto once = mixer.startVoice(*sample, 0, false);
        const auto looping = mixer.startVoice(*sample, 0, true);
        ASSERT_TRUE(once && looping);
        mixer.setPan(*once, -1.0f, 0);
        mixer.setPan(*looping, 1.0f, 0);
        for (auto slot : {*once, *looping}) {
            mixer.setPitch(slot, pitch, 0);
            mixer.setPaused(slot, false, 0);
        }
        const std::vector<float> out = render(mixer, 4000);
        int heard = 0;
        for (std::size_t i = 0; i < out.size(); i += 2) heard += std::fabs(out[i]) > 0.25f;
        // Positions 0, p, 2p, ... up to the last frame, 999.
        EXPECT_EQ(heard, static_cast<int>(std::floor(999.0 / pitch)) + 1) << pitch;
        EXPECT_TRUE(mixer.isVoiceFinished(*once));
        EXPECT_TRUE(mixer.isVoiceActive(*once));
        EXPECT_FALSE(mixer.isVoiceFinished(*looping));
        EXPECT_GT(std::fabs(out[out.size() - 1]), 0.25f);
        mixer.freeVoice(*once);
        mixer.freeVoice(*looping);
    }
}
