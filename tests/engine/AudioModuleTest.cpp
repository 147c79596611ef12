// The voice rules every audio device shares, checked on the null module's recorded device state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include <unistd.h>

#include "Engine/NullAudioModule.h"
#include "EngineHarness.h"

namespace {
class AudioModuleTest : public testing::Test {
  protected:
    AudioModuleTest() : audio(static_cast<NullAudioModule&>(*engine.gameSystem.getAudioModule())) {
        audio.addSound("beep.wav");
        audio.addSound("pad.ogg", 2);
    }
    bool logged(const std::string& line) const {
        for (const std::string& l : engine.logLines()) {
            if (l == line)
                return true;
        }
        return false;
    }

    EngineHarness engine;
    NullAudioModule& audio;
};

// Runs a test in a directory of its own, so its debug.log meets no other test's.
class ScratchDirectory {
  public:
    ScratchDirectory() : previous_(std::filesystem::current_path()) {
        path_ = std::filesystem::temp_directory_path() /
                ("tact-audio-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }

  private:
    static inline int counter_ = 0;
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

std::string readDebugLog() {
    std::ifstream file("debug.log");
    return std::string(std::istreambuf_iterator<char>(file), {});
}
}  // namespace

TEST_F(AudioModuleTest, ModuleVolumesAreClampedAndVoicesPlayAtSFXTimesTheirOwnVolume) {
    audio.setMasterVolume(-1.0f);
    EXPECT_EQ(audio.getMasterVolume(), 0.0f);
    audio.setMasterVolume(3.0f);
    EXPECT_EQ(audio.getMasterVolume(), 1.0f);
    audio.setMasterVolume(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(audio.getMasterVolume(), 0.0f);

    audio.setMasterVolume(0.8f);
    const VoiceId full = audio.playSound("beep.wav");
    const VoiceId half = audio.playSound("beep.wav", 0.0f, 0.5f);
    audio.setSFXVolume(0.5f);
    audio.setMusicVolume(0.25f);
    EXPECT_FLOAT_EQ(audio.getSFXVolume(), 0.4f);
    EXPECT_FLOAT_EQ(audio.getMusicVolume(), 0.2f);
    EXPECT_FLOAT_EQ(audio.getChannel(full)->gain, 0.4f);
    EXPECT_FLOAT_EQ(audio.getChannel(half)->gain, 0.2f);
    audio.setVoiceVolume(half, 2.0f);  // a voice's own volume is not clamped
    EXPECT_FLOAT_EQ(audio.getChannel(half)->gain, 0.8f);
    audio.setVoiceVolume(half, -3.0f);
    EXPECT_EQ(audio.getChannel(half)->gain, 0.0f);
    audio.setVoiceVolume(half, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(audio.getChannel(half)->gain, 0.0f);
    audio.setVoicePan(half, -5.0f);
    EXPECT_EQ(audio.getChannel(half)->pan, -1.0f);
}

TEST_F(AudioModuleTest, PlaySoundLoadsOnDemandAndNotesSetThePitchFromTheBaseNote) {
    const VoiceId id = audio.playSound("beep.wav");
    EXPECT_EQ(id, 1u);
    EXPECT_TRUE(logged("Loaded sound: beep.wav"));
    const NullAudioModule::Channel* channel = audio.getChannel(id);
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(channel->pitchRatio, 1.0f);
    EXPECT_EQ(channel->pan, 0.0f);
    EXPECT_EQ(channel->gain, 1.0f);
    EXPECT_FALSE(channel->paused);

    audio.setVoiceNote(id, 60);  // default base note 48: an octave up
    EXPECT_FLOAT_EQ(channel->pitchRatio, 2.0f);
    audio.setVoiceNote(id, 48);
    EXPECT_FLOAT_EQ(channel->pitchRatio, 1.0f);
    audio.setVoiceNote(id, 41);
    EXPECT_FLOAT_EQ(channel->pitchRatio, std::exp2(-7.0f / 12.0f));
    audio.setVoiceNote(id, BASE_NOTE);
    EXPECT_EQ(channel->pitchRatio, 1.0f);

    ASSERT_TRUE(audio.loadSound("pad.ogg", 60));
    const VoiceId pad = audio.playSound("pad.ogg", 72, 0.0f, 0.25f, 1.0f);
    EXPECT_FLOAT_EQ(audio.getChannel(pad)->pitchRatio, 2.0f);
    EXPECT_EQ(audio.getChannel(pad)->soundChannels, 2);
    EXPECT_EQ(audio.getChannel(pad)->pan, 0.25f);
}

TEST_F(AudioModuleTest, VoiceIdsStartAtOneAndSkipZeroAndIdsInUse) {
    EXPECT_EQ(audio.playSound("beep.wav"), 1u);
    EXPECT_EQ(audio.playSound("beep.wav"), 2u);
    EXPECT_EQ(audio.playSound("beep.wav"), 3u);
    audio.setNextVoiceId(std::numeric_limits<VoiceId>::max());
    EXPECT_EQ(audio.playSound("beep.wav"), std::numeric_limits<VoiceId>::max());
    EXPECT_EQ(audio.playSound("beep.wav"), 4u);  // past 0 and the three still playing
    EXPECT_FALSE(audio.isVoiceValid(INVALID_VOICEID));
    EXPECT_EQ(audio.getVoiceCount(), 5);
}

TEST_F(AudioModuleTest, GateMutesAtTheFirstUpdatePastItAndReleaseRemovesTheVoice100msLater) {
    const VoiceId id = audio.playSound("beep.wav", 48, 500.0f, 0.0f, 1.0f);
    for (int i = 0; i < 49; ++i) audio.update(10.0f);
    EXPECT_EQ(audio.getChannel(id)->gain, 1.0f);
    audio.update(10.0f);  // 500 ms
    EXPECT_EQ(audio.getChannel(id)->gain, 0.0f);
    audio.setMasterVolume(0.5f);  // a releasing voice stays silent
    audio.setVoiceVolume(id, 1.0f);
    EXPECT_EQ(audio.getChannel(id)->gain, 0.0f);
    for (int i = 0; i < 9; ++i) audio.update(10.0f);
    EXPECT_TRUE(audio.isVoiceValid(id));
    audio.update(10.0f);
    EXPECT_FALSE(audio.isVoiceValid(id));
    EXPECT_EQ(audio.getRequests().back(), "stop ./beep.wav");
}

TEST_F(AudioModuleTest, PausedVoicesStayAndEndedOrStoppedVoicesGo) {
    const VoiceId paused = audio.playSound("beep.wav");
    const VoiceId ended = audio.playSound("beep.wav");
    const VoiceId stopped = audio.playSound("beep.wav");
    audio.setVoicePause(paused, true);
    audio.endChannel(ended);
    audio.stopVoice(stopped);
    audio.update(50.0f);
    EXPECT_TRUE(audio.isVoiceValid(paused));
    EXPECT_TRUE(audio.getChannel(paused)->paused);
    EXPECT_FALSE(audio.isVoiceValid(ended));
    EXPECT_TRUE(audio.isVoiceValid(stopped));
    audio.update(50.0f);
    EXPECT_FALSE(audio.isVoiceValid(stopped));

    audio.stopAllVoices();
    audio.update(100.0f);
    EXPECT_EQ(audio.getVoiceCount(), 0);
    // Unknown ids are ignored.
    audio.setVoiceVolume(paused, 1.0f);
    audio.setVoiceNote(12345, 60);
    audio.stopVoice(INVALID_VOICEID);
}

TEST_F(AudioModuleTest, UnloadingOrReloadingASoundRemovesItsVoicesBeforeReleasingIt) {
    const VoiceId beep = audio.playSound("beep.wav");
    const VoiceId pad = audio.playSound("pad.ogg");
    audio.unloadSound("beep.wav");
    EXPECT_FALSE(audio.isVoiceValid(beep));
    EXPECT_TRUE(audio.isVoiceValid(pad));
    const std::vector<std::string>& requests = audio.getRequests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2], "stop ./beep.wav");
    EXPECT_EQ(requests.back(), "unload ./beep.wav");

    ASSERT_TRUE(audio.loadSound("pad.ogg", 60));  // replaces: the old voice goes with the old data
    EXPECT_FALSE(audio.isVoiceValid(pad));
    EXPECT_EQ(audio.getLoadedSoundCount(), 1);

    audio.playSound("beep.wav");
    audio.unloadAllSounds();
    EXPECT_EQ(audio.getVoiceCount(), 0);
    EXPECT_EQ(audio.getLoadedSoundCount(), 0);
    EXPECT_FALSE(audio.isSoundLoaded("pad.ogg"));
}

TEST_F(AudioModuleTest, AMissingSoundIsLoggedOpensTheConsoleAndPlaysNoVoice) {
    engine.registerProcess("ConsoleProcess");
    EXPECT_EQ(audio.playSound("missing.wav"), INVALID_VOICEID);
    EXPECT_TRUE(logged("ERROR: could not load sound missing.wav"));
    EXPECT_FALSE(audio.isSoundLoaded("missing.wav"));
    engine.runTicks(1);
    EXPECT_TRUE(engine.gameSystem.isConsoleOpen());
    // A failed reload keeps the sound that was loaded.
    audio.addSound("beep.wav");
    const VoiceId id = audio.playSound("beep.wav");
    EXPECT_FALSE(audio.loadSound("beep.wav/")) << "a name that is no file";
    EXPECT_TRUE(audio.isVoiceValid(id));
}

TEST_F(AudioModuleTest, WhenEveryChannelIsBusyPlaySoundFailsWithItsLogLine) {
    ScratchDirectory scratch;
    NullAudioModule small(&engine.gameSystem, 2);
    small.addSound("beep.wav");
    EXPECT_NE(small.playSound("beep.wav"), INVALID_VOICEID);
    EXPECT_NE(small.playSound("beep.wav"), INVALID_VOICEID);
    EXPECT_EQ(small.playSound("beep.wav"), INVALID_VOICEID);
    EXPECT_EQ(readDebugLog(), "SOUNDSKIN: couldn't play beep.wav\n");
}

TEST_F(AudioModuleTest, AOneShotVoiceEndsByItselfAtItsSoundsEndAndALoopingOnePlaysOn) {
    audio.addSound("shot.wav", 1, 100.0f);
    ASSERT_TRUE(audio.loadSound("shot.wav"));
    ASSERT_TRUE(audio.setSoundLooping("shot.wav", false));
    const VoiceId once = audio.playSound("shot.wav");
    const VoiceId octaveUp = audio.playSound("shot.wav", DEFAULT_BASE_NOTE + 12, 0.0f, 0.0f, 1.0f);
    ASSERT_TRUE(audio.setSoundLooping("shot.wav", true));
    const VoiceId looping = audio.playSound("shot.wav");
    EXPECT_FALSE(audio.getChannel(once)->looping);
    EXPECT_TRUE(audio.getChannel(looping)->looping);
    audio.update(40.0f);
    EXPECT_TRUE(audio.isVoiceValid(octaveUp));
    audio.update(10.0f);  // 50 ms at twice the speed: the sound's end
    EXPECT_FALSE(audio.isVoiceValid(octaveUp));
    audio.update(40.0f);
    EXPECT_TRUE(audio.isVoiceValid(once));
    audio.update(10.0f);
    EXPECT_FALSE(audio.isVoiceValid(once));
    audio.update(1000.0f);
    EXPECT_TRUE(audio.isVoiceValid(looping));
    EXPECT_FALSE(audio.setSoundLooping("never-loaded.wav", false));
    EXPECT_FALSE(audio.isSoundLooping("never-loaded.wav"));
}

TEST_F(AudioModuleTest, MusicStreamsUntilStoppedOrItsEndAndAMissingFileIsOneLogLine) {
    ScratchDirectory scratch;  // the cause goes to debug.log
    audio.addSound("theme.ogg", 2, 500.0f);
    EXPECT_FALSE(audio.isMusicPlaying());
    ASSERT_TRUE(audio.playMusic("theme.ogg"));
    audio.update(1000.0f);
    EXPECT_TRUE(audio.isMusicPlaying());  // it loops
    audio.stopMusic();
    EXPECT_FALSE(audio.isMusicPlaying());
    ASSERT_TRUE(audio.playMusic("theme.ogg", false));
    audio.update(400.0f);
    EXPECT_TRUE(audio.isMusicPlaying());
    audio.update(100.0f);
    EXPECT_FALSE(audio.isMusicPlaying());
    EXPECT_FALSE(audio.playMusic("absent.ogg"));
    EXPECT_FALSE(audio.isMusicPlaying());
    int lines = 0;
    for (const std::string& line : engine.logLines())
        lines += line == "ERROR: could not play music absent.ogg";
    EXPECT_EQ(lines, 1);
    const std::vector<std::string> expected = {"music ./theme.ogg", "stop music", "music ./theme.ogg",
                                               "stop music"};
    EXPECT_EQ(audio.getRequests(), expected);
}
