#include "Engine/OpenALAudioModule/OpenALAudioModule.h"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "Engine/DebugLog.h"
#include "Engine/FatalError.h"
#include "Engine/GameSystem.h"
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
}  // namespace

struct OpenALAudioModule::Library {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool loopback = false;
    bool stereoAngles = false;
};

OpenALAudioModule::OpenALAudioModule(GameSystem* gameSystem, OpenALAudioSettings settings)
    : AudioModule(gameSystem), settings_(settings), library_(std::make_unique<Library>()) {
    addTypeName("OpenALAudioModule");
}

OpenALAudioModule::~OpenALAudioModule() {
    if (library_->context != nullptr)
        makeCurrent();
    releaseAll();
    closeDevice();
}

void OpenALAudioModule::setOutputPeriod(int periodFrames, int periods) {
    settings_.periodFrames = periodFrames;
    settings_.periods = periods;
}

bool OpenALAudioModule::isLoopback() const {
    return library_->loopback;
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
    if (library_->context != nullptr)
        return AudioModule::init();
    openDevice();
    createSourcePool();
    return AudioModule::init();
}

void OpenALAudioModule::openDevice() {
    Library& lib = *library_;
    {
        PeriodConfiguration configuration(settings_.periodFrames, settings_.periods);
        if (settings_.device == OpenALAudioSettings::Device::DefaultOrLoopback)
            lib.device = alcOpenDevice(nullptr);
        if (lib.device == nullptr) {
            if (settings_.device == OpenALAudioSettings::Device::DefaultOrLoopback)
                log("WARNING: no sound device could be opened; OpenAL renders on its loopback device");
            lib.device = alcLoopbackOpenDeviceSOFT(nullptr);
            lib.loopback = lib.device != nullptr;
        }
        if (lib.device == nullptr)
            failFatally("device open", alcGetError(nullptr), "no device could be opened");
    }
    // Plain stereo without HRTF or limiter, so levels and pans are the same on every machine.
    std::vector<ALCint> attributes = {ALC_FREQUENCY,      settings_.mixingRate,
                                      ALC_MONO_SOURCES,   settings_.voices,
                                      ALC_STEREO_SOURCES, 0,
                                      ALC_HRTF_SOFT,      ALC_FALSE};
    if (lib.loopback) {
        if (alcIsRenderFormatSupportedSOFT(lib.device, settings_.mixingRate, ALC_STEREO_SOFT,
                                           ALC_FLOAT_SOFT) != ALC_TRUE)
            failFatally("loopback format", ALC_INVALID_VALUE, "the mixing rate cannot be rendered");
        attributes.insert(attributes.end(), {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                                             ALC_FLOAT_SOFT, ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE});
    }
    attributes.push_back(0);
    lib.context = alcCreateContext(lib.device, attributes.data());
    if (lib.context == nullptr)
        verifyALC(lib.device, "context create");
    if (lib.context == nullptr)
        failFatally("context create", ALC_INVALID_CONTEXT, "no context");
    if (!makeCurrent())
        verifyALC(lib.device, "context current");
    // Positions only pan: no distance attenuation.
    alDistanceModel(AL_NONE);
    lib.stereoAngles = alIsExtensionPresent("AL_EXT_STEREO_ANGLES") == AL_TRUE;

    if (lib.loopback) {
        // One block per tick, mixed by the update.
        const int blockSize =
            static_cast<int>(std::lround(settings_.mixingRate * UPDATE_INTERVAL_MS / 1000.0));
        log("OpenAL buffer size: blocksize = " + std::to_string(blockSize) + " numblocks = 1");
        return;
    }
    ALCint frequency = 0;
    ALCint refresh = 0;
    alcGetIntegerv(lib.device, ALC_FREQUENCY, 1, &frequency);
    alcGetIntegerv(lib.device, ALC_REFRESH, 1, &refresh);
    if (alcGetError(lib.device) != ALC_NO_ERROR || frequency <= 0 || refresh <= 0) {
        log("ERROR: couldn't get OpenAL buffer size!");
        return;
    }
    // The period count cannot be queried; it is the one configured.
    log("OpenAL buffer size: blocksize = " + std::to_string(frequency / refresh) +
        " numblocks = " + std::to_string(settings_.periods));
}

void OpenALAudioModule::createSourcePool() {
    const int wanted = settings_.voices > 0 ? settings_.voices : 1;
    clearALError();
    for (int i = 0; i < wanted; ++i) {
        ALuint source = 0;
        alGenSources(1, &source);
        if (!alSucceeded())
            break;  // the device's limit
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSourcei(source, AL_LOOPING, AL_TRUE);
        allSources_.push_back(source);
    }
    if (allSources_.empty())
        failFatally("source create", AL_OUT_OF_MEMORY, alGetString(AL_OUT_OF_MEMORY));
    // Handed out from the back: the first sources first.
    freeSources_.assign(allSources_.rbegin(), allSources_.rend());
    log("OpenAL voices: " + std::to_string(allSources_.size()));
}

void OpenALAudioModule::closeDevice() {
    Library& lib = *library_;
    if (lib.context != nullptr) {
        if (makeCurrent() && !allSources_.empty())
            alDeleteSources(static_cast<ALsizei>(allSources_.size()), allSources_.data());
        if (currentContext == lib.context) {
            alcMakeContextCurrent(nullptr);
            currentContext = nullptr;
        }
        alcDestroyContext(lib.context);
        lib.context = nullptr;
    }
    allSources_.clear();
    freeSources_.clear();
    if (lib.device != nullptr)
        alcCloseDevice(lib.device);
    lib.device = nullptr;
}

void OpenALAudioModule::renderFrames(int frames) {
    if (!library_->loopback || frames <= 0 || !makeCurrent()) {
        rendered_.clear();
        return;
    }
    rendered_.resize(static_cast<std::size_t>(frames) * 2);
    alcRenderSamplesSOFT(library_->device, rendered_.data(), frames);
}

void OpenALAudioModule::updateDevice(float deltaMS) {
    if (!library_->loopback)
        return;
    // Never more than a second at once: a stalled loop drops time like the update accumulator does.
    const double ms = std::clamp(static_cast<double>(deltaMS), 0.0, 1000.0);
    pendingFrames_ += ms * settings_.mixingRate / 1000.0;
    const int frames = static_cast<int>(pendingFrames_);
    pendingFrames_ -= frames;
    renderFrames(frames);
}

// ---- Sounds and channels ------------------------------------------------------------------------

std::optional<AudioModule::DeviceSound> OpenALAudioModule::loadDeviceSound(const std::string& path) {
    if (!makeCurrent())
        return std::nullopt;
    std::optional<DecodedSound> decoded = decodeSoundFile(path);
    if (!decoded)
        return std::nullopt;
    clearALError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (!alSucceeded())
        return std::nullopt;
    const ALenum format = decoded->channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
    alBufferData(buffer, format, decoded->samples.data(),
                 static_cast<ALsizei>(decoded->samples.size() * sizeof(int16_t)), decoded->sampleRate);
    if (!alSucceeded()) {
        alDeleteBuffers(1, &buffer);
        return std::nullopt;
    }
    return DeviceSound{buffer, decoded->channels};
}

void OpenALAudioModule::unloadDeviceSound(const DeviceSound& sound) {
    if (!makeCurrent())
        return;
    ALuint buffer = sound.handle;
    alDeleteBuffers(1, &buffer);
    clearALError();
}

std::optional<uint32_t> OpenALAudioModule::startChannel(const DeviceSound& sound) {
    if (freeSources_.empty() || !makeCurrent())
        return std::nullopt;
    const ALuint source = freeSources_.back();
    clearALError();
    alSourcei(source, AL_BUFFER, static_cast<ALint>(sound.handle));
    alSourceRewind(source);
    if (!alSucceeded()) {
        alSourcei(source, AL_BUFFER, 0);
        clearALError();
        return std::nullopt;
    }
    freeSources_.pop_back();
    return source;
}

void OpenALAudioModule::stopChannel(uint32_t channel) {
    if (!makeCurrent())
        return;
    alSourceStop(channel);
    // Detached, so the buffer can be deleted.
    alSourcei(channel, AL_BUFFER, 0);
    clearALError();
    freeSources_.push_back(channel);
}

bool OpenALAudioModule::isChannelPlaying(uint32_t channel) {
    if (!makeCurrent())
        return false;
    clearALError();
    ALint state = AL_STOPPED;
    alGetSourcei(channel, AL_SOURCE_STATE, &state);
    return alSucceeded() && (state == AL_PLAYING || state == AL_PAUSED);
}

bool OpenALAudioModule::setChannelGain(uint32_t channel, float gain) {
    if (!makeCurrent())
        return false;
    clearALError();
    alSourcef(channel, AL_GAIN, gain);
    return alSucceeded();
}

bool OpenALAudioModule::setChannelPan(uint32_t channel, const DeviceSound& sound, float pan) {
    if (!makeCurrent())
        return false;
    clearALError();
    if (sound.channels == 1) {
        // On the unit circle in front of the listener: -1 hard left, 0 ahead, 1 hard right.
        alSource3f(channel, AL_POSITION, pan, 0.0f, -std::sqrt(std::max(0.0f, 1.0f - pan * pan)));
    } else if (library_->stereoAngles) {
        // Both speakers turn towards the side, keeping the image: at +-1 both sit at that side.
        constexpr float kFront = std::numbers::pi_v<float> / 6.0f;
        constexpr float kSide = std::numbers::pi_v<float> / 2.0f;
        const float towards = pan >= 0.0f ? -kSide : kSide;
        const float amount = std::fabs(pan);
        const ALfloat angles[2] = {kFront + (towards - kFront) * amount,
                                   -kFront + (towards + kFront) * amount};
        alSourcefv(channel, AL_STEREO_ANGLES, angles);
    }
    return alSucceeded();
}

bool OpenALAudioModule::setChannelPaused(uint32_t channel, bool paused) {
    if (!makeCurrent())
        return false;
    clearALError();
    ALint state = AL_STOPPED;
    alGetSourcei(channel, AL_SOURCE_STATE, &state);
    // A channel that ended stays ended (a play would restart it); the update removes its voice.
    if (paused && state == AL_PLAYING)
        alSourcePause(channel);
    if (!paused && (state == AL_PAUSED || state == AL_INITIAL))
        alSourcePlay(channel);
    return alSucceeded();
}

bool OpenALAudioModule::setChannelPitch(uint32_t channel, float pitchRatio) {
    if (!makeCurrent())
        return false;
    // OpenAL refuses a pitch of 0 or infinity; notes far outside the keyboard play at its limits.
    const float pitch = std::isfinite(pitchRatio) ? std::clamp(pitchRatio, 1.0f / 1024.0f, 1024.0f) : 1024.0f;
    clearALError();
    alSourcef(channel, AL_PITCH, pitch);
    return alSucceeded();
}
