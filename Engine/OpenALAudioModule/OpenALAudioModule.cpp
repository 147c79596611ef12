#include "Engine/OpenALAudioModule/OpenALAudioModule.h"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

#include "Engine/DebugLog.h"
#include "Engine/FatalError.h"
#include "Engine/GameFiles.h"
#include "Engine/GameSystem.h"
#include "Engine/OpenALAudioModule/MusicStream.h"
#include "Engine/OpenALAudioModule/SamplerMixer.h"
#include "Engine/OpenALAudioModule/SoundFile.h"

namespace {
// OpenAL has one current context per process; several modules (tests) take turns.
ALCcontext* currentContext = nullptr;

// A failed start-up step: the message box and debug.log, then the end of the program.
[[noreturn]] void failFatally(const char* label, int code, const char* text) {
    char message[512];
    std::snprintf(message, sizeof message, "OpenAL error at \"%s\": (%d) %s", label, code,
                  text != nullptr ? text : "Unknown error.");
    appendToDebugLog(message);
    fatalError(message);
}

void verifyALC(ALCdevice* device, const char* label) {
    const ALCenum code = alcGetError(device);
    if (code != ALC_NO_ERROR)
        failFatally(label, code, alcGetString(device, code));
}

// OpenAL Soft takes its output period only from its configuration, read once when the library
// first starts in the process. Unless the user points it at their own file, hand it ours for that
// first start; it is removed as soon as the library has read it.
class PeriodConfiguration {
  public:
    PeriodConfiguration(int periodFrames, int periods) {
        static bool libraryStarted = false;
        if (libraryStarted || std::getenv("ALSOFT_CONF") != nullptr) {
            libraryStarted = true;
            return;
        }
        libraryStarted = true;
        std::error_code error;
        path_ = std::filesystem::temp_directory_path(error) /
                ("tact-openal-" + std::to_string(getpid()) + ".conf");
        std::ofstream file(path_);
        file << "[general]\nperiod_size = " << periodFrames << "\nperiods = " << periods << "\n";
        if (!file) {
            path_.clear();
            return;
        }
        setenv("ALSOFT_CONF", path_.c_str(), 1);
    }
    ~PeriodConfiguration() {
        if (path_.empty())
            return;
        unsetenv("ALSOFT_CONF");
        std::error_code error;
        std::filesystem::remove(path_, error);
    }

  private:
    std::filesystem::path path_;
};

// AL errors pending from earlier calls would be blamed on the next one.
void clearALError() {
    (void)alGetError();
}
bool alSucceeded() {
    return alGetError() == AL_NO_ERROR;
}

// From a change's ideal time to the latest frame rendered before it is known: the audio renders in
// the tick, and actions of sequencer steps that ideally came up to a tick and one sequencer step
// earlier run after it.
constexpr double kSchedulingMarginMS = UPDATE_INTERVAL_MS + SEQUENCER_STEP_MS;
// Stream buffers a device keeps queued: the feeding thread tops them up twice a period.
constexpr int kQueuePeriods = 4;
// An update renders at most this much; longer stalls skip their time.
constexpr double kMaxRenderMS = 1000.0;
}  // namespace

struct OpenALAudioModule::Library {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    // No device: the stream is rendered in memory.
    bool inMemory = true;
    ALuint source = 0;
    std::vector<ALuint> buffers;
    std::vector<ALuint> freeBuffers;
    bool streaming = false;  // the source was started and should be playing
    bool anchored = false;   // the stream has started (see anchorStream)
    std::chrono::steady_clock::time_point anchorTime;
    int64_t anchorFrame = 0;
    int64_t handedFrames = 0;  // stream frames queued (or skipped) since the anchor
    int queuedBuffers = 0;
    std::thread feeder;
    bool stopFeeding = false;
    std::vector<float> block;
    std::vector<int16_t> pcm;
    SNDFILE* output = nullptr;
};

OpenALAudioModule::OpenALAudioModule(GameSystem* gameSystem, OpenALAudioSettings settings)
    : AudioModule(gameSystem),
      settings_(settings),
      library_(std::make_unique<Library>()),
      mixer_(std::make_unique<SamplerMixer>(settings.mixingRate > 0 ? settings.mixingRate : 44100,
                                            settings.voices)) {
    addTypeName("OpenALAudioModule");
    settings_.mixingRate = mixer_->getMixingRate();
    settings_.periodFrames = std::max(1, settings_.periodFrames);
    settings_.periods = std::max(1, settings_.periods);
}

OpenALAudioModule::~OpenALAudioModule() {
    if (library_->feeder.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            library_->stopFeeding = true;
        }
        library_->feeder.join();
    }
    releaseAll();
    closeDevice();
    if (library_->output != nullptr)
        sf_close(library_->output);
}

void OpenALAudioModule::setOutputPeriodMS(float periodMS) {
    if (std::isnan(periodMS))
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    const float ms = std::clamp(periodMS, kMinPeriodMS, kMaxPeriodMS);
    settings_.periodFrames = std::max(1, static_cast<int>(std::lround(ms * settings_.mixingRate / 1000.0f)));
}

bool OpenALAudioModule::isLoopback() const {
    return library_->inMemory;
}

int OpenALAudioModule::getVoiceLimit() const {
    return mixer_->getVoiceLimit();
}

int OpenALAudioModule::getQueueFrames() const {
    return settings_.periodFrames * kQueuePeriods;
}

float OpenALAudioModule::getOutputLatencyMS() const {
    double ms = kSchedulingMarginMS;
    if (!library_->inMemory)
        ms += getQueueFrames() * 1000.0 / settings_.mixingRate;
    return static_cast<float>(ms);
}

AudioModule::OutputFigures OpenALAudioModule::getOutputFigures() const {
    std::lock_guard<std::mutex> lock(mutex_);
    OutputFigures figures;
    figures.latencyMS = getOutputLatencyMS();
    figures.underruns = underruns_;
    figures.lateVoices = lateVoices_;
    figures.clippedSamples = mixer_->getClippedSampleCount();
    figures.rendered = true;
    return figures;
}

bool OpenALAudioModule::writeOutputTo(const std::string& path, std::string& error) {
    SF_INFO info{};
    info.samplerate = settings_.mixingRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = sf_strerror(nullptr);
        return false;
    }
    // Full scale and beyond is written as full scale, not wrapped round.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::lock_guard<std::mutex> lock(mutex_);
    if (library_->output != nullptr)
        sf_close(library_->output);
    library_->output = file;
    // The file starts at game time 0: what was rendered before it opened is silence there.
    std::vector<float> silence(2 * 4096, 0.0f);
    for (int64_t left = mixer_->getPosition(); left > 0;) {
        const sf_count_t n = std::min<int64_t>(left, 4096);
        sf_writef_float(file, silence.data(), n);
        left -= n;
    }
    return true;
}

bool OpenALAudioModule::makeCurrent() {
    if (library_->context == nullptr)
        return false;
    if (currentContext != library_->context) {
        if (alcMakeContextCurrent(library_->context) != ALC_TRUE)
            return false;
        currentContext = library_->context;
    }
    return true;
}

bool OpenALAudioModule::init() {
    if (library_->context == nullptr && library_->inMemory) {
        openDevice();
        if (!library_->inMemory)
            library_->feeder = std::thread([this] { feedLoop(); });
    }
    return AudioModule::init();
}

void OpenALAudioModule::openDevice() {
    Library& lib = *library_;
    if (settings_.device == OpenALAudioSettings::Device::DefaultOrLoopback) {
        PeriodConfiguration configuration(settings_.periodFrames, settings_.periods);
        lib.device = alcOpenDevice(nullptr);
        if (lib.device == nullptr)
            log("WARNING: no sound device could be opened; sound is rendered in memory");
    }
    if (lib.device == nullptr) {
        const int blockSize =
            static_cast<int>(std::lround(settings_.mixingRate * UPDATE_INTERVAL_MS / 1000.0));
        log("OpenAL buffer size: blocksize = " + std::to_string(blockSize) + " numblocks = 1");
        log("OpenAL voices: " + std::to_string(mixer_->getVoiceLimit()));
        return;
    }
    lib.inMemory = false;
    // One stereo stream played as it is: no HRTF, no limiter, no panning of its channels.
    const ALCint attributes[] = {
        ALC_FREQUENCY, settings_.mixingRate,    ALC_MONO_SOURCES, 0, ALC_STEREO_SOURCES, 1, ALC_HRTF_SOFT,
        ALC_FALSE,     ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE,        0};
    lib.context = alcCreateContext(lib.device, attributes);
    if (lib.context == nullptr)
        verifyALC(lib.device, "context create");
    if (lib.context == nullptr)
        failFatally("context create", ALC_INVALID_CONTEXT, "no context");
    if (!makeCurrent())
        verifyALC(lib.device, "context current");
    clearALError();
    alGenSources(1, &lib.source);
    if (!alSucceeded())
        failFatally("source create", AL_OUT_OF_MEMORY, alGetString(AL_OUT_OF_MEMORY));
    alSourcei(lib.source, AL_SOURCE_RELATIVE, AL_TRUE);
    if (alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE)
        alSourcei(lib.source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    clearALError();

    ALCint frequency = 0;
    ALCint refresh = 0;
    alcGetIntegerv(lib.device, ALC_FREQUENCY, 1, &frequency);
    alcGetIntegerv(lib.device, ALC_REFRESH, 1, &refresh);
    if (alcGetError(lib.device) != ALC_NO_ERROR || frequency <= 0 || refresh <= 0) {
        log("ERROR: couldn't get OpenAL buffer size!");
    } else {
        // The period count cannot be queried; it is the one configured.
        log("OpenAL buffer size: blocksize = " + std::to_string(frequency / refresh) +
            " numblocks = " + std::to_string(settings_.periods));
    }
    log("OpenAL voices: " + std::to_string(mixer_->getVoiceLimit()));
}

void OpenALAudioModule::closeDevice() {
    Library& lib = *library_;
    if (lib.context != nullptr) {
        if (makeCurrent()) {
            alSourceStop(lib.source);
            alSourcei(lib.source, AL_BUFFER, 0);
            alDeleteSources(1, &lib.source);
            if (!lib.buffers.empty())
                alDeleteBuffers(static_cast<ALsizei>(lib.buffers.size()), lib.buffers.data());
        }
        if (currentContext == lib.context) {
            alcMakeContextCurrent(nullptr);
            currentContext = nullptr;
        }
        alcDestroyContext(lib.context);
        lib.context = nullptr;
    }
    lib.buffers.clear();
    lib.freeBuffers.clear();
    if (lib.device != nullptr)
        alcCloseDevice(lib.device);
    lib.device = nullptr;
}

// ---- The stream ---------------------------------------------------------------------------------

int64_t OpenALAudioModule::frameAt(double ms) const {
    return std::llround(ms * settings_.mixingRate / 1000.0);
}

int64_t OpenALAudioModule::placeChange() {
    anchorStream();
    const std::optional<double> ideal = getCurrentIdealTime();
    if (!ideal)
        return mixer_->getPosition();
    return frameAt(*ideal + getOutputLatencyMS());
}

void OpenALAudioModule::renderBlock(float* out, int frames) {
    mixer_->render(out, frames);
    if (music_ != nullptr)
        music_->mix(out, frames, musicGain_);
    if (library_->output != nullptr)
        sf_writef_float(library_->output, out, frames);
}

void OpenALAudioModule::renderFrames(int frames) {
    std::lock_guard<std::mutex> lock(mutex_);
    renderInMemory(frames);
}

void OpenALAudioModule::renderInMemory(int frames) {
    if (!library_->inMemory || frames <= 0) {
        rendered_.clear();
        return;
    }
    rendered_.resize(static_cast<std::size_t>(frames) * 2);
    renderBlock(rendered_.data(), frames);
}

void OpenALAudioModule::updateDevice(float deltaMS) {
    // The music is decoded ahead before this update renders, without the lock: the feeding thread
    // goes on mixing what is queued meanwhile.
    if (music_ != nullptr && musicFailure_.empty() && !music_->decode(&musicFailure_) &&
        musicFailure_.empty())
        musicFailure_ = "decoding failed";
    std::lock_guard<std::mutex> lock(mutex_);
    if (const std::optional<double> ideal = getCurrentIdealTime()) {
        clockMS_ = *ideal;
    } else if (deltaMS > 0.0f) {
        clockMS_ += std::min(static_cast<double>(deltaMS), kMaxRenderMS);
    }
    if (!library_->inMemory) {
        anchorStream();
        return;
    }
    int64_t frames = frameAt(clockMS_) - mixer_->getPosition();
    const int64_t most = frameAt(kMaxRenderMS);
    if (frames > most) {
        mixer_->skip(frames - most);
        frames = most;
    }
    renderInMemory(static_cast<int>(std::max<int64_t>(0, frames)));
}

// The device has played silence since it opened (the game's start-up can take a while); the
// stream starts on the first change or update, at the game time of that moment, so that game time
// t is frame t x rate and the device reaches it a constant delay after t.
void OpenALAudioModule::anchorStream() {
    Library& lib = *library_;
    if (lib.inMemory || lib.anchored)
        return;
    const std::optional<double> ideal = getCurrentIdealTime();
    const int64_t start = std::max<int64_t>(0, frameAt(ideal ? *ideal : clockMS_));
    if (lib.output != nullptr) {
        std::vector<float> silence(2 * 4096, 0.0f);
        for (int64_t left = start - mixer_->getPosition(); left > 0;) {
            const sf_count_t n = std::min<int64_t>(left, 4096);
            sf_writef_float(lib.output, silence.data(), n);
            left -= n;
        }
    }
    mixer_->jumpTo(start);
    lib.anchored = true;
    lib.anchorTime = std::chrono::steady_clock::now();
    lib.anchorFrame = start;
    // The silence still queued plays first: the device takes it as part of the stream.
    lib.handedFrames = static_cast<int64_t>(lib.queuedBuffers) * settings_.periodFrames;
}

void OpenALAudioModule::feedLoop() {
    Library& lib = *library_;
    alcSetThreadContext(lib.context);
    for (;;) {
        int periodFrames = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (lib.stopFeeding)
                break;
            feedDevice();
            periodFrames = settings_.periodFrames;
        }
        // Twice a period: a buffer is refilled well before the queue runs dry.
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::max<int64_t>(500, int64_t{500000} * periodFrames / settings_.mixingRate)));
    }
    alcSetThreadContext(nullptr);
}

// Keeps kQueuePeriods buffers of the stream queued on the source (silence until the stream is
// anchored). When the source ran dry, the stream skips the frames the device missed, so the
// latency stays what it was.
void OpenALAudioModule::feedDevice() {
    Library& lib = *library_;
    const int period = settings_.periodFrames;
    clearALError();
    ALint processed = 0;
    alGetSourcei(lib.source, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(lib.source, 1, &buffer);
        if (!alSucceeded())
            break;
        lib.freeBuffers.push_back(buffer);
    }
    ALint state = AL_STOPPED;
    ALint queued = 0;
    alGetSourcei(lib.source, AL_SOURCE_STATE, &state);
    alGetSourcei(lib.source, AL_BUFFERS_QUEUED, &queued);
    if (lib.streaming && state != AL_PLAYING) {
        lib.streaming = false;
        if (lib.anchored) {
            ++underruns_;
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - lib.anchorTime).count();
            const int64_t missed = static_cast<int64_t>(seconds * settings_.mixingRate) - lib.handedFrames;
            if (missed > 0) {
                lib.block.resize(2 * static_cast<std::size_t>(period));
                for (int64_t left = missed; left > 0;) {
                    const int n = static_cast<int>(std::min<int64_t>(left, period));
                    renderBlock(lib.block.data(), n);  // written, not heard
                    left -= n;
                }
                lib.handedFrames += missed;
            }
        }
    }
    lib.block.resize(2 * static_cast<std::size_t>(period));
    lib.pcm.resize(2 * static_cast<std::size_t>(period));
    while (queued < kQueuePeriods) {
        if (lib.freeBuffers.empty()) {
            ALuint buffer = 0;
            alGenBuffers(1, &buffer);
            if (!alSucceeded())
                break;
            lib.buffers.push_back(buffer);
            lib.freeBuffers.push_back(buffer);
        }
        if (lib.anchored) {
            renderBlock(lib.block.data(), period);
            lib.handedFrames += period;
        } else {
            std::fill(lib.block.begin(), lib.block.end(), 0.0f);
        }
        for (std::size_t i = 0; i < lib.block.size(); ++i)
            lib.pcm[i] = static_cast<int16_t>(std::lround(std::clamp(lib.block[i], -1.0f, 1.0f) * 32767.0f));
        const ALuint buffer = lib.freeBuffers.back();
        alBufferData(buffer, AL_FORMAT_STEREO16, lib.pcm.data(),
                     static_cast<ALsizei>(lib.pcm.size() * sizeof(int16_t)), settings_.mixingRate);
        alSourceQueueBuffers(lib.source, 1, &buffer);
        if (!alSucceeded())
            break;
        lib.freeBuffers.pop_back();
        ++queued;
    }
    lib.queuedBuffers = queued;
    if (!lib.streaming && queued > 0) {
        alSourcePlay(lib.source);
        lib.streaming = alSucceeded();
    }
    clearALError();
}

// ---- Sounds and channels ------------------------------------------------------------------------

std::optional<AudioModule::DeviceSound> OpenALAudioModule::loadDeviceSound(const std::string& path) {
    std::string reason = "cannot read the file";
    std::vector<uint8_t> bytes;
    std::optional<DecodedSound> decoded;
    if (readGameFile(path, bytes) == GameFiles::Read::kRead)
        decoded = decodeSoundBytes(bytes.data(), bytes.size(), &reason);
    if (!decoded) {
        appendToDebugLog("SOUNDSKIN: " + path + ": " + reason);
        return std::nullopt;
    }
    // Decoded without the lock: the device's feeding thread need not wait for the file.
    std::lock_guard<std::mutex> lock(mutex_);
    const std::optional<SamplerMixer::SampleId> sample = mixer_->addSample(*decoded);
    if (!sample)
        return std::nullopt;
    return DeviceSound{*sample, decoded->channels};
}

void OpenALAudioModule::unloadDeviceSound(const DeviceSound& sound) {
    std::lock_guard<std::mutex> lock(mutex_);
    mixer_->removeSample(sound.handle);
}

std::optional<uint32_t> OpenALAudioModule::startChannel(const DeviceSound& sound) {
    std::lock_guard<std::mutex> lock(mutex_);
    const int64_t frame = placeChange();
    const std::optional<SamplerMixer::VoiceSlot> slot =
        mixer_->startVoice(sound.handle, frame, sound.looping);
    if (slot && frame < mixer_->getPosition())
        ++lateVoices_;
    return slot;
}

void OpenALAudioModule::stopChannel(uint32_t channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    mixer_->freeVoice(channel);
}

bool OpenALAudioModule::isChannelPlaying(uint32_t channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    return mixer_->isVoiceActive(channel) && !mixer_->isVoiceFinished(channel);
}

bool OpenALAudioModule::setChannelGain(uint32_t channel, float gain) {
    std::lock_guard<std::mutex> lock(mutex_);
    mixer_->setGain(channel, gain, placeChange());
    return mixer_->isVoiceActive(channel);
}

bool OpenALAudioModule::setChannelPan(uint32_t channel, const DeviceSound& /*sound*/, float pan) {
    std::lock_guard<std::mutex> lock(mutex_);
    mixer_->setPan(channel, pan, placeChange());
    return mixer_->isVoiceActive(channel);
}

bool OpenALAudioModule::setChannelPaused(uint32_t channel, bool paused) {
    std::lock_guard<std::mutex> lock(mutex_);
    mixer_->setPaused(channel, paused, placeChange());
    return mixer_->isVoiceActive(channel);
}

bool OpenALAudioModule::setChannelPitch(uint32_t channel, float pitchRatio) {
    std::lock_guard<std::mutex> lock(mutex_);
    // Notes far outside the keyboard (an infinite ratio among them) play at the mixer's limits.
    mixer_->setPitch(channel, std::isinf(pitchRatio) ? 1024.0f : pitchRatio, placeChange());
    return mixer_->isVoiceActive(channel);
}

bool OpenALAudioModule::setChannelGate(uint32_t channel, float gateMS) {
    std::lock_guard<std::mutex> lock(mutex_);
    mixer_->setGate(channel, gateMS);
    return mixer_->isVoiceActive(channel);
}

// ---- Music --------------------------------------------------------------------------------------

bool OpenALAudioModule::startDeviceMusic(const std::string& path, bool loop, std::string& reason) {
    // Opened and first decoded without the lock.
    std::unique_ptr<MusicStream> stream = MusicStream::open(path, loop, settings_.mixingRate, &reason);
    if (stream == nullptr)
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        anchorStream();
        musicGain_ = getMusicVolume();
        std::swap(music_, stream);
    }
    musicFailure_.clear();
    return true;
}

void OpenALAudioModule::stopDeviceMusic() {
    std::unique_ptr<MusicStream> stream;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(music_, stream);
    }
    musicFailure_.clear();
}

AudioModule::MusicState OpenALAudioModule::pollDeviceMusic(std::string& reason) {
    if (!musicFailure_.empty()) {
        reason = musicFailure_;
        return MusicState::kFailed;
    }
    return music_ == nullptr || music_->isFinished() ? MusicState::kEnded : MusicState::kPlaying;
}

int64_t OpenALAudioModule::getMusicStarvedFrames() const {
    return music_ != nullptr ? music_->getStarvedFrames() : 0;
}

void OpenALAudioModule::applyVolumes() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        musicGain_ = getMusicVolume();
    }
    AudioModule::applyVolumes();
}
