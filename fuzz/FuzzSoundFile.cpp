// Fuzz target: bytes through the sound loader (libsndfile behind it). A refused file gives a
// reason; an accepted one is whole frames of one or two channels within the limits.
#include "Engine/OpenALAudioModule/SoundFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
        std::abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A smaller cap than the engine's, so inputs that expand hugely stay fast to decode.
    SoundFileLimits limits;
    limits.maxSamples = int64_t{1} << 20;
    std::string reason;
    std::optional<DecodedSound> sound = decodeSoundBytes(data, size, &reason, limits);
    if (!sound) {
        check(!reason.empty(), "a refused sound gave no reason");
        return 0;
    }
    check(sound->channels >= 1 && sound->channels <= limits.maxChannels,
          "an accepted sound has a bad channel count");
    check(sound->sampleRate >= 1 && sound->sampleRate <= limits.maxSampleRate,
          "an accepted sound has a bad rate");
    check(!sound->samples.empty() && static_cast<int64_t>(sound->samples.size()) <= limits.maxSamples,
          "an accepted sound is empty or too long");
    check(sound->samples.size() % static_cast<std::size_t>(sound->channels) == 0,
          "an accepted sound ends inside a frame");
    return 0;
}
