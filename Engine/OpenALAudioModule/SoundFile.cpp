#include "Engine/OpenALAudioModule/SoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace {
// Frames decoded per read: large enough to keep the calls few, small enough that a file lying about
// its length costs nothing before the reads run dry.
constexpr sf_count_t kReadFrames = 4096;

sf_count_t memoryLength(void* user) {
    return static_cast<SoundBytes*>(user)->size;
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    SoundBytes* file = static_cast<SoundBytes*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR)
        base = file->position;
    if (whence == SEEK_END)
        base = file->size;
    // Out-of-range targets are refused rather than clamped, as a file would refuse them.
    if (offset < -base || offset > file->size - base)
        return -1;
    file->position = base + offset;
    return file->position;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user) {
    SoundBytes* file = static_cast<SoundBytes*>(user);
    const sf_count_t available = std::max<sf_count_t>(0, file->size - file->position);
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, available);
    if (n > 0)
        std::memcpy(out, file->data + file->position, static_cast<std::size_t>(n));
    file->position += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t memoryTell(void* user) {
    return static_cast<SoundBytes*>(user)->position;
}

void setReason(std::string* reason, const std::string& text) {
    if (reason != nullptr)
        *reason = text;
}

std::optional<DecodedSound> decodeOpened(SNDFILE* file, const SF_INFO& info, std::string* reason,
                                         const SoundFileLimits& limits) {
    if (info.channels < 1 || info.channels > limits.maxChannels) {
        setReason(reason, "unsupported channel count " + std::to_string(info.channels));
        return std::nullopt;
    }
    if (info.samplerate < 1 || info.samplerate > limits.maxSampleRate) {
        setReason(reason, "unsupported sample rate " + std::to_string(info.samplerate));
        return std::nullopt;
    }
    if (info.frames <= 0) {
        setReason(reason, "no frames");
        return std::nullopt;
    }
    DecodedSound sound;
    sound.channels = info.channels;
    sound.sampleRate = info.samplerate;
    // Reserve by the header only up to a modest size: the header is not trusted.
    const int64_t claimed = std::min<int64_t>(info.frames, limits.maxSamples / info.channels);
    sound.samples.reserve(static_cast<std::size_t>(std::min<int64_t>(claimed, 1 << 20) * info.channels));
    std::vector<int16_t> block(static_cast<std::size_t>(kReadFrames * info.channels));
    for (;;) {
        const sf_count_t read = sf_readf_short(file, block.data(), kReadFrames);
        if (read <= 0)
            break;
        if (static_cast<int64_t>(sound.samples.size()) + read * info.channels > limits.maxSamples) {
            setReason(reason, "too long");
            return std::nullopt;
        }
        sound.samples.insert(sound.samples.end(), block.begin(), block.begin() + read * info.channels);
        if (read < kReadFrames)
            break;
    }
    if (sf_error(file) != SF_ERR_NO_ERROR) {
        setReason(reason, sf_strerror(file));
        return std::nullopt;
    }
    if (sound.samples.empty()) {
        setReason(reason, "no frames");
        return std::nullopt;
    }
    // A file whose data ends before its header says is damaged, not a shorter sound.
    if (info.frames != SF_COUNT_MAX && sound.getFrameCount() < info.frames) {
        setReason(reason, "truncated");
        return std::nullopt;
    }
    return sound;
}
}  // namespace

std::optional<DecodedSound> decodeSoundFile(const std::string& path, std::string* reason,
                                            const SoundFileLimits& limits) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        setReason(reason, sf_strerror(nullptr));
        return std::nullopt;
    }
    std::optional<DecodedSound> sound = decodeOpened(file, info, reason, limits);
    sf_close(file);
    return sound;
}

std::optional<DecodedSound> decodeSoundBytes(const void* data, std::size_t size, std::string* reason,
                                             const SoundFileLimits& limits) {
    SoundBytes memory{static_cast<const unsigned char*>(data), static_cast<sf_count_t>(size), 0};
    SF_INFO info{};
    SNDFILE* file = openSoundBytes(memory, info);
    if (file == nullptr) {
        setReason(reason, sf_strerror(nullptr));
        return std::nullopt;
    }
    std::optional<DecodedSound> sound = decodeOpened(file, info, reason, limits);
    sf_close(file);
    return sound;
}

SNDFILE* openSoundBytes(SoundBytes& bytes, SF_INFO& info) {
    // libsndfile keeps the pointer to the table for the file's life.
    static SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    info = SF_INFO{};
    return sf_open_virtual(&io, SFM_READ, &info, &bytes);
}
