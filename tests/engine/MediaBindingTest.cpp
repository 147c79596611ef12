// Video and Audio from scripts on null devices: the argument forms reach the modules with the
// right values, misuse gives its message, and refused values leave the modules as they were.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Engine/NullAudioModule.h"
#include "Engine/ScriptHost/GmScriptModule.h"
#include "Engine/ShapeType.h"
#include "EngineHarness.h"

namespace {
class MediaBinding : public ::testing::Test {
  protected:
    MediaBinding() : module(std::make_unique<GmScriptModule>(&engine.gameSystem, false)) {}

    std::vector<std::string> errorsOf(const std::string& text) {
        gmErrorLog& log = module->getMachine().getErrorLog();
        const int32_t first = log.getEntryCount();
        module->getMachine().runText(text.c_str());
        std::vector<std::string> entries;
        for (int32_t i = first; i < log.getEntryCount(); ++i) entries.emplace_back(log.getEntry(i));
        return entries;
    }

    void expectMessage(const std::string& text, const std::string& message) {
        const std::vector<std::string> errors = errorsOf(text);
        bool found = false;
        for (const std::string& entry : errors) found = found || entry.find(message) != std::string::npos;
        EXPECT_TRUE(found) << text << "\n  expected: " << message
                           << "\n  got: " << (errors.empty() ? std::string("no error") : errors.front());
    }

    gmValue global(const char* name) {
        gmScriptMachine& machine = module->getMachine();
        return machine.getGlobals()->getField(machine, name);
    }
    float number(const char* name) {
        const gmValue value = global(name);
        return value.isFloat() ? value.getFloat() : static_cast<float>(value.getInt());
    }

    NullAudioModule& audio() { return static_cast<NullAudioModule&>(*engine.gameSystem.getAudioModule()); }

    EngineHarness engine;
    std::unique_ptr<GmScriptModule> module;
};

TEST_F(MediaBinding, VideoFormsAndMessages) {
    const std::pair<const char*, const char*> cases[] = {
        {"Video.clear(1);",
         "\"clear\" expecting parameters (void) or (COLOUR,alpha) or (colourName,alpha) or (r,g,b) or "
         "(r,g,b,a)"},
        {"Video.clear(1, 2);", "\"clear\" expecting parameters"},
        {"Video.clear(1, \"a\", 2);", "expecting param 1 as float or int"},
        {"Video.translate(1);", "\"translate\" expecting parameters (float, float) or (float,float,float)"},
        {"Video.scale(1, 2, 3, 4);", "\"scale\" expecting parameters (x,y) or (x,y,z)"},
        {"Video.setColour();",
         "\"setColour\" expecting parameteres ([id|name|COLOUR]) or ([id|name|COLOUR],alpha) or (r,g,b) or "
         "(r,g,b,a)"},
        {"Video.setColour(1.5);", "expecting param 0 as user type 17"},
        {"Video.setColour(REALPOINT(), 1);", "expecting param 0 as user type 17"},
        {"Video.setColour(\"red\", \"a\");", "expecting param 1 as float or int"},
        {"Video.plotVertex(1);", "\"plotVertex\" expecting parameters (float,float) or (float,float,float)"},
        {"Video.setLineWidth(1, 2);", "\"setLineWidth\" expecting parameters (void) or (REAL)"},
        {"Video.drawTexture(1, 2, 3, 4, 5, 6, 7, 8, 9, \"t.png\");",
         "\"drawTexture\" expecting parameters (8 REALs, string) or (12 REALs, string)"},
        {"Video.drawTexture(1, 2, 3, 4, 5, 6, 7, 8, 9);", "expecting param 8 as string"},
        {"Video.restartVideo(1);",
         "\"restartVideo\" expecting parameters (void) or (int,int,bool) or (w,h,fs,aa)"},
        {"Video.restartVideo(800.5, 600, false);", "expecting param 0 as int"},
        {"Video.print(\"hi\");", "\"print\" couldn't find matching method signature (s)"},
        {"Video.print(1, \"hi\", 2, PRINTINFO(), table());",
         "\"print\" couldn't find matching method signature (nsnp?)"},
        {"Video.print(\"hi\", 1, 0.5);", "expecting param 2 as int"},
        {"Video.print(\"hi\", 1, 7);", "\"print\": alignment 7 is not a TEXTALIGN_ constant"},
        {"Video.beginShape(7);", "\"beginShape\": shape type 7 is not a SHAPETYPE_ constant"},
        {"Video.getTextWidth(\"a\");", "expecting 2 param(s)"},
        {"Video.setAttrDepthTest(0.5);", "expecting param 0 as bool"},
    };
    for (const auto& [text, message] : cases) expectMessage(text, message);

    // Refused values are errors naming the method, and the module keeps what it had.
    VideoModule& video = *engine.gameSystem.getVideoModule();
    const float aspect = video.getAspectRatio();
    const int width = video.getDeviceWidth();
    expectMessage("Video.setAspectRatio(0);", "\"setAspectRatio\": aspect ratio 0 is not a positive number");
    expectMessage("Video.setAspectRatio(-1.5);", "\"setAspectRatio\"");
    expectMessage("Video.restartVideo(0, 600, false);",
                  "\"restartVideo\": window size 0 x 600 is not positive");
    expectMessage("Video.restartVideo(640, -1, false, 2);", "\"restartVideo\"");
    EXPECT_EQ(video.getAspectRatio(), aspect);
    EXPECT_EQ(video.getDeviceWidth(), width);

    // Accepted forms reach the module.
    EXPECT_TRUE(errorsOf("Video.setAspectRatio(2); Video.restartVideo(640, 480, false, 2); "
                         "Video.setCameraPos(1, 2, 3); Video.setIsYDepth(true); Video.setIsShowingFPS(1); "
                         "global state = table(a = Video.getAspectRatio(), w = Video.getDeviceWidth(), "
                         "x = Video.getCameraPosX(), z = Video.getCameraPosZ(), y = Video.isYDepth(), "
                         "f = Video.isShowingFPS());")
                    .empty());
    EXPECT_EQ(video.getAspectRatio(), 2.0f);
    EXPECT_EQ(video.getDeviceWidth(), 640);
    EXPECT_EQ(video.getAntialiasing(), 2);
    EXPECT_EQ(video.getCameraPosZ(), 3.0f);
    EXPECT_TRUE(video.isYDepth());
    EXPECT_TRUE(video.isShowingFPS());
}

TEST_F(MediaBinding, SpriteAndShapeFormsAndMessages) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Video.plotTexturedVertex(1, 2, 3);",
         "\"plotTexturedVertex\" expecting parameters (x,y,u,v) or (x,y,z,u,v)"},
        {"Video.plotTexturedVertex(1, 2, 3, \"v\");", "expecting param 3 as float or int"},
        {"Video.drawSprite(\"s.png\", 0, 0, 16, 16, 0, 0, 32);",
         "\"drawSprite\" expecting parameters (name,sx,sy,sw,sh,x,y,w,h) or "
         "(name,sx,sy,sw,sh,x,y,w,h,flipX[,flipY[,angle]])"},
        {"Video.drawSprite(1, 0, 0, 16, 16, 0, 0, 32, 32);", "expecting param 0 as string"},
        {"Video.drawSprite(\"s.png\", 0, 0, 16, 16, 0, 0, 32, 32, 0.5);", "expecting param 9 as bool"},
        {"Video.setTextureFilter(\"s.png\", 2);",
         "\"setTextureFilter\": filter 2 is not a TEXTUREFILTER_ constant"},
        {"Video.setTextureEdge(\"s.png\", -1);",
         "\"setTextureEdge\": edge mode -1 is not a TEXTUREEDGE_ constant"},
        {"Video.setTextureEdge(\"s.png\");", "expecting 2 param(s)"},
        {"Video.drawRect(1, 2, 3);", "\"drawRect\" expecting parameters (x,y,w,h) or (x,y,w,h,filled)"},
        {"Video.drawCircle(1, 2);",
         "\"drawCircle\" expecting parameters (x,y,radius) or (x,y,radius,filled)"},
        {"Video.drawLine(1, 2, 3);", "expecting 4 param(s)"},
    };
    for (const auto& [text, message] : cases) expectMessage(text, message);

    // The sampling is kept by name; a texture never loaded is only noted.
    ASSERT_TRUE(errorsOf("Video.setTextureFilter(\"s.png\", TEXTUREFILTER_NEAREST); "
                         "Video.setTextureEdge(\"s.png\", TEXTUREEDGE_CLAMP); "
                         "Video.setTextureEdge(\"t.png\", TEXTUREEDGE_CLAMP); "
                         "Video.setTextureEdge(\"t.png\", TEXTUREEDGE_REPEAT);")
                    .empty());
    NullVideoModule& video = engine.video();
    EXPECT_EQ(video.getTextureSampling("s.png"), (TextureSampling{.nearest = true, .clamp = true}));
    EXPECT_EQ(video.getTextureSampling("t.png"), TextureSampling{});

    // The helpers draw in the current colour: a filled rectangle is one quad, a line one segment,
    // an outline four.
    video.clearDrawCalls();
    ASSERT_TRUE(
        errorsOf("Video.drawRect(1, 2, 3, 4); Video.drawLine(0, 0, 5, 6); Video.drawRect(0, 0, 1, 1, 0);")
            .empty());
    using Call = NullVideoModule::DrawCall;
    std::vector<Call> vertices;
    for (const Call& call : video.getDrawCalls()) {
        if (call.operation == "plotVertex" || call.operation == "beginShape")
            vertices.push_back(call);
    }
    ASSERT_EQ(vertices.size(), 5u + 3u + 9u);
    EXPECT_EQ(vertices[0], (Call{"beginShape", {SHAPETYPE_QUADS}}));
    EXPECT_EQ(vertices[3], (Call{"plotVertex", {4, 6, 0}}));
    EXPECT_EQ(vertices[5], (Call{"beginShape", {SHAPETYPE_LINES}}));
    EXPECT_EQ(vertices[7], (Call{"plotVertex", {5, 6, 0}}));
    EXPECT_EQ(vertices[8], (Call{"beginShape", {SHAPETYPE_LINES}}));
}

TEST_F(MediaBinding, PrintPlacesItsFormsAndFillsThePrintInfo) {
    // An empty text draws no glyph, so the record keeps the bounds print starts from: left and
    // right swapped, top and bottom at y. That shows where each form put the text.
    const char* text =
        "i4 = PRINTINFO(); Video.print(1, 2, 3, 4, \"\", 12, TEXTALIGN_CENTER, i4); "
        "i3 = PRINTINFO(); Video.print(5, 6, 7, \"\", 12.5, 0, i3); "
        "i2 = PRINTINFO(); Video.print(10, 20, \"\", 12, 0, i2); "
        "i0 = PRINTINFO(); Video.print(\"\", 12, 0, i0); "
        "right = PRINTINFO(); Video.print(1, 2, 0, 0, \"hi\", 12, TEXTALIGN_RIGHT, right); "
        "global r = table(l4 = i4.left, r4 = i4.right, t4 = i4.top, l3 = i3.left, r3 = i3.right, t3 = "
        "i3.top, "
        "l2 = i2.left, t2 = i2.bottom, l0 = i0.left, t0 = i0.top, end = right.right, start = right.left, "
        "n = Video.print(10, 20, \"hi\", 12), w = Video.getTextWidth(\"hi\", 12));";
    ASSERT_TRUE(errorsOf(text).empty());
    gmScriptMachine& machine = module->getMachine();
    gmTable* r = global("r").getTable();
    auto field = [&](const char* name) { return r->getField(machine, name).getFloat(); };
    EXPECT_EQ(field("l4"), 2.0f);
    EXPECT_EQ(field("r4"), 1.0f);
    EXPECT_EQ(field("t4"), 3.0f);
    EXPECT_EQ(field("l3"), 5.0f);
    EXPECT_EQ(field("r3"), 5.0f);
    EXPECT_EQ(field("t3"), 6.0f);
    EXPECT_EQ(field("l2"), 10.0f);
    EXPECT_EQ(field("t2"), 20.0f);
    EXPECT_EQ(field("l0"), 0.0f);
    EXPECT_EQ(field("t0"), 0.0f);
    // Right-aligned text ends at the right edge and starts its width before it.
    EXPECT_FLOAT_EQ(field("end"), 2.0f);
    EXPECT_FLOAT_EQ(field("start"), 2.0f - field("w"));
    EXPECT_GT(field("w"), 0.0f);
    EXPECT_EQ(field("n"), 12.0f);
}

TEST_F(MediaBinding, AudioFormsReachTheVoices) {
    audio().addSound("blip.wav");
    const char* text =
        "Audio.setMasterVolume(0.5); "
        "global loaded = Audio.loadSound(\"blip.wav\", A3); "
        "global a = Audio.playSound(\"blip.wav\"); "
        "global b = Audio.playSound(\"blip.wav\", -0.5, 0.5); "
        "global c = Audio.playSound(\"blip.wav\", A4 + 0.9, 250, 1, 1); "
        "Audio.setVoicePause(b, true); Audio.setVoiceNote(a + 0.5, A4); Audio.setVoiceVolume(a, 2); "
        "Audio.setVoicePan(a, 0.25); Audio.setVoiceGateTime(a, 100); Audio.stopVoice(c); "
        "global sfx = Audio.getSFXVolume(); global base = Audio.getDefaultBaseNote(); "
        "global missing = Audio.isVoiceValid(-1);";
    ASSERT_TRUE(errorsOf(text).empty());
    EXPECT_EQ(global("loaded").getInt(), 1);
    EXPECT_EQ(global("base").getInt(), 48);
    EXPECT_EQ(global("missing").getInt(), 0);
    EXPECT_EQ(number("sfx"), 0.5f);
    const auto id = [&](const char* name) { return static_cast<VoiceId>(global(name).getInt()); };
    ASSERT_NE(audio().getChannel(id("a")), nullptr);
    const NullAudioModule::Channel& a = *audio().getChannel(id("a"));
    EXPECT_EQ(a.gain, 1.0f);  // SFX 0.5 x the voice's own 2, not clamped
    EXPECT_EQ(a.pan, 0.25f);
    EXPECT_NEAR(a.pitchRatio, 2.0f, 1e-6f);  // A4 on a sound whose base note is A3
    const NullAudioModule::Channel& b = *audio().getChannel(id("b"));
    EXPECT_TRUE(b.paused);
    EXPECT_EQ(b.pan, -0.5f);
    EXPECT_EQ(b.gain, 0.25f);
    // The note is truncated: A4 + 0.9 is A4. A stopped voice is muted and valid until released.
    const NullAudioModule::Channel& c = *audio().getChannel(id("c"));
    EXPECT_NEAR(c.pitchRatio, 2.0f, 1e-6f);
    EXPECT_EQ(c.gain, 0.0f);

    const std::pair<const char*, const char*> cases[] = {
        {"Audio.loadSound();", "\"loadSound\" expecting parameters (string) or (string,NOTE)"},
        {"Audio.loadSound(1);", "expecting param 0 as string"},
        {"Audio.playSound(\"blip.wav\", 1);",
         "\"playSound\" expecting parameters (string) or (string,float,float) or "
         "(string,NOTE,float,float,float)"},
        {"Audio.playSound(\"blip.wav\", 1, \"x\");", "expecting param 2 as float or int"},
        {"Audio.isVoiceValid(1.5);", "expecting param 0 as int"},
        {"Audio.stopVoice();", "expecting 1 param(s)"},
        {"Audio.setVoicePause(1, 0.5);", "expecting param 1 as bool"},
        {"Audio.setVoicePan(\"a\", 1);", "expecting param 0 as float or int"},
        {"Audio.setMasterVolume(\"a\");", "expecting param 0 as float or int"},
    };
    for (const auto& [script, message] : cases) expectMessage(script, message);

    // Unloading removes the sound's voices; huge or negative ids name no voice.
    EXPECT_TRUE(
        errorsOf("Audio.setVoiceVolume(1e30, 1); Audio.setVoiceNote(-5.5, 1e30); Audio.unloadAllSounds(); "
                 "global after = Audio.isVoiceValid(a); Audio.stopAllVoices();")
            .empty());
    EXPECT_EQ(global("after").getInt(), 0);
}
}  // namespace
