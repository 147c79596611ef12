// Sample playback as voices (script global `Audio`): sounds loaded once by file name and played many
// times with a note, pan, volume and gate. The rules every device shares live here (volumes, voice
// ids, note to pitch, gate and release timing, what unloading does to voices); a device supplies the
// protected channel hooks. Device-backed: OpenALAudioModule/. Without a device: NullAudioModule.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "Engine/Alarm.h"
#include "Engine/EngineModule.h"

using VoiceId = uint32_t;

// Never the id of a voice: playSound's failure result.
inline constexpr VoiceId INVALID_VOICEID = 0;
// The note that plays a sound at its own pitch whatever its base note. Notes 0 .. 95 are C0 .. B7,
// twelve to the octave.
inline constexpr int BASE_NOTE = 96;
// The base note of a sound loaded without one: C4.
inline constexpr int DEFAULT_BASE_NOTE = 48;
// A stopped or gated voice is muted at once and removed this long after.
inline constexpr float VOICE_RELEASE_MS = 100.0f;

class AudioModule : public EngineModule {
  public:
    explicit AudioModule(GameSystem* gameSystem);
    ~AudioModule() override;

    // Advances the device by [deltaMS], removes voices whose channel ended, runs gates and releases.
    void update(float deltaMS) override;

    // ---- Sounds ---------------------------------------------------------------------------------
    // Loads ./[fileName] under its name with [baseNote]: logs "Loaded sound: <name>" and returns true;
    // on failure logs "ERROR: could not load sound <name>", opens the console and returns false. A
    // name already loaded is replaced only on success, after its voices are stopped and removed.
    virtual bool loadSound(const std::string& fileName, int baseNote);
    bool loadSound(const std::string& fileName) { return loadSound(fileName, defaultBaseNote_); }
    // Stops and removes the sound's voices at once, then releases it. Unknown names do nothing.
    virtual void unloadSound(const std::string& fileName);
    // Whether voices started from now on loop (the default for a loaded sound) or play the sound
    // once and end by themselves at its end (isVoiceValid then turns false). Voices playing
    // already keep their way; loading the sound again makes it loop. False, changing nothing,
    // when [fileName] is not loaded.
    bool setSoundLooping(const std::string& fileName, bool looping);
    // True for a looping sound; false for a one-shot sound or a name not loaded.
    bool isSoundLooping(const std::string& fileName) const;
    virtual void unloadAllSounds();
    bool isSoundLoaded(const std::string& fileName) const { return sounds_.count(fileName) != 0; }
    int getDefaultBaseNote() const { return defaultBaseNote_; }

    // ---- Voices ---------------------------------------------------------------------------------
    // Starts a voice of [fileName] (loading it with the default base note when needed) at [note]
    // (BASE_NOTE: the sound's own pitch), released after [gateTimeMS] when that is positive, at
    // [pan] (-1 left .. 1 right) and [volume] (0..1, times the SFX volume). Returns its id, or
    // INVALID_VOICEID when the sound cannot be loaded or no channel is free (then
    // "SOUNDSKIN: couldn't play <name>" goes to debug.log). Looping sounds (the default) play
    // until stopped or gated, one-shot sounds (setSoundLooping) at most to their end.
    virtual VoiceId playSound(const std::string& fileName, int note, float gateTimeMS, float pan,
                              float volume);
    VoiceId playSound(const std::string& fileName) {
        return playSound(fileName, BASE_NOTE, 0.0f, 0.0f, 1.0f);
    }
    VoiceId playSound(const std::string& fileName, float pan, float volume) {
        return playSound(fileName, BASE_NOTE, 0.0f, pan, volume);
    }
    // True from playSound until the voice is removed (released, ended, or its sound unloaded); a
    // paused or releasing voice is still valid.
    virtual bool isVoiceValid(VoiceId id) const;
    int getVoiceCount() const { return static_cast<int>(voices_.size()); }

    // The operations below do nothing for an id that is not valid.
    // Voice volume := [volume] clamped to [0, 1]; the channel plays at SFX volume x voice volume.
    virtual void setVoiceVolume(VoiceId id, float volume);
    // [pan] clamped to [-1, 1]: -1 left, 0 centre, 1 right.
    virtual void setVoicePan(VoiceId id, float pan);
    virtual void setVoicePause(VoiceId id, bool paused);
    // Pitch := 2^((note - sound's base note) / 12); BASE_NOTE plays at the sound's own pitch.
    virtual void setVoiceNote(VoiceId id, int note);
    // The voice is released once it has played [gateTimeMS] (time already played counts); 0 or
    // less means no gate.
    virtual void setVoiceGateTime(VoiceId id, float gateTimeMS);
    // Mutes the voice; it is removed VOICE_RELEASE_MS later.
    virtual void stopVoice(VoiceId id);
    virtual void stopAllVoices();
    // Re-applies SFX volume x voice volume to every voice (after a volume setting changed).
    virtual void applyVolumes();

    // ---- Music ----------------------------------------------------------------------------------
    // Streams ./[fileName] at the music volume from its start, replacing the music playing, and
    // [loop]s back to its start at its end without a gap (or plays it once). The file is decoded
    // a chunk at a time as it plays, so its length costs no memory. A file that cannot be opened,
    // or whose data turn out damaged while it plays, stops the music with "ERROR: could not play
    // music <name>" in the log (the cause in debug.log); playMusic is then false.
    bool playMusic(const std::string& fileName, bool loop = true);
    void stopMusic();
    // From a playMusic that succeeded until stopMusic, the update that rendered the end of music
    // that does not loop, or a failure.
    bool isMusicPlaying() const { return musicPlaying_; }

    // ---- Volumes (each stored clamped to [0, 1]; NaN counts as 0) ------------------------------
    void setMasterVolume(float volume);
    void setMusicVolume(float volume);
    void setSFXVolume(float volume);
    float getMasterVolume() const { return masterVolume_; }
    // The products with the master volume. Streamed music plays at the music volume, voices at
    // the SFX volume.
    float getMusicVolume() const { return masterVolume_ * musicVolume_; }
    float getSFXVolume() const { return masterVolume_ * sfxVolume_; }

    // The pitch ratio of [note] for a sound whose base note is [baseNote]; 1 for BASE_NOTE.
    static float getPitchRatio(int note, int baseNote);

    // ---- Timing and output ----------------------------------------------------------------------
    // The game time (ms since start-up, on the clock of ticks and sequencer steps) at which what
    // runs now ideally happens: the game system sets its tick's before the tick and a sequencer its
    // step's before the step's actions. A device places the voices started and changed meanwhile at
    // that time plus its fixed output latency, to the sample. Until it is set, changes apply from
    // the next rendered frame.
    void setCurrentIdealTime(double ms) { idealTimeMS_ = ms; }
    // The output period in ms (a device clamps it to what it supports); NaN is ignored.
    virtual void setOutputPeriodMS(float /*periodMS*/) {}
    // What the output has done so far.
    struct OutputFigures {
        float latencyMS = 0.0f;      // from a voice's ideal time to its place in the output
        int underruns = 0;           // the device ran out of output
        int lateVoices = 0;          // started after their place had been rendered
        int64_t clippedSamples = 0;  // output samples beyond full scale
        bool rendered = false;       // the module renders output at all
    };
    virtual OutputFigures getOutputFigures() const { return {}; }
    // From now on, everything rendered also goes to the WAV file [path] (frame 0 is game time 0).
    // False, with the reason in [error], when it cannot be written or the module renders nothing.
    virtual bool writeOutputTo(const std::string& /*path*/, std::string& error) {
        error = "this audio module renders no output";
        return false;
    }

  protected:
    // A sound as the device holds it: its handle and its channel count.
    struct DeviceSound {
        uint32_t handle = 0;
        int channels = 1;
        // Its voices play it again and again (until stopped or gated), or once through.
        bool looping = true;
    };

    // ---- Device hooks ---------------------------------------------------------------------------
    // Decodes the file at [path] ("./name"); nothing when it cannot, the engine reports that.
    virtual std::optional<DeviceSound> loadDeviceSound(const std::string& path) = 0;
    // Called only once no channel plays [sound].
    virtual void unloadDeviceSound(const DeviceSound& sound) = 0;
    // Puts [sound] on a free channel, looping (or once through, when the sound is not looping:
    // then the channel ends by itself at the sound's end) and not yet audible (started by
    // setChannelPaused false); nothing when every channel is busy.
    virtual std::optional<uint32_t> startChannel(const DeviceSound& sound) = 0;
    // Silences [channel] and frees it; the engine forgets it.
    virtual void stopChannel(uint32_t channel) = 0;
    // Playing or paused; false when it ended or the device cannot tell.
    virtual bool isChannelPlaying(uint32_t channel) = 0;
    // The setters return false when the device refuses; the engine logs that and goes on.
    virtual bool setChannelGain(uint32_t channel, float gain) = 0;
    virtual bool setChannelPan(uint32_t channel, const DeviceSound& sound, float pan) = 0;
    virtual bool setChannelPaused(uint32_t channel, bool paused) = 0;
    virtual bool setChannelPitch(uint32_t channel, float pitchRatio) = 0;
    // Once per update, before the voices are examined.
    virtual void updateDevice(float /*deltaMS*/) {}
    // Mutes [channel] for good once it has played [gateMS] since it started (0 or less: no gate),
    // at the exact frame; false when the device cannot, and the engine mutes it on the first
    // update past the gate.
    virtual bool setChannelGate(uint32_t /*channel*/, float /*gateMS*/) { return false; }
    // Starts streaming the file at [path] ("./name"), replacing music that plays; false, with the
    // cause in [reason], when it cannot. Without a device nothing streams.
    virtual bool startDeviceMusic(const std::string& /*path*/, bool /*loop*/, std::string& reason) {
        reason = "no device streams music";
        return false;
    }
    virtual void stopDeviceMusic() {}
    enum class MusicState { kPlaying, kEnded, kFailed };
    // After each updateDevice while music plays: whether it still does; [reason] for a failure.
    virtual MusicState pollDeviceMusic(std::string& /*reason*/) { return MusicState::kEnded; }

    // The time setCurrentIdealTime set last; nothing before.
    std::optional<double> getCurrentIdealTime() const { return idealTimeMS_; }

    // Stops every voice and unloads every sound through the hooks; a device's destructor calls it
    // while its hooks still work (the base destructor cannot).
    void releaseAll();
    // The channel of voice [id], if valid.
    std::optional<uint32_t> getVoiceChannel(VoiceId id) const;
    // The id the next voice takes (skipping 0 and ids in use), so tests can reach the wrap.
    void setNextVoiceId(VoiceId id) { nextVoiceId_ = id == INVALID_VOICEID ? 1 : id; }
    // An engine message in the game system's log (the engine may run without one in tests).
    void log(const std::string& text);

  private:
    struct Sound {
        DeviceSound device;
        int baseNote = DEFAULT_BASE_NOTE;
    };
    struct Voice {
        std::string soundName;
        Sound sound;
        uint32_t channel = 0;
        float volume = 1.0f;
        // The device mutes the voice at its gate itself.
        bool deviceGate = false;
        // Both off (interval 0) until gated or stopped.
        Alarm gate;
        Alarm release;
    };

    void removeVoice(std::map<VoiceId, Voice>::iterator it);
    // Mutes (unless [mute] is false) and starts the release.
    void releaseVoice(Voice& voice, bool mute);
    void removeVoicesOf(const std::string& fileName);
    Voice* findVoice(VoiceId id);

    float masterVolume_ = 1.0f;
    float musicVolume_ = 1.0f;
    float sfxVolume_ = 1.0f;
    int defaultBaseNote_ = DEFAULT_BASE_NOTE;
    std::map<std::string, Sound> sounds_;
    std::map<VoiceId, Voice> voices_;
    VoiceId nextVoiceId_ = INVALID_VOICEID + 1;
    std::optional<double> idealTimeMS_;
    std::string musicName_;
    bool musicPlaying_ = false;
};
