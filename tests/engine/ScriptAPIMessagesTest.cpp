// The messages script misuse of the world and timing bindings produces, run through the script
// module on a game system with null platform modules.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Engine/ScriptHost/GmScriptModule.h"
#include "Engine/Sequencer.h"
#include "EngineHarness.h"

namespace {
class ScriptAPIMessages : public ::testing::Test {
  protected:
    ScriptAPIMessages() : module(std::make_unique<GmScriptModule>(&engine.gameSystem, false)) {}

    // Runs [text] as its own thread; the error-log entries it left.
    std::vector<std::string> errorsOf(const std::string& text) {
        gmScriptMachine& machine = module->getMachine();
        gmErrorLog& log = machine.getErrorLog();
        const int32_t first = log.getEntryCount();
        machine.runText(text.c_str());
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

    EngineHarness engine;
    std::unique_ptr<GmScriptModule> module;
};

TEST_F(ScriptAPIMessages, EntityManagerEntityParticleAIHelperAndGameBoardForms) {
    const std::pair<const char*, const char*> cases[] = {
        {"EntityManager.getAllEntities(3.5);",
         "\"getAllEntities\" expecting (void) or (typename) or (typeID)"},
        {"EntityManager.createEntity(1);", "\"createEntity\" expecting parameters (void) or (string)"},
        {"EntityManager.createEntityAsPlayer(1, 2);",
         "\"createEntityAsPlayer\" expecting parameters (void) or (string)"},
        {"EntityManager.getNumEntities(1.5);",
         "\"getNumEntities\" expecting (void) or (ENTITYTYPE) or (entityName)"},
        {"EntityManager.getRandomEntity();", "expecting 1 param(s)"},
        {"EntityManager.getRandomEntity(1.5);", "\"getRandomEntity\" expecting (typename) or (typeID)"},
        {"EntityManager.getEntitiesNear(1, 2, 3);", "expecting 4 param(s)"},
        {"EntityManager.createEntity().getPhysicsData().setPos(1);",
         "\"setPos\" expecting parameters (REALPOINT) or (float,float)"},
        {"EntityManager.createEntity().getPhysicsData().setDir(1, \"a\");",
         "expecting param 1 as float or int"},
        {"EntityManager.createEntity().setTestColour(1, 2);",
         "\"setTestColour\" expecting (r,g,b) or (r,g,b,a)"},
        {"EntityManager.createEntity().isSameType(3);", "expecting param 0 as user type"},
        {"ParticleManager.createParticle(3);", "\"createParticle\" expecting parameters (void) or (name)"},
        {"p = ParticleManager.createParticle(); p.vel = 3;", "\"PARTICLE.vel\" expecting REALPOINT"},
        {"AIHelper.findClosestEntity(1.5, EntityManager.createEntity());",
         "\"findClosestEntity\" expecting (who) or (type,who) or (name,who)"},
        {"AIHelper.leadTarget(EntityManager.createEntity(), 2, 3);", "expecting param 1 as user type"},
        {"GameBoard.makeRandomPosOutsideOfGameBoard(1, 2);",
         "\"makeRandomPosOutsideOfGameBoard\" expecting parameters (void) or (REAL)"},
        {"GameBoard.isInGameBoard(1);", "\"isInGameBoard\" expecting parameters (REALPOINT) or (REAL,REAL)"},
    };
    for (const auto& [text, message] : cases) expectMessage(text, message);

    // A kept value whose entity was removed is an error, not freed memory.
    expectMessage(
        "global kept = EntityManager.createEntity(); EntityManager.flush(); "
        "EntityManager.deleteAllEntities(); EntityManager.flush(); kept.getHP();",
        "ENTITY no longer exists");
}

TEST_F(ScriptAPIMessages, TimersSequencersColoursAndShapes) {
    const std::pair<const char*, const char*> cases[] = {
        {"ALARM(1, true, 3);",
         "\"ALARM\" expecting parameters (void) or ([float|int]) or ([float|int],bool)"},
        {"ALARM(\"a\");", "expecting param 0 as float or int"},
        {"SAWLFO().setRange(1);", "expecting 2 param(s)"},
        {"MainSequencer.gotoStep16(1, 2, 3);", "\"gotoStep\" expecting parameters (int) or (int,int)"},
        {"MainSequencer.setTrigger16(1);",
         "\"setTrigger16\" expecting parameters (int,ACTION) or (int,ACTION,bool) or (int,int,ACTION) or "
         "(int,int,ACTION,bool)"},
        {"MainSequencer.setTriggerOnNext(1);",
         "\"setTriggerOnNext\" expecting parameters (NOTELENGTH,ACTION) or (NOTELENGTH,ACTION,bool)"},
        {"MainSequencer.restart(1, 2);", "\"SEQUENCER\" expecting parameters (void) or (NOTELENGTH)"},
        {"MainSequencer.setBPM(0);", "\"setBPM\""},
        {"MainSequencer.getNoteTime(6);", "\"getNoteTime\""},
        {"SEQUENCER(1);", "expecting param 0 as user type"},
        {"SEQUENCERACTION(1, 2);", "\"SEQUENCERACTION\" expecting parameters (void) or (table)"},
        {"SEQUENCERACTION(1);", "expecting param 0 as table"},
        {"ColourManager.load(1);", "\"load\" expecting parameters (void) or (string)"},
        {"ColourManager.getColour(1.5);", "\"getColour\" expecting parameters (string) or (COLOURID)"},
        {"ColourManager.setColour(\"x\", 1);",
         "\"setColour\" expecting parameters (string,COLOUR) or (COLOURID,COLOUR)"},
        {"ColourManager.makeInterpolatedColour(0.5, \"red\");",
         "\"makeInterpolatedColour\" expecting parameters "
         "(REAL,[string|colourID|COLOUR],[string|colourID|COLOUR])"},
        {"SHAPE(0, 4);", "expecting 3 param(s)"},
        {"SHAPE(0, 0, GameSystem);", "\"SHAPE\""},
        {"SHAPE(0, 4, GameSystem).getVertex(4);", "\"getVertex\": index (4 ) out of bounds!"},
        {"SHAPE(0, 4, GameSystem).plotVertices(1);",
         "\"plotVertices\" expecting (void) or (start,end) or (start,end,increment)"},
        {"SHAPE(0, 4, GameSystem).setDir(1, 2, 3);", "\"setDir\" expecting (ang) or (dir) or (x,y)"},
        {"SHAPE(0, 4, GameSystem).setPos(\"a\");",
         "\"setPos\" expecting (pos) or (pos,z) or (x,y) or (x,y,z)"},
        {"SHAPE(0, 4, GameSystem).setScale(1);", "\"setScale\" expecting (sx,sy) or (sx,sy,sz)"},
        {"v = SHAPE(0, 4, GameSystem).getVertex(0); v.alpha = \"a\";",
         "\"SHAPEVERTEX.alpha\" expecting float or int"},
        {"v = SHAPE(0, 4, GameSystem).getVertex(0); v.texPos = 1;",
         "\"SHAPEVERTEX.pos\" expecting REALPOINT"},
        {"v = SHAPE(0, 4, GameSystem).getVertex(0); v.colour = 1;",
         "\"SHAPEVERTEX.colour\" expecting COLOUR"},
    };
    for (const auto& [text, message] : cases) expectMessage(text, message);

    // Refused values leave the sequencer as it was.
    Sequencer* main = engine.gameSystem.getMainSequencer();
    const int bpm = main->getBPM();
    errorsOf("MainSequencer.setBPM(-5); MainSequencer.setLoopLen(0);");
    EXPECT_EQ(main->getBPM(), bpm);
    EXPECT_EQ(main->getLoopLen(), 1);
}

// A vertex value keeps its shape alive, and a trigger container its sequencer, through full
// collections after the script dropped them.
TEST_F(ScriptAPIMessages, ValuesThatReferToOwnedObjectsKeepThemAlive) {
    const char* text =
        "global v = SHAPE(0, 4, GameSystem).getVertex(1); "
        "s = SEQUENCER(GameSystem); s.setTrigger(3, SEQUENCERACTION()); global c = s.getAllTriggers(); s = "
        "null;";
    EXPECT_TRUE(errorsOf(text).empty());
    module->getMachine().collectGarbage(true);
    EXPECT_TRUE(
        errorsOf("global n = c.size(); global step = c.get().getStep(); v.x = 5; global x = v.x;").empty());
    gmScriptMachine& machine = module->getMachine();
    EXPECT_EQ(machine.getGlobals()->getField(machine, "n").getInt(), 1);
    EXPECT_EQ(machine.getGlobals()->getField(machine, "step").getInt(), 3);
    EXPECT_EQ(machine.getGlobals()->getField(machine, "x").getFloat(), 5.0f);
}
}  // namespace
