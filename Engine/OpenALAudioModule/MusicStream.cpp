#include "Engine/OpenALAudioModule/MusicStream.h"

#include <sndfile.h>

#include <algorithm>

#include "Engine/GameFiles.h"

namespace {
// Frames read per libsndfile call: a few per tick, each a small fraction of the queue.
constexpr int64_t kChunkFrames = 4096;
constexpr int kMaxSampleRate = 384000;
constexpr int kFractionBits = 32;
constexpr float kFractionScale = 1.0f / 4294967296.0f;
}  // namespace

std::unique_ptr<MusicStream> MusicStream::open(const std::string& path, bool loop, int mixingRate,
                                               std::string* reason) {
    SF_INFO info{};
    // A file in an archive is read whole first and decoded from memory.
    std::unique_ptr<MusicStream> stream(new MusicStream());
    SNDFILE* file = nullptr;
    if (isDiskPath(path)) {
        file = sf_open(path.c_str(), SFM_READ, &info);
    } else if (readGameFile(path, stream->bytes_) == GameFiles::Read::kRead) {
        stream->memory_ =
            SoundBytes{stream->bytes_.data(), static_cast<sf_count_t>(stream->bytes_.size()), 0};
        file = openSoundBytes(stream->memory_, info);
    } else {
        if (reason != nullptr)
            *reason = "cannot read the file";
        return nullptr;
    }
    if (file == nullptr) {
        if (reason != nullptr)
            *reason = sf_strerror(nullptr);
        return nullptr;
    }
    std::string cause;
    if (info.channels < 1 || info.channels > 2)
        cause = "unsupported channel count " + std::to_string(info.channels);
    else if (info.samplerate < 1 || info.samplerate > kMaxSampleRate)
        cause = "unsupported sample rate " + std::to_string(info.samplerate);
    else if (info.frames <= 0)
        cause = "no frames";
    if (!cause.empty()) {
        sf_close(file);
        if (reason != nullptr)
            *reason = cause;
        return nullptr;
    }
    stream->file_ = file;
    stream->loop_ = loop;
    stream->channels_ = info.channels;
    stream->fileFrames_ = info.frames;
    const double ratio = static_cast<double>(info.samplerate) / (mixingRate > 0 ? mixingRate : 44100);
    stream->step_ = std::max<uint64_t>(1, static_cast<uint64_t>(ratio * 4294967296.0));
    const auto capacity = static_cast<std::size_t>(kQueueSeconds * info.samplerate);
    stream->queue_.assign(2 * std::max<std::size_t>(capacity, 2 * kChunkFrames), 0.0f);
    stream->scratch_.resize(static_cast<std::size_t>(kChunkFrames * info.channels));
    stream->converted_.resize(static_cast<std::size_t>(2 * kChunkFrames));
    if (!stream->decode(reason))
        return nullptr;
    return stream;
}

MusicStream::~MusicStream() {
    if (file_ != nullptr)
        sf_close(file_);
}

int64_t MusicStream::readStereo(int64_t frames, std::string* reason) {
    int64_t done = 0;
    bool wrapped = false;
    while (done < frames) {
        float* at = scratch_.data() + done * channels_;
        const sf_count_t read = sf_readf_float(file_, at, frames - done);
        if (sf_error(file_) != SF_ERR_NO_ERROR) {
            *reason = sf_strerror(file_);
            return -1;
        }
        done += std::max<sf_count_t>(read, 0);
        framesThisPass_ += std::max<sf_count_t>(read, 0);
        if (read > 0)
            continue;
        // The end of the file: damaged when its data stop before its header says.
        if (fileFrames_ != SF_COUNT_MAX && framesThisPass_ < fileFrames_) {
            *reason = "truncated";
            return -1;
        }
        if (!loop_ || wrapped)
            break;  // a pass that read nothing cannot loop
        if (sf_seek(file_, 0, SEEK_SET) < 0) {
            *reason = "cannot seek to its start";
            return -1;
        }
        framesThisPass_ = 0;
        wrapped = true;
    }
    for (int64_t i = 0; i < done; ++i) {
        const float* in = scratch_.data() + i * channels_;
        converted_[static_cast<std::size_t>(2 * i)] = in[0];
        converted_[static_cast<std::size_t>(2 * i + 1)] = channels_ == 2 ? in[1] : in[0];
    }
    return done;
}

bool MusicStream::decode(std::string* reason) {
    std::string cause;
    const std::size_t capacity = queue_.size() / 2;
    for (;;) {
        std::size_t room = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (ended_ || finished_)
                return true;  // a failure was reported when it happened
            room = capacity - size_;
        }
        if (room < static_cast<std::size_t>(kChunkFrames))
            return true;
        const int64_t read = readStereo(kChunkFrames, &cause);
        std::lock_guard<std::mutex> lock(mutex_);
        if (read < 0) {
            finished_ = true;
            if (reason != nullptr)
                *reason = cause;
            return false;
        }
        for (int64_t i = 0; i < read; ++i) {
            const std::size_t slot = 2 * ((head_ + size_) % capacity);
            queue_[slot] = converted_[static_cast<std::size_t>(2 * i)];
            queue_[slot + 1] = converted_[static_cast<std::size_t>(2 * i + 1)];
            ++size_;
        }
        if (read < kChunkFrames) {
            ended_ = true;  // only a stream that does not loop (or an empty one) reads short
            return true;
        }
    }
}

void MusicStream::mix(float* out, int frames, float gain) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t capacity = queue_.size() / 2;
    for (int i = 0; i < frames; ++i) {
        if (finished_)
            return;
        // The next frame is needed too, except exactly on a frame; after the end it is silence.
        if (size_ == 0 || (size_ == 1 && fraction_ != 0 && !ended_)) {
            if (ended_) {
                finished_ = true;
            } else {
                starved_ += frames - i;
            }
            return;
        }
        const float* a = &queue_[2 * head_];
        const float* b = size_ > 1 ? &queue_[2 * ((head_ + 1) % capacity)] : nullptr;
        const float f = static_cast<float>(fraction_) * kFractionScale;
        const float bl = b != nullptr ? b[0] : 0.0f;
        const float br = b != nullptr ? b[1] : 0.0f;
        out[2 * i] += (a[0] + (bl - a[0]) * f) * gain;
        out[2 * i + 1] += (a[1] + (br - a[1]) * f) * gain;
        const uint64_t position = fraction_ + step_;
        const auto whole = static_cast<std::size_t>(position >> kFractionBits);
        fraction_ = static_cast<uint32_t>(position);
        const std::size_t used = std::min(whole, size_);
        head_ = (head_ + used) % capacity;
        size_ -= used;
        // The last frame of music that does not loop: finished in the render that played it.
        if (size_ == 0 && ended_)
            finished_ = true;
    }
}

bool MusicStream::isFinished() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

int64_t MusicStream::getStarvedFrames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return starved_;
}
