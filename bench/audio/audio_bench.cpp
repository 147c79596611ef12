// The audio module on OpenAL Soft's loopback device: the cost of starting a voice and mixing the
// next tick, where in that tick its first sample lands, and a tick of the full voice pool.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "Engine/OpenALAudioModule/OpenALAudioModule.h"

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
}  // namespace
