#include <gtest/gtest.h>

#include "Engine/Assertion.h"
#include "Engine/KeyCodes.h"
#include "EngineHarness.h"

namespace {

class ProcessList : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"Main", "A", "B", "C", "X"}) engine.registerProcess(name);
        engine.gameSystem.startUp();
        engine.runTicks(1);
    }

    // Runs [names] (after Main) and lets them init.
    void start(std::initializer_list<const char*> names) {
        for (const char* name : names) engine.gameSystem.runProcess(name);
        engine.runTicks(1);
        engine.trace.clear();
    }

    EngineHarness engine;
};

TEST_F(ProcessList, TwoRunCommandsInOneTickMakeOneProcess) {
    engine.gameSystem.runProcess("X");
    engine.gameSystem.runProcess("X");
    EXPECT_EQ(engine.gameSystem.getProcess("X"), nullptr);  // still queued
    engine.runTicks(1);
    EXPECT_EQ(engine.gameSystem.getProcessList().size(), 2u);
    EXPECT_EQ(engine.traceOf("X.init").size(), 1u);
}

TEST_F(ProcessList, AProcessThatTerminatesItselfIsDeletedAtTheNextTickWithoutAnotherUpdate) {
    engine.registerProcess("Quitter", [](RecordingProcess& p) {
        p.onUpdate = [](RecordingProcess& self) { self.terminate(); };
    });
    start({"Quitter"});
    engine.runTicks(3);
    EXPECT_EQ(engine.traceOf("Quitter."),
              (EventTrace{"Quitter.update", "Quitter.preDraw", "Quitter.postDraw", "Quitter.deleted"}));
    EXPECT_FALSE(engine.gameSystem.isProcessRunning("Quitter"));
}

TEST_F(ProcessList, AProcessWhoseInitFailsIsNeverUpdatedButStillHearsEvents) {
    engine.registerProcess("Lazy", [](RecordingProcess& p) { p.initResult = false; });
    start({"Lazy"});
    engine.runTicks(2);
    engine.gameSystem.onKeyRelease(KEYBOARD_Q);
    EXPECT_EQ(engine.traceOf("Lazy.update").size(), 0u);
    EXPECT_EQ(engine.traceOf("Lazy.init").size(), 2u);
    EXPECT_EQ(engine.traceOf("Lazy.release").size(), 1u);
}

TEST_F(ProcessList, ProcessesBeforeTheFocusProcessGetNoKeysAndReadNoKeys) {
    engine.registerProcess("Reader", [](RecordingProcess& p) {
        p.onUpdate = [](RecordingProcess& self) {
            if (self.getGameSystem()->getInputModule()->isKeyPressed(KEYBOARD_Q))
                self.record("sees Q");
        };
    });
    engine.gameSystem.startNewProcessList("");
    engine.runTicks(1);
    start({"A", "B", "C"});
    engine.gameSystem.getProcess("B")->setIsStealsInputFocus(true);

    engine.input().setDeviceKey(KEYBOARD_Q, true);
    engine.runTicks(1);
    EXPECT_EQ(engine.traceOf("A.press"), EventTrace{});
    // The state is stored after the press event, so during it the key still reads up.
    EXPECT_EQ(engine.traceOf("B.press"), EventTrace{"B.press16"});
    EXPECT_EQ(engine.traceOf("C.press"), EventTrace{"C.press16"});
    EXPECT_EQ(engine.traceOf("A.type").size(), 0u);
    EXPECT_EQ(engine.traceOf("C.type").size(), 1u);
    EXPECT_EQ(engine.gameSystem.getInputModule(), engine.gameSystem.getRealInputModule());
    EXPECT_EQ(engine.script().getInputGlobal(), engine.gameSystem.getRealInputModule());
}

TEST_F(ProcessList, FocusDecidesWhichInputProcessesReadDuringUpdate) {
    std::vector<std::pair<std::string, bool>> seen;
    for (const char* name : {"P1", "P2", "P3"}) {
        engine.registerProcess(name, [&seen](RecordingProcess& p) {
            p.onUpdate = [&seen](RecordingProcess& self) {
                seen.emplace_back(self.getName(),
                                  self.getGameSystem()->getInputModule()->isKeyPressed(KEYBOARD_Q));
            };
        });
    }
    engine.gameSystem.startNewProcessList("");
    engine.runTicks(1);
    start({"P1", "P2", "P3"});
    engine.gameSystem.getProcess("P2")->setIsStealsInputFocus(true);
    engine.input().setDeviceKey(KEYBOARD_Q, true);
    seen.clear();
    engine.runTicks(1);
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, bool>>{{"P1", false}, {"P2", true}, {"P3", true}}));
}

class EntityPass : public ProcessList {
  protected:
    void addEntity() {
        engine.gameSystem.getEntityManager()->addEntity(
            new RecordingEntity(&engine.gameSystem, &engine.trace, "e"));
    }
    EventTrace updates() const {
        EventTrace result;
        for (const std::string& e : engine.trace) {
            if (e.size() > 7 && e.compare(e.size() - 7, 7, ".update") == 0)
                result.push_back(e);
        }
        return result;
    }
};

TEST_F(EntityPass, RunsRightAfterTheFirstProcessThatUpdatesEntities) {
    engine.gameSystem.startNewProcessList("A");
    engine.runTicks(1);
    start({"B"});
    addEntity();
    engine.runTicks(1);
    EXPECT_EQ(updates(), (EventTrace{"A.update", "e.update", "B.update"}));
}

TEST_F(EntityPass, RunsAfterTheLastProcessWhenNoneIsFlagged) {
    engine.gameSystem.startNewProcessList("A");
    engine.runTicks(1);
    start({"B"});
    engine.gameSystem.getProcess("A")->setIsUpdatesEntities(false);
    addEntity();
    engine.runTicks(1);
    EXPECT_EQ(updates(), (EventTrace{"A.update", "B.update", "e.update"}));
}

TEST_F(EntityPass, APauseProcessThatDoesNotUpdateEntitiesFreezesThem) {
    engine.registerProcess("Pauser", [](RecordingProcess& p) {
        p.onUpdate = [](RecordingProcess& self) {
            if (!self.getGameSystem()->isPaused())
                self.getGameSystem()->setAsPauseProcess(true);
        };
    });
    addEntity();
    start({"A", "Pauser", "C"});
    engine.runTicks(2);
    ASSERT_TRUE(engine.gameSystem.isPaused());
    engine.trace.clear();
    engine.runTicks(1);
    // Main (the entity updater) and A come before the pause process: not updated, entities frozen.
    EXPECT_EQ(updates(), (EventTrace{"Pauser.update", "C.update"}));

    engine.gameSystem.getProcess("C")->setIsUpdatesEntities(true);
    engine.trace.clear();
    engine.runTicks(1);
    EXPECT_EQ(updates(), (EventTrace{"Pauser.update", "C.update", "e.update"}));
}

TEST_F(EntityPass, TerminatingThePauseProcessEndsThePauseAtThatTick) {
    engine.registerProcess("Pauser", [](RecordingProcess& p) {
        p.onUpdate = [](RecordingProcess& self) {
            if (!self.getGameSystem()->isPaused())
                self.getGameSystem()->setAsPauseProcess(true);
        };
    });
    start({"Pauser"});
    engine.runTicks(2);
    ASSERT_TRUE(engine.gameSystem.isPaused());
    engine.gameSystem.terminateProcess("Pauser");
    EXPECT_TRUE(engine.gameSystem.isPaused());
    engine.trace.clear();
    engine.runTicks(1);
    EXPECT_FALSE(engine.gameSystem.isPaused());
    EXPECT_EQ(updates(), (EventTrace{"Main.update"}));
}

TEST_F(ProcessList, SetAsPauseProcessOutsideACallbackIsReportedAndIgnored) {
    std::vector<AssertionReport> reports;
    AssertionHandler previous = setAssertionHandler([&](const AssertionReport& r) { reports.push_back(r); });
    engine.gameSystem.setAsPauseProcess(true);
    setAssertionHandler(previous);
    engine.runTicks(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].expression, "lpCurrentExecutingProcess!=NULL");
    EXPECT_FALSE(engine.gameSystem.isPaused());
}

TEST_F(ProcessList, StartingAnEmptyListKillsEverythingAndStartsNothing) {
    start({"A", "B"});
    engine.gameSystem.startNewProcessList("");
    engine.runTicks(1);
    EXPECT_TRUE(engine.gameSystem.getProcessList().empty());
    EXPECT_EQ(engine.traceOf("A.deleted").size(), 1u);
}

TEST_F(ProcessList, CommandsForMissingProcessesDoNothing) {
    engine.gameSystem.terminateProcess("Nobody");
    engine.runTicks(1);
    EXPECT_EQ(engine.gameSystem.getProcessList().size(), 1u);
}

TEST_F(ProcessList, UnregisteredNamesFallBackToAPlainProcess) {
    engine.gameSystem.runProcess("NoFactory");
    engine.runTicks(2);
    ASSERT_NE(engine.gameSystem.getProcess("NoFactory"), nullptr);
    EXPECT_TRUE(engine.gameSystem.getProcess("NoFactory")->isInited());
}

TEST_F(ProcessList, EntityEventsReachModulesProcessesAndEntities) {
    engine.gameSystem.getEntityManager()->addEntity(
        new RecordingEntity(&engine.gameSystem, &engine.trace, "e"));
    engine.runTicks(1);
    EXPECT_EQ(engine.traceOf("Main.entityCreate").size(), 1u);
}

TEST_F(ProcessList, CollisionsReachProcessesThenBothEntities) {
    auto* a = new RecordingEntity(&engine.gameSystem, &engine.trace, "a");
    auto* b = new RecordingEntity(&engine.gameSystem, &engine.trace, "b");
    engine.gameSystem.getEntityManager()->addEntity(a);
    engine.gameSystem.getEntityManager()->addEntity(b);
    engine.runTicks(1);
    engine.trace.clear();
    engine.gameSystem.onEntityCollide(a, b);
    EXPECT_EQ(engine.trace, (EventTrace{"Main.collide", "a.collide", "b.collide"}));
}

TEST(LinkedObject, DestructionTellsEveryLinkedObjectOnce) {
    struct Listener : LinkedObject {
        void onLinkedObjectDeleted(LinkedObject* deleted) override {
            heard.push_back(reinterpret_cast<std::uintptr_t>(deleted));
        }
        std::vector<std::uintptr_t> heard;
    };
    Listener a, b;
    auto* dying = new Listener;
    const auto dyingAddress = reinterpret_cast<std::uintptr_t>(static_cast<LinkedObject*>(dying));
    dying->link(&a);
    b.link(dying);
    b.link(dying);
    EXPECT_TRUE(b.isLinkedTo(dying));
    delete dying;
    EXPECT_EQ(a.heard, std::vector<std::uintptr_t>{dyingAddress});
    EXPECT_EQ(b.heard, std::vector<std::uintptr_t>{dyingAddress});
    a.link(nullptr);
    EXPECT_TRUE(a.isType("LinkedObject"));
    EXPECT_FALSE(a.isType("GameObject"));
}

}  // namespace
