// The script host on null devices: loading, reloading and reverting script files, and the log
// they leave. Each test runs in a fresh folder of its own, the game folder of its scripts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Engine/GameSystem.h"
#include "Engine/Logger.h"
#include "Engine/ScriptHost/GmScriptModule.h"
#include "Engine/ScriptHost/GmScriptProcess.h"
#include "tests/doubles/NullModuleFactory.h"

namespace {
class ScriptHostFactory : public NullModuleFactory {
  public:
    std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) override {
        return std::make_unique<GmScriptModule>(gameSystem, /*compiledMode=*/false);
    }
};

class ScriptHost : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tact-script-host-" + std::to_string(::getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        std::filesystem::current_path(folder_);
    }
    void TearDown() override {
        system_.reset();
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        std::filesystem::remove_all(folder_);
    }

    static void write(const std::string& name, const std::string& text) { std::ofstream(name) << text; }

    void start() {
        system_ = std::make_unique<GameSystem>(factory_);
        system_->setSleepEnabled(false);
        system_->startUp();
    }
    void ticks(int count) {
        for (int i = 0; i < count; ++i) {
            factory_.getClock().advance(UPDATE_INTERVAL_MS);
            system_->runLoopIteration();
        }
    }
    GmScriptModule& module() { return *static_cast<GmScriptModule*>(system_->getScriptModule()); }
    std::vector<std::string> logFrom(const std::string& firstLine) const {
        const auto& lines = system_->getLogger()->getOutput();
        auto found = std::find(lines.begin(), lines.end(), firstLine);
        return {found, lines.end()};
    }
    gmValue field(const char* name) {
        auto* main = dynamic_cast<GmScriptProcess*>(system_->getProcess("Main"));
        return main->getTable()->getField(module().getMachine(), name);
    }

    std::filesystem::path folder_;
    ScriptHostFactory factory_;
    std::unique_ptr<GameSystem> system_;
};

constexpr const char* kMainV1 = R"(
global Main = function(process) {
    return table(
        count = 0, made = 0, version = 1,
        constructor = function() { .made = .made + 1; .version = 1; },
        update = function(dt) { .count = .count + 1; if (.count == 2) { .broken.call(); } });
};
)";

// The same type, fixed: update no longer fails and counts in tens.
constexpr const char* kMainV2 = R"(
global Main = function(process) {
    return table(
        count = 0, made = 0, version = 2,
        constructor = function() { .made = .made + 1; .version = 2; },
        update = function(dt) { .count = .count + 10; });
};
)";

TEST_F(ScriptHost, ReloadReplacesFunctionsKeepsDataAndReenablesMethods) {
    write("Main.gm", kMainV1);
    start();
    ticks(4);
    // update failed on its second call and was not called again.
    EXPECT_EQ(field("count").getInt(), 2);
    EXPECT_EQ(logFrom("In file Main.gm, in function update:").size() > 1, true);

    write("Main.gm", kMainV2);
    module().reloadAllScripts();
    EXPECT_EQ(field("made").getInt(), 2) << "constructor ran again on the kept table";
    EXPECT_EQ(field("version").getInt(), 2);
    EXPECT_EQ(field("count").getInt(), 2) << "data the constructor does not touch is kept";
    ticks(1);
    EXPECT_EQ(field("count").getInt(), 12) << "the new update runs, re-enabled";
    EXPECT_FALSE(logFrom("Refreshed script Main.gm").empty());
}

TEST_F(ScriptHost, FailedReloadRevertsToTheTextBeforeTheLastGoodOne) {
    write("Main.gm", kMainV1);
    start();
    ticks(1);
    write("Main.gm", kMainV2);
    module().reloadAllScripts();
    write("Main.gm", "global Main = function(process) { return table(; };");
    module().reloadAllScripts();

    const std::vector<std::string> log = logFrom("In Main.gm:");
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[1].rfind("    ", 0), 0u) << "errors are indented under the header";
    EXPECT_NE(std::find(log.begin(), log.end(), "Reverted script Main.gm"), log.end());
    // The text before the last good one (version 1) defines Main again; the object keeps its table.
    EXPECT_EQ(field("version").getInt(), 1);
}

TEST_F(ScriptHost, FirstLoadWithSyntaxErrorReportsWithoutRevertAndLeavesNoRecord) {
    write("Main.gm", "global Main = function( {");
    start();
    ticks(2);
    const std::vector<std::string> log = logFrom("In Main.gm:");
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(std::find(log.begin(), log.end(), "Reverted script Main.gm"), log.end());
    EXPECT_EQ(module().findScript("Main.gm"), nullptr);
    EXPECT_TRUE(system_->isConsoleOpen() || system_->isProcessRunning("ConsoleProcess"));

    // Fixed, the next load is a first load again.
    write("Main.gm", kMainV2);
    EXPECT_TRUE(module().loadScript("Main.gm", false));
    EXPECT_FALSE(logFrom("Loaded new script Main.gm").empty());
}

TEST_F(ScriptHost, CompiledScriptsWrittenFromSourceRunInCompiledMode) {
    write("Main.gm", kMainV2);
    start();
    ticks(1);
    module().saveCompiledScripts();
    ASSERT_TRUE(std::filesystem::exists("Main.gmc"));

    system_.reset();
    std::filesystem::remove("Main.gm");
    struct CompiledFactory : NullModuleFactory {
        std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) override {
            return std::make_unique<GmScriptModule>(gameSystem, true);
        }
    } compiled;
    GameSystem game(compiled);
    game.setSleepEnabled(false);
    game.startUp();
    for (int i = 0; i < 3; ++i) {
        compiled.getClock().advance(UPDATE_INTERVAL_MS);
        game.runLoopIteration();
    }
    auto* main = dynamic_cast<GmScriptProcess*>(game.getProcess("Main"));
    ASSERT_NE(main, nullptr);
    ASSERT_NE(main->getTable(), nullptr);
    auto& machine = static_cast<GmScriptModule*>(game.getScriptModule())->getMachine();
    EXPECT_EQ(main->getTable()->getField(machine, "count").getInt(), 20);
}
}  // namespace
