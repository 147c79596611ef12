// A sound file played while it is decoded: the game thread decodes it a chunk at a time through
// libsndfile into a queue of fixed length (decode), and the mixer takes frames out of the queue at
// the mixing rate (mix), resampling linearly. Its memory is the queue's, whatever the file's
// length (and the file's bytes when it comes from an archive). A looping stream reads on from the
// file's start at its end, so the loop point is as seamless as any other frame.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Engine/OpenALAudioModule/SoundFile.h"

class MusicStream {
  public:
    // Decoded audio the queue holds at most: more than the longest render of one update (a second)
    // so that a tick never runs the queue dry, and memory stays at 1.5 s of stereo floats.
    static constexpr double kQueueSeconds = 1.5;

    // Opens [path] and decodes its first chunks; null, with the cause in [reason], when libsndfile
    // cannot open it or it has no frames, more than two channels or a rate beyond 384 kHz.
    static std::unique_ptr<MusicStream> open(const std::string& path, bool loop, int mixingRate,
                                             std::string* reason);
    ~MusicStream();
    MusicStream(const MusicStream&) = delete;
    MusicStream& operator=(const MusicStream&) = delete;

    // Tops the queue up (on the game thread; the file is read outside the queue's lock). False,
    // with the cause, when the file fails to decode (an error, or its data end before its header
    // says); the stream is then finished.
    bool decode(std::string* reason);
    // Adds the next [frames] frames times [gain] to [out] (interleaved stereo). Where the queue
    // runs dry before the file's end (the game thread stalled), silence, counted as starved frames.
    void mix(float* out, int frames, float gain);
    // Played to its end (not looping), or failed.
    bool isFinished() const;
    int64_t getStarvedFrames() const;
    // The queue's size in samples: the stream's memory apart from one decoded chunk.
    std::size_t getQueueCapacity() const { return queue_.size(); }

  private:
    MusicStream() = default;
    // Reads up to [frames] frames as stereo into scratch_, wrapping to the start when looping;
    // the count read, or -1 on a decoding failure.
    int64_t readStereo(int64_t frames, std::string* reason);

    std::vector<uint8_t> bytes_;  // a file from an archive, which memory_ reads
    SoundBytes memory_{};
    SNDFILE* file_ = nullptr;
    bool loop_ = true;
    int channels_ = 1;
    int64_t fileFrames_ = 0;      // as the header says
    int64_t framesThisPass_ = 0;  // read since the file's start
    uint64_t step_ = 0;           // file frames per output frame, 32.32 fixed point
    std::vector<float> scratch_;  // one chunk, as read and as stereo
    std::vector<float> converted_;

    mutable std::mutex mutex_;  // guards everything below between the game thread and the mixer
    std::vector<float> queue_;  // ring of stereo frames at the file's rate
    std::size_t head_ = 0;      // first queued frame
    std::size_t size_ = 0;      // frames queued
    uint32_t fraction_ = 0;     // position between the first and the second queued frame
    bool ended_ = false;        // the decoder reached the end of a stream that does not loop
    bool finished_ = false;
    int64_t starved_ = 0;
};
