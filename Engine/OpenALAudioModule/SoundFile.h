// Sound files decoded to interleaved 16-bit samples with libsndfile (WAV, OGG/Vorbis, FLAC and the
// other formats it reads). Files are untrusted: every failure is a refusal with a reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <sndfile.h>

struct SoundFileLimits {
    // Mono and stereo only: the mixer pans one or two channels.
    int maxChannels = 2;
    int maxSampleRate = 384000;
    // 64 Mi samples (128 MiB decoded): about 12 minutes of 44.1 kHz stereo. A small compressed file
    // can claim far more; decoding stops here instead of exhausting memory.
    int64_t maxSamples = int64_t{1} << 26;
};

struct DecodedSound {
    int channels = 0;
    int sampleRate = 0;
    std::vector<int16_t> samples;  // interleaved
    int64_t getFrameCount() const {
        return channels > 0 ? static_cast<int64_t>(samples.size()) / channels : 0;
    }
};

// Decodes the file at [path]; nothing when it cannot be opened or read, is empty, has more
// channels or a higher rate than [limits] allow, or decodes to more samples. [reason] (optional)
// gets the cause.
std::optional<DecodedSound> decodeSoundFile(const std::string& path, std::string* reason = nullptr,
                                            const SoundFileLimits& limits = {});
// The same for a file held in memory.
std::optional<DecodedSound> decodeSoundBytes(const void* data, std::size_t size,
                                             std::string* reason = nullptr,
                                             const SoundFileLimits& limits = {});

// Bytes held in memory that libsndfile reads as a file; [data] must outlive what is opened.
struct SoundBytes {
    const unsigned char* data;
    sf_count_t size;
    sf_count_t position;
};
// Opens [bytes] for reading and fills [info]; null when libsndfile cannot read them.
SNDFILE* openSoundBytes(SoundBytes& bytes, SF_INFO& info);
