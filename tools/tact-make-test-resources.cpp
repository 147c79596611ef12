// Writes the files the native test processes load into a folder: "stereotest.ogg" and
// "monotest.ogg" (synthesised tones), "pngTest.png" (a checkerboard with a soft alpha edge).
// The build runs it into test-resources/ and adds "arial.ttf" from a system font beside them.
//   tact-make-test-resources FOLDER
#include <png.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {
constexpr int kRate = 44100;
constexpr double kTwoPi = 6.283185307179586;

bool writeOgg(const std::string& path, int channels, double seconds, double leftHz, double rightHz) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = channels;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const int frames = static_cast<int>(seconds * kRate);
    std::vector<float> samples(static_cast<std::size_t>(frames * channels));
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        // A short attack and an exponential decay, so the tone sounds like a plucked note.
        const double envelope = std::min(1.0, t * 200.0) * std::exp(-3.0 * t / seconds);
        for (int c = 0; c < channels; ++c) {
            const double hz = c == 0 ? leftHz : rightHz;
            samples[static_cast<std::size_t>(i * channels + c)] =
                static_cast<float>(0.5 * envelope * std::sin(kTwoPi * hz * t));
        }
    }
    const sf_count_t written = sf_writef_float(file, samples.data(), frames);
    sf_close(file);
    return written == frames;
}

bool writePng(const std::string& path) {
    constexpr int kSize = 64;
    std::vector<uint8_t> pixels(kSize * kSize * 4);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            uint8_t* p = &pixels[static_cast<std::size_t>((y * kSize + x) * 4)];
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            p[0] = light ? 240 : static_cast<uint8_t>(x * 4);
            p[1] = light ? 200 : 40;
            p[2] = light ? 40 : static_cast<uint8_t>(y * 4);
            const double dx = x - kSize / 2.0 + 0.5;
            const double dy = y - kSize / 2.0 + 0.5;
            const double edge = std::sqrt(dx * dx + dy * dy) / (kSize / 2.0);
            p[3] = static_cast<uint8_t>(edge >= 1.0 ? 0 : 255.0 * std::min(1.0, (1.0 - edge) * 4.0));
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kSize;
    image.height = kSize;
    image.format = PNG_FORMAT_RGBA;
    if (png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), image.message);
        return false;
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tact-make-test-resources FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = writeOgg(folder + "/stereotest.ogg", 2, 1.0, 440.0, 660.0) &&
                    writeOgg(folder + "/monotest.ogg", 1, 0.25, 523.25, 523.25) &&
                    writePng(folder + "/pngTest.png");
    return ok ? 0 : 1;
}
