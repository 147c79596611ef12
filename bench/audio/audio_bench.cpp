// The audio module rendering in memory: the cost of starting a voice and mixing the next tick,
// where in that tick its first sample lands, and a tick of the full voice pool; and the sampler
// mixer alone mixing a tick (735 frames at 44.1 kHz) of 64, 256 and 808 voices.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "Engine/OpenALAudioModule/OpenALAudioModule.h"
#include "Engine/OpenALAudioModule/SamplerMixer.h"
#include "Engine/OpenALAudioModule/SoundFile.h"

namespace {
constexpr float kTickMS = 1000.0f / 60.0f;

// A second of a 441 Hz tone starting at its peak, in a directory of its own.
class ToneFile {
  public:
    ToneFile() : previous_(std::filesystem::current_path()) {
        dir_ = std::filesystem::temp_directory_path() / ("tact-audio-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open("tone.wav", SFM_WRITE, &info);
        std::vector<float> samples(44100);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = 0.5f * std::cos(2.0f * 3.14159265f * 441.0f * i / 44100.0f);
        sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(file);
    }
    ~ToneFile() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(dir_);
    }

  private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

OpenALAudioSettings loopback() {
    return OpenALAudioSettings{.device = OpenALAudioSettings::Device::Loopback};
}

// playSound, then the update that mixes the next tick: the time a sequencer step's note takes to
// reach rendered samples, and (counter) the frame of that tick where the note begins.
void BM_PlaySoundToFirstRenderedSample(benchmark::State& state) {
    ToneFile tone;
    OpenALAudioModule audio(nullptr, loopback());
    audio.init();
    audio.loadSound("tone.wav");
    double firstFrame = 0.0;
    for (auto _ : state) {
        const VoiceId id = audio.playSound("tone.wav");
        audio.update(kTickMS);
        state.PauseTiming();
        const std::vector<float>& frames = audio.getRenderedFrames();
        std::size_t first = 0;
        while (first < frames.size() && std::fabs(frames[first]) < 1e-3f) first += 2;
        firstFrame = static_cast<double>(first / 2);
        audio.stopVoice(id);
        for (int i = 0; i < 7; ++i) audio.update(kTickMS);
        state.ResumeTiming();
    }
    state.counters["first_sample_frame"] = firstFrame;
    state.counters["tick_frames"] = static_cast<double>(audio.getRenderedFrames().size() / 2);
}
BENCHMARK(BM_PlaySoundToFirstRenderedSample)->Unit(benchmark::kMicrosecond);

// One tick with every voice of the pool playing.
void BM_MixTickOfFullVoicePool(benchmark::State& state) {
    ToneFile tone;
    OpenALAudioModule audio(nullptr, loopback());
    audio.init();
    for (int i = 0; i < audio.getVoiceLimit(); ++i) audio.playSound("tone.wav", 0.0f, 0.001f);
    for (auto _ : state) audio.update(kTickMS);
    state.counters["voices"] = audio.getVoiceCount();
}
BENCHMARK(BM_MixTickOfFullVoicePool)->Unit(benchmark::kMicrosecond);

// A tick of the mixer with [voices] playing: mono and stereo sounds at 22.05 and 44.1 kHz, each
// voice at its own pitch and pan, a few of them ramping a gain change.
void BM_MixerTick(benchmark::State& state) {
    const int voices = static_cast<int>(state.range(0));
    SamplerMixer mixer(44100, 808);
    std::vector<SamplerMixer::SampleId> samples;
    for (int channels = 1; channels <= 2; ++channels) {
        for (int rate : {22050, 44100}) {
            DecodedSound sound;
            sound.channels = channels;
            sound.sampleRate = rate;
            sound.samples.resize(static_cast<std::size_t>(rate * channels));
            for (std::size_t i = 0; i < sound.samples.size(); ++i)
                sound.samples[i] = static_cast<int16_t>(8000.0 * std::sin(0.05 * static_cast<double>(i)));
            samples.push_back(*mixer.addSample(sound));
        }
    }
    std::vector<SamplerMixer::VoiceSlot> slots;
    for (int i = 0; i < voices; ++i) {
        // Three in four mono, as the games' sounds mostly are.
        const SamplerMixer::SampleId sample = samples[i % 4 == 3 ? 2 + i % 2 : i % 2];
        const SamplerMixer::VoiceSlot slot = *mixer.startVoice(sample, 0);
        mixer.setPitch(slot, std::exp2((i % 25 - 12) / 12.0f), 0);
        mixer.setPan(slot, (i % 21 - 10) / 10.0f, 0);
        mixer.setGain(slot, 1.0f / voices, 0);
        mixer.setPaused(slot, false, 0);
        slots.push_back(slot);
    }
    std::vector<float> out(2 * 735);
    int tick = 0;
    for (auto _ : state) {
        for (int i = 0; i < 8 && i < voices; ++i)
            mixer.setGain(slots[(tick * 8 + i) % voices], (tick % 2 + 1) * 0.5f / voices,
                          mixer.getPosition());
        mixer.render(out.data(), 735);
        ++tick;
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["voices"] = mixer.getActiveVoiceCount();
}
BENCHMARK(BM_MixerTick)->Arg(64)->Arg(256)->Arg(808)->Unit(benchmark::kMicrosecond);
}  // namespace

namespace {
// [seconds] of a stereo 441 Hz tone as Ogg Vorbis, the costliest format to decode.
void writeMusic(const char* name, int seconds) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(name, SFM_WRITE, &info);
    std::vector<float> block(2 * 44100);
    for (int s = 0; s < seconds; ++s) {
        for (int i = 0; i < 44100; ++i)
            block[2 * i] = block[2 * i + 1] = 0.5f * std::cos(2.0f * 3.14159265f * 441.0f * i / 44100.0f);
        sf_writef_float(file, block.data(), 44100);
    }
    sf_close(file);
}
}  // namespace

// A tick of streamed music, decoding and mixing, from a file of [seconds]; counters: the heap in
// use while it streams above what it was before playMusic (peak over the run), and the frames that
// were not decoded in time.
void BM_MusicTick(benchmark::State& state) {
    ToneFile tone;
    writeMusic("music.ogg", static_cast<int>(state.range(0)));
    OpenALAudioModule audio(nullptr, loopback());
    audio.init();
    audio.update(kTickMS);
    const std::size_t before = mallinfo2().uordblks;
    std::size_t peak = before;
    audio.playMusic("music.ogg");
    for (auto _ : state) {
        audio.update(kTickMS);
        peak = std::max(peak, mallinfo2().uordblks);
    }
    state.counters["heap_growth_bytes"] = static_cast<double>(peak - before);
    state.counters["starved_frames"] = static_cast<double>(audio.getMusicStarvedFrames());
    state.counters["playing"] = audio.isMusicPlaying() ? 1 : 0;
}
BENCHMARK(BM_MusicTick)->Arg(3)->Arg(30)->Unit(benchmark::kMicrosecond);
