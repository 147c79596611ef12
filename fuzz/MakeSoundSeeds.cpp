// Writes short sounds in the formats the sound loader reads, as seeds for its fuzz target:
// tact_fuzz_make_sound_seeds OUT_DIR
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path outDir = argv[1];
    std::filesystem::create_directories(outDir);
    struct Seed {
        const char* name;
        int format;
        int channels;
        int frames;
    };
    // Few frames: the seeds stay within the fuzzer's input size.
    const Seed seeds[] = {
        {"mono16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 200},
        {"stereo8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 2, 100},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 100},
        {"adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, 500},
        {"mono.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 300},
        {"stereo.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 200},
        {"mono.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 400},
        {"mono.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 100},
        {"mono.au", SF_FORMAT_AU | SF_FORMAT_ULAW, 1, 100},
    };
    int written = 0;
    for (const Seed& seed : seeds) {
        SF_INFO info{};
        info.samplerate = 8000;
        info.channels = seed.channels;
        info.format = seed.format;
        const std::string path = (outDir / seed.name).string();
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (file == nullptr)
            continue;
        std::vector<float> samples;
        for (int i = 0; i < seed.frames * seed.channels; ++i) samples.push_back(0.5f * std::sin(0.3f * i));
        sf_writef_float(file, samples.data(), seed.frames);
        sf_close(file);
        ++written;
    }
    std::printf("%d sound seeds\n", written);
    return written > 0 ? 0 : 1;
}
