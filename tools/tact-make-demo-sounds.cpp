// Synthesises the demo game's sounds into WAV files: drums, a bass and a lead voice for the music,
// and the shot, explosion and warp effects. Run by the build, so no sound file is kept in the repo.
//   tact-make-demo-sounds DIR
// Every sound decays to silence: the engine loops a voice until its gate time, so the game gates
// each voice at (or before) the length of its sound.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {
constexpr int kSampleRate = 22050;  // plenty for these tones, and half the bytes of 44.1 kHz
constexpr double kPi = 3.14159265358979323846;

// A fixed generator, so every build writes the same files.
class Noise {
  public:
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 23) - 1.0;
    }

  private:
    uint32_t state_ = 12345u;
};

using Voice = std::function<double(double t, double length)>;

std::vector<float> render(double lengthSeconds, const Voice& voice) {
    const int count = static_cast<int>(lengthSeconds * kSampleRate);
    std::vector<float> samples(count);
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        // A short fade at both ends keeps the loop point and the gate from clicking.
        const double fade = std::min({1.0, t / 0.002, (lengthSeconds - t) / 0.004});
        samples[i] = static_cast<float>(std::clamp(voice(t, lengthSeconds) * fade, -1.0, 1.0));
    }
    return samples;
}

bool writeWav(const std::string& path, const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "tact-make-demo-sounds: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    const sf_count_t written = sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    if (written != static_cast<sf_count_t>(samples.size())) {
        std::fprintf(stderr, "tact-make-demo-sounds: short write to %s\n", path.c_str());
        return false;
    }
    return true;
}

double noteHz(int note) {  // note 48 is C4, twelve notes an octave
    return 261.6256 * std::pow(2.0, (note - 48) / 12.0);
}

// A one-pole low-pass filter, for the bass and the explosion.
struct LowPass {
    double value = 0;
    double step(double in, double cutoffHz) {
        const double a = 1.0 - std::exp(-2.0 * kPi * cutoffHz / kSampleRate);
        value += a * (in - value);
        return value;
    }
};
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tact-make-demo-sounds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    Noise noise;
    LowPass bassFilter, boomFilter, snareFilter;
    double phase = 0;  // running phase of the swept voices

    struct Sound {
        const char* name;
        double seconds;
        Voice voice;
    };
    const Sound sounds[] = {
        // A sine falling from 150 Hz to 45 Hz.
        {"kick.wav", 0.30,
         [&](double t, double) {
             const double hz = 45 + 105 * std::exp(-t * 30);
             phase += 2 * kPi * hz / kSampleRate;
             return 0.95 * std::sin(phase) * std::exp(-t * 9);
         }},
        // Noise over a 190 Hz body.
        {"snare.wav", 0.22,
         [&](double t, double) {
             const double n = noise.next() - snareFilter.step(noise.next(), 900);
             return (0.55 * n + 0.4 * std::sin(2 * kPi * 190 * t) * std::exp(-t * 30)) * std::exp(-t * 16);
         }},
        // A tick of high noise.
        {"hat.wav", 0.06, [&](double t, double) { return 0.35 * noise.next() * std::exp(-t * 70); }},
        // A filtered saw at C2 (base note 24).
        {"bass.wav", 0.45,
         [&](double t, double) {
             const double hz = noteHz(24);
             const double saw = 2.0 * std::fmod(t * hz, 1.0) - 1.0;
             const double square = std::fmod(t * hz * 2.003, 1.0) < 0.5 ? 0.3 : -0.3;
             return 1.1 * bassFilter.step(saw + square, 300 + 1400 * std::exp(-t * 12)) * std::exp(-t * 3.5);
         }},
        // A soft pulse at C5 (base note 60).
        {"lead.wav", 0.40,
         [&](double t, double) {
             const double hz = noteHz(60);
             const double pulse = std::fmod(t * hz, 1.0) < 0.3 ? 1.0 : -1.0;
             const double vibrato = std::sin(2 * kPi * hz * 1.002 * t);
             return (0.18 * pulse + 0.22 * vibrato) * std::exp(-t * 6);
         }},
        // A square falling from 1400 Hz to 250 Hz.
        {"shot.wav", 0.14,
         [&](double t, double length) {
             const double hz = 1400 * std::pow(250.0 / 1400.0, t / length);
             phase += hz / kSampleRate;
             return (std::fmod(phase, 1.0) < 0.5 ? 0.3 : -0.3) * std::exp(-t * 14);
         }},
        // Rumbling noise whose filter closes as it fades.
        {"boom.wav", 0.85,
         [&](double t, double) {
             const double n = boomFilter.step(noise.next(), 120 + 2500 * std::exp(-t * 7));
             return std::clamp(3.2 * n, -1.0, 1.0) * std::exp(-t * 4.5);
         }},
        // A rising sweep: an enemy warping in.
        {"warp.wav", 0.40,
         [&](double t, double length) {
             const double hz = 180 * std::pow(1400.0 / 180.0, t / length);
             phase += 2 * kPi * hz / kSampleRate;
             return 0.3 * std::sin(phase) * std::sin(kPi * t / length);
         }},
    };
    for (const Sound& sound : sounds) {
        phase = 0;
        if (!writeWav(dir + "/" + sound.name, render(sound.seconds, sound.voice)))
            return 1;
    }
    return 0;
}
