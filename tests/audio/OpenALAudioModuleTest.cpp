// The audio module rendering in memory: sounds written here with libsndfile are played
// and the rendered samples measured (pitch by zero crossings, levels by RMS).
#include <gtest/gtest.h>
#include <malloc.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "../engine/EngineHarness.h"
#include "Engine/OpenALAudioModule/OpenALAudioModule.h"
#include "Engine/OpenALAudioModule/SoundFile.h"

namespace {
constexpr int kRate = 44100;
constexpr float kTickMS = 1000.0f / 60.0f;

// Each test works in a fresh directory: its sounds and its debug.log.
class ScratchDirectory {
  public:
    ScratchDirectory() : previous_(std::filesystem::current_path()) {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("tact-openal-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// A cosine tone of [hz] (so the first sample is the peak) on the left channel, and on the right
// channel of a stereo file at [rightAmplitude].
void writeTone(const std::string& name, int format, int channels, double hz, double seconds, double amplitude,
               double rightAmplitude = 0.0, int rate = kRate) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(name.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const int frames = static_cast<int>(seconds * rate);
    std::vector<float> samples;
    for (int i = 0; i < frames; ++i) {
        const double v = std::cos(2.0 * std::numbers::pi * hz * i / rate);
        samples.push_back(static_cast<float>(amplitude * v));
        if (channels == 2)
            samples.push_back(static_cast<float>(rightAmplitude * v));
    }
    sf_writef_float(file, samples.data(), frames);
    sf_close(file);
}

void writeBytes(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

std::string readFile(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

double rms(const std::vector<float>& frames, int channel) {
    double sum = 0.0;
    for (std::size_t i = channel; i < frames.size(); i += 2) sum += frames[i] * frames[i];
    return frames.empty() ? 0.0 : std::sqrt(sum / (frames.size() / 2));
}

// Rising zero crossings per second on the left channel.
double measuredHz(const std::vector<float>& frames) {
    int crossings = 0;
    for (std::size_t i = 2; i < frames.size(); i += 2) {
        if (frames[i - 2] < 0.0f && frames[i] >= 0.0f)
            ++crossings;
    }
    return crossings / (static_cast<double>(frames.size() / 2) / kRate);
}

class OpenALAudioModuleTest : public testing::Test {
  protected:
    OpenALAudioModuleTest()
        : audio(&engine.gameSystem, OpenALAudioSettings{.device = OpenALAudioSettings::Device::Loopback}) {
        audio.init();
        writeTone("tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 441.0, 1.0, 0.5);
    }

    // Runs [ticks] updates of [ms] and returns everything they rendered.
    std::vector<float> run(int ticks, float ms = kTickMS) {
        std::vector<float> all;
        for (int i = 0; i < ticks; ++i) {
            audio.update(ms);
            all.insert(all.end(), audio.getRenderedFrames().begin(), audio.getRenderedFrames().end());
        }
        return all;
    }
    bool logged(const std::string& line) const {
        for (const std::string& l : engine.logLines()) {
            if (l == line)
                return true;
        }
        return false;
    }

    ScratchDirectory scratch;
    EngineHarness engine;
    OpenALAudioModule audio;
};
}  // namespace

TEST_F(OpenALAudioModuleTest, NotesPlayAtTheirPitchRelativeToTheBaseNote) {
    ASSERT_TRUE(audio.isLoopback());
    ASSERT_TRUE(audio.loadSound("tone.wav", 48));
    EXPECT_TRUE(logged("Loaded sound: tone.wav"));

    VoiceId id = audio.playSound("tone.wav", 60, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(id, 1u);
    EXPECT_NEAR(measuredHz(run(30)), 882.0, 882.0 * 0.01);
    audio.setVoiceNote(id, 48);
    run(1);  // the pitch change lands inside this block
    EXPECT_NEAR(measuredHz(run(30)), 441.0, 441.0 * 0.01);
    audio.setVoiceNote(id, BASE_NOTE);
    run(1);
    EXPECT_NEAR(measuredHz(run(30)), 441.0, 441.0 * 0.01);
    audio.setVoiceNote(id, 41);  // a fifth down
    run(1);
    EXPECT_NEAR(measuredHz(run(30)), 441.0 * std::exp2(-7.0 / 12.0), 441.0 * 0.01);
    // Sounds loop: two seconds of a one-second sound and the voice still plays.
    run(120);
    EXPECT_TRUE(audio.isVoiceValid(id));
}

TEST_F(OpenALAudioModuleTest, VolumeAndPanChangeTheRenderedLevels) {
    auto levels = [&](float pan, float volume) {
        const VoiceId id = audio.playSound("tone.wav", pan, volume);
        run(1);
        std::vector<float> frames = run(6);
        audio.unloadSound("tone.wav");  // removes the voice at once
        EXPECT_FALSE(audio.isVoiceValid(id));
        return std::pair{rms(frames, 0), rms(frames, 1)};
    };
    const auto [centreL, centreR] = levels(0.0f, 1.0f);
    EXPECT_GT(centreL, 0.1);
    EXPECT_NEAR(centreL, centreR, centreL * 0.01);
    const auto [halfL, halfR] = levels(0.0f, 0.5f);
    EXPECT_NEAR(halfL / centreL, 0.5, 0.01);
    const auto [leftL, leftR] = levels(-1.0f, 1.0f);
    EXPECT_GT(leftL, centreL * 1.3);
    EXPECT_LT(leftR, centreL * 0.01);
    const auto [rightL, rightR] = levels(1.0f, 1.0f);
    EXPECT_LT(rightL, centreL * 0.01);
    EXPECT_NEAR(rightR, leftL, leftL * 0.01);
    const auto [partL, partR] = levels(0.5f, 1.0f);
    EXPECT_GT(partR, partL * 2.0);

    audio.setMasterVolume(0.8f);
    audio.setSFXVolume(0.5f);
    const auto [sfxL, sfxR] = levels(0.0f, 1.0f);
    EXPECT_NEAR(sfxL / centreL, 0.4, 0.01);
    // The voice's own volume multiplies the SFX volume unclamped: 0.4 x 2 plays at 0.8.
    const auto [loudL, loudR] = levels(0.0f, 2.0f);
    EXPECT_NEAR(loudL / centreL, 0.8, 0.01);

    // A stereo sound keeps its image (tone on the left only) and pans as a whole.
    audio.setMasterVolume(1.0f);
    audio.setSFXVolume(1.0f);
    writeTone("stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 441.0, 1.0, 0.5, 0.0);
    const VoiceId stereo = audio.playSound("stereo.wav");
    run(1);
    std::vector<float> image = run(6);
    EXPECT_GT(rms(image, 0), 0.1);
    EXPECT_LT(rms(image, 1), rms(image, 0) * 0.01);
    audio.setVoicePan(stereo, 1.0f);
    run(1);
    image = run(6);
    EXPECT_GT(rms(image, 1), 0.1);
    EXPECT_LT(rms(image, 0), rms(image, 1) * 0.01);
}

TEST_F(OpenALAudioModuleTest, AGateMutesAtTheFirstTickPastItAndTheVoiceGoes100msLater) {
    const VoiceId id = audio.playSound("tone.wav", 48, 500.0f, 0.0f, 1.0f);
    std::vector<float> before = run(50, 10.0f);  // 500 ms: the gate closes in the last update
    EXPECT_GT(rms(std::vector<float>(before.end() - 882, before.end()), 0), 0.1);
    EXPECT_TRUE(audio.isVoiceValid(id));
    std::vector<float> released = run(9, 10.0f);
    // The mixer glides a gain change over its first frames; after that, silence.
    EXPECT_EQ(rms(std::vector<float>(released.begin() + 882, released.end()), 0), 0.0);
    EXPECT_TRUE(audio.isVoiceValid(id));
    run(1, 10.0f);
    EXPECT_FALSE(audio.isVoiceValid(id));

    // A paused voice is silent and stays.
    const VoiceId paused = audio.playSound("tone.wav");
    run(1);
    audio.setVoicePause(paused, true);
    run(1);
    EXPECT_EQ(rms(run(10), 0), 0.0);
    EXPECT_TRUE(audio.isVoiceValid(paused));
    audio.setVoicePause(paused, false);
    EXPECT_GT(rms(run(2), 0), 0.1);
}

TEST_F(OpenALAudioModuleTest, WavOggAndFlacLoadAndDamagedFilesAreRefused) {
    writeTone("tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 441.0, 0.5, 0.5, 0.5);
    writeTone("tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 441.0, 0.5, 0.5);
    for (const char* name : {"tone.wav", "tone.ogg", "tone.flac"}) {
        std::optional<DecodedSound> sound = decodeSoundFile(name);
        ASSERT_TRUE(sound) << name;
        EXPECT_NEAR(static_cast<double>(sound->getFrameCount()),
                    std::string(name) == "tone.wav" ? 44100 : 22050, 10.0);
        EXPECT_TRUE(audio.loadSound(name)) << name;
        const VoiceId id = audio.playSound(name);
        EXPECT_NEAR(measuredHz(run(20)), 441.0, 441.0 * 0.02) << name;
        audio.stopVoice(id);
        run(7);
        EXPECT_FALSE(audio.isVoiceValid(id));
    }
    EXPECT_EQ(decodeSoundFile("tone.ogg")->channels, 2);

    const std::string wav = readFile("tone.wav");
    const std::string flac = readFile("tone.flac");
    writeBytes("empty.wav", "");
    writeBytes("noise.wav", std::string(3000, '\x5a'));
    writeBytes("cut.flac", flac.substr(0, flac.size() / 2));
    writeBytes("header.wav", wav.substr(0, 44));  // a header and no frames
    writeTone("quad.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 441.0, 0.1, 0.5);
    std::string quad = readFile("quad.wav");
    quad[22] = 4;  // four channels
    writeBytes("quad.wav", quad);
    for (const char* name : {"empty.wav", "noise.wav", "cut.flac", "header.wav", "quad.wav", "absent.wav"}) {
        EXPECT_FALSE(audio.loadSound(name)) << name;
        EXPECT_TRUE(logged(std::string("ERROR: could not load sound ") + name)) << name;
        EXPECT_EQ(audio.playSound(name), INVALID_VOICEID) << name;
    }
    // Whatever a truncated WAV decodes to, it is whole frames and no more than the file holds.
    writeBytes("cut.wav", wav.substr(0, wav.size() / 2 + 1));
    if (std::optional<DecodedSound> cut = decodeSoundFile("cut.wav")) {
        EXPECT_LE(cut->getFrameCount(), 22050);
    }
}

TEST_F(OpenALAudioModuleTest, EightHundredAndEightVoicesPlayAtOnceAndOneMoreFails) {
    ASSERT_EQ(audio.getVoiceLimit(), 808);
    ASSERT_TRUE(audio.loadSound("tone.wav"));
    for (int i = 0; i < 808; ++i) ASSERT_NE(audio.playSound("tone.wav", 0.0f, 0.001f), INVALID_VOICEID) << i;
    EXPECT_EQ(audio.playSound("tone.wav"), INVALID_VOICEID);
    EXPECT_EQ(readFile("debug.log"), "SOUNDSKIN: couldn't play tone.wav\n");
    run(1);
    EXPECT_EQ(audio.getVoiceCount(), 808);
    // Unloading while they play frees every channel for the next sound.
    audio.unloadAllSounds();
    EXPECT_EQ(audio.getVoiceCount(), 0);
    EXPECT_NE(audio.playSound("tone.wav"), INVALID_VOICEID);
    run(1);
}

// Not a timing test: the figure is where, in frames, the first sample of a voice lands in the first
// render after playSound. The wall time of that update is printed for the report.
TEST_F(OpenALAudioModuleTest, AVoiceIsHeardFromTheStartOfTheNextRender) {
    ASSERT_TRUE(audio.loadSound("tone.wav"));
    run(1);
    const auto start = std::chrono::steady_clock::now();
    audio.playSound("tone.wav");
    audio.update(kTickMS);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const std::vector<float>& frames = audio.getRenderedFrames();
    std::size_t first = 0;
    while (first < frames.size() && std::fabs(frames[first]) < 1e-3f) first += 2;
    EXPECT_LT(first / 2, 64u);
    std::printf(
        "first sample at frame %zu of the next render (%zu frames); playSound + update took %.3f ms\n",
        first / 2, frames.size() / 2, ms);
}

// Whatever this machine has: a sound device, or none and then rendering in memory with a warning.
TEST(OpenALAudioModuleDevice, TheDefaultDeviceOrTheLoopbackOneStartsAndPlays) {
    ScratchDirectory scratch;
    EngineHarness engine;
    OpenALAudioModule audio(&engine.gameSystem);
    ASSERT_TRUE(audio.init());
    const std::vector<std::string>& log = engine.logLines();
    auto has = [&](const std::string& prefix) {
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    };
    EXPECT_TRUE(has("OpenAL buffer size: blocksize = "));
    EXPECT_TRUE(has("OpenAL voices: "));
    EXPECT_EQ(has("WARNING: no sound device"), audio.isLoopback());
    writeTone("tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 441.0, 0.1, 0.5);
    const VoiceId id = audio.playSound("tone.wav", 60, 50.0f, 0.0f, 1.0f);
    EXPECT_NE(id, INVALID_VOICEID);
    audio.update(kTickMS);
    EXPECT_TRUE(audio.isVoiceValid(id));
}

// A one-shot sound's voice is heard for exactly the sound's frames and then ends by itself; the
// same sound looping plays on. Both at once, panned apart, so each is measured on its own side.
TEST_F(OpenALAudioModuleTest, AOneShotVoiceEndsAtItsSoundsLengthAndALoopingOneDoesNot) {
    writeTone("short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 441.0, 0.25, 0.5);
    writeTone("loop.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 441.0, 0.25, 0.5);
    EXPECT_FALSE(audio.setSoundLooping("short.wav", false));  // not loaded yet
    ASSERT_TRUE(audio.loadSound("short.wav"));
    ASSERT_TRUE(audio.loadSound("loop.wav"));
    EXPECT_TRUE(audio.isSoundLooping("short.wav"));
    EXPECT_TRUE(audio.setSoundLooping("short.wav", false));
    EXPECT_FALSE(audio.isSoundLooping("short.wav"));
    run(1);
    const VoiceId once = audio.playSound("short.wav", BASE_NOTE, 0.0f, -1.0f, 1.0f);
    const VoiceId looping = audio.playSound("loop.wav", BASE_NOTE, 0.0f, 1.0f, 1.0f);
    std::vector<float> frames;
    int endedAfterMS = 0;
    for (int ms = 10; ms <= 400; ms += 10) {
        audio.update(10.0f);
        frames.insert(frames.end(), audio.getRenderedFrames().begin(), audio.getRenderedFrames().end());
        if (endedAfterMS == 0 && !audio.isVoiceValid(once))
            endedAfterMS = ms;
    }
    // Hard left and right: the one-shot voice alone on the left channel, the looping on the right.
    std::ptrdiff_t first = -1, last = -1;
    for (std::size_t i = 0; i < frames.size(); i += 2) {
        if (std::fabs(frames[i]) > 1e-4f) {
            if (first < 0)
                first = static_cast<std::ptrdiff_t>(i / 2);
            last = static_cast<std::ptrdiff_t>(i / 2);
        }
    }
    ASSERT_GE(first, 0);
    EXPECT_NEAR(static_cast<double>(last - first + 1), 0.25 * kRate, 2.0);
    // The update that rendered the sound's last frame (250 ms in) removes the voice.
    EXPECT_EQ(endedAfterMS, 250);
    EXPECT_TRUE(audio.isVoiceValid(looping));
    std::vector<float> tail(frames.end() - 2 * 4410, frames.end());
    EXPECT_GT(rms(tail, 1), 0.2);
    EXPECT_LT(rms(tail, 0), 1e-6);  // hard right leaks a rounding error's worth to the left
    std::printf("one-shot voice heard for %td frames (the sound has %d), ended after the %d ms update\n",
                last - first + 1, static_cast<int>(0.25 * kRate), endedAfterMS);

    // Loading it again makes it loop.
    ASSERT_TRUE(audio.loadSound("short.wav"));
    EXPECT_TRUE(audio.isSoundLooping("short.wav"));
}

namespace {
// The left channel of [name] as the stream reads it (16-bit samples scaled by 1/32768).
std::vector<float> fileSamples(const std::string& name) {
    const std::optional<DecodedSound> sound = decodeSoundFile(name);
    std::vector<float> left;
    if (!sound)
        return left;
    for (std::size_t i = 0; i < sound->samples.size(); i += static_cast<std::size_t>(sound->channels))
        left.push_back(sound->samples[i] / 32768.0f);
    return left;
}

std::size_t firstSound(const std::vector<float>& frames) {
    std::size_t first = 0;
    while (first < frames.size() && frames[first] == 0.0f) first += 2;
    return first / 2;
}
}  // namespace

// Music is the file's samples one after another: across every tick, to the file's end, and on
// across the loop point with no frame missing or repeated.
TEST_F(OpenALAudioModuleTest, StreamedMusicPlaysToItsEndAndLoopsWithoutAGap) {
    // 441 Hz over 3 s: the file ends mid-cycle nowhere, but the check below is sample by sample.
    writeTone("music.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 441.0, 3.0, 0.5);
    const std::vector<float> expected = fileSamples("music.wav");
    ASSERT_EQ(expected.size(), 3u * kRate);

    ASSERT_TRUE(audio.playMusic("music.wav", false));
    EXPECT_TRUE(audio.isMusicPlaying());
    std::vector<float> once;
    int endedAfterTicks = 0;
    for (int tick = 1; tick <= 200; ++tick) {
        audio.update(kTickMS);
        once.insert(once.end(), audio.getRenderedFrames().begin(), audio.getRenderedFrames().end());
        if (endedAfterTicks == 0 && !audio.isMusicPlaying())
            endedAfterTicks = tick;
    }
    const std::size_t start = firstSound(once);
    EXPECT_EQ(start, 0u);
    double worst = 0.0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        worst = std::max(worst, static_cast<double>(std::fabs(once[2 * (start + i)] - expected[i])));
        worst = std::max(worst, static_cast<double>(std::fabs(once[2 * (start + i) + 1] - expected[i])));
    }
    EXPECT_LT(worst, 1e-6);
    for (std::size_t i = 2 * (start + expected.size()); i < once.size(); ++i) ASSERT_EQ(once[i], 0.0f) << i;
    // 3 s is 180 ticks: the one that renders the last frame ends the music.
    EXPECT_EQ(endedAfterTicks, 180);
    EXPECT_FALSE(audio.isMusicPlaying());

    ASSERT_TRUE(audio.playMusic("music.wav"));
    std::vector<float> looped;
    for (int tick = 0; tick < 7 * 60; ++tick) {
        audio.update(kTickMS);
        looped.insert(looped.end(), audio.getRenderedFrames().begin(), audio.getRenderedFrames().end());
    }
    EXPECT_TRUE(audio.isMusicPlaying());
    const std::size_t loopStart = firstSound(looped);
    const std::size_t frames = looped.size() / 2 - loopStart;
    ASSERT_GT(frames, 2 * expected.size());
    worst = 0.0;
    for (std::size_t i = 0; i < frames; ++i)
        worst = std::max(worst, static_cast<double>(
                                    std::fabs(looped[2 * (loopStart + i)] - expected[i % expected.size()])));
    EXPECT_LT(worst, 1e-6);
    EXPECT_EQ(audio.getMusicStarvedFrames(), 0);
    std::printf("music: %zu frames looped twice past the loop point, largest difference from the file %g\n",
                frames, worst);

    // A file at another rate plays at its own pitch, a stereo one keeps its channels.
    writeTone("half.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 441.0, 2.0, 0.5, 0.25, kRate / 2);
    ASSERT_TRUE(audio.playMusic("half.ogg"));
    const std::vector<float> half = run(60);
    EXPECT_NEAR(measuredHz(half), 441.0, 441.0 * 0.02);
    EXPECT_NEAR(rms(half, 1) / rms(half, 0), 0.5, 0.05);

    // At the music volume; stopMusic silences it at once.
    ASSERT_TRUE(audio.playMusic("music.wav"));
    audio.setMusicVolume(0.5f);
    EXPECT_NEAR(rms(run(6), 0), 0.5 * 0.5 / std::sqrt(2.0), 0.01);
    audio.stopMusic();
    EXPECT_FALSE(audio.isMusicPlaying());
    EXPECT_EQ(rms(run(2), 0), 0.0);
}

// A missing file and a file whose data stop before its header says: one log line each, and no
// music from then on.
TEST_F(OpenALAudioModuleTest, AMissingOrDamagedMusicFileStopsTheMusicWithOneLogLine) {
    EXPECT_FALSE(audio.playMusic("nothere.ogg"));
    EXPECT_FALSE(audio.isMusicPlaying());
    EXPECT_TRUE(logged("ERROR: could not play music nothere.ogg"));

    writeTone("cut.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 441.0, 4.0, 0.5);
    const std::string bytes = readFile("cut.flac");
    writeBytes("cut.flac", bytes.substr(0, bytes.size() / 2));  // about 2 s of the 4 the header claims
    ASSERT_TRUE(audio.playMusic("cut.flac"));
    int stoppedAfterTicks = 0;
    for (int tick = 1; tick <= 240 && stoppedAfterTicks == 0; ++tick) {
        audio.update(kTickMS);
        if (!audio.isMusicPlaying())
            stoppedAfterTicks = tick;
    }
    // Decoding runs 1.5 s ahead of the output: the damage is found about half a second in.
    EXPECT_GT(stoppedAfterTicks, 0);
    EXPECT_LT(stoppedAfterTicks, 2 * 60);
    run(60);
    EXPECT_EQ(rms(run(2), 0), 0.0);
    int lines = 0;
    for (const std::string& line : engine.logLines()) lines += line == "ERROR: could not play music cut.flac";
    EXPECT_EQ(lines, 1);
}

// The heap in use while music streams is the same for a file ten times longer: the decoded queue
// has a fixed size (a loaded sound of 30 s would take 2.6 MB as 16-bit samples).
TEST_F(OpenALAudioModuleTest, StreamingMemoryStaysFlatForATenTimesLongerFile) {
    writeTone("short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 441.0, 3.0, 0.5);
    writeTone("long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 441.0, 30.0, 0.5);
    run(1);
    auto peakWhilePlaying = [this](const char* name) {
        const std::size_t before = mallinfo2().uordblks;
        std::size_t peak = before;
        EXPECT_TRUE(audio.playMusic(name));
        for (int tick = 0; tick < 120; ++tick) {
            audio.update(kTickMS);
            peak = std::max(peak, mallinfo2().uordblks);
        }
        audio.stopMusic();
        return peak - before;
    };
    const std::size_t shortPeak = peakWhilePlaying("short.wav");
    const std::size_t longPeak = peakWhilePlaying("long.wav");
    std::printf("heap growth while streaming: 3 s file %zu bytes, 30 s file %zu bytes\n", shortPeak,
                longPeak);
    EXPECT_LT(longPeak, shortPeak + 16 * 1024);
    EXPECT_LT(longPeak, std::size_t{1} << 20);
}
