// What scripts can see: the registry's types, global objects, functions and constants, checked on
// a running script module, and the documentation every entry carries into docs/api.md.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "Engine/GameSystem.h"
#include "Engine/ScriptAPI/ScriptRegistry.h"
#include "Engine/ScriptHost/GmScriptModule.h"
#include "tests/doubles/NullModuleFactory.h"

namespace {
struct ExpectedType {
    const char* name;
    std::size_t methods;
};

// The published API, in registration order.
constexpr ExpectedType kExpectedTypes[] = {
    {"REALPOINT", 14},
    {"ALARM", 14},
    {"LFO", 7},
    {"SEQUENCER", 25},
    {"SEQUENCERACTION", 4},
    {"SEQUENCERTRIGGER", 4},
    {"ENTITYLISTREFCONTAINER", 5},
    {"PROCESSLISTREFCONTAINER", 5},
    {"SEQUENCERTRIGGERLISTREFCONTAINER", 5},
    {"PRINTINFO", 0},
    {"COLOUR", 16},
    {"SHAPE", 16},
    {"SHAPEVERTEX", 0},
    {"GMSCRIPTMODULE", 2},
    {"GAMESYSTEM", 26},
    {"LOGGER", 5},
    {"INPUT", 12},
    {"VIDEO", 59},
    {"AUDIO", 25},
    {"ENTITYMANAGER", 13},
    {"ENTITY", 46},
    {"PARTICLEMANAGER", 4},
    {"PARTICLE", 5},
    {"PHYSICSDATA", 54},
    {"PROCESS", 13},
    {"AIHELPER", 7},
    {"COLOURMANAGER", 9},
    {"GAMEBOARD", 16},
};

class ScriptRegistryFactory : public NullModuleFactory {
  public:
    std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) override {
        return std::make_unique<GmScriptModule>(gameSystem, /*compiledMode=*/false);
    }
};

// A game system with the real script module, started on a Main process that does nothing, in a
// folder of its own.
class ScriptRegistry : public testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("tact-script-registry-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        std::filesystem::current_path(folder_);
        std::ofstream("Main.gm")
            << "global Main = function(process) { return table(update = function(dt) {}); };\n";
        system_ = std::make_unique<GameSystem>(factory_);
        system_->setSleepEnabled(false);
        system_->startUp();
        for (int i = 0; i < 3; ++i) {
            factory_.getClock().advance(UPDATE_INTERVAL_MS);
            system_->runLoopIteration();
        }
    }
    void TearDown() override {
        system_.reset();
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        std::filesystem::remove_all(folder_);
    }

    gmScriptMachine& machine() {
        return static_cast<GmScriptModule*>(system_->getScriptModule())->getMachine();
    }
    gmValue global(const char* name) { return machine().getGlobals()->getField(machine(), name); }

    std::filesystem::path folder_;
    ScriptRegistryFactory factory_;
    std::unique_ptr<GameSystem> system_;
};

TEST_F(ScriptRegistry, TypesAreRegisteredInOrderFromSevenWithTheirMethods) {
    const auto tables = scriptTypeTables();
    ASSERT_EQ(tables.size(), std::size(kExpectedTypes));
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const ScriptTypeTable& table = *tables[i];
        SCOPED_TRACE(table.name);
        EXPECT_STREQ(table.name, kExpectedTypes[i].name);
        EXPECT_EQ(static_cast<std::size_t>(table.type), i);
        EXPECT_EQ(scriptTypeId(table.type), static_cast<int32_t>(7 + i));
        EXPECT_STREQ(machine().getTypeName(scriptTypeId(table.type)), table.name);
        std::set<std::string> names;
        for (const ScriptMethod& method : table.methods) names.insert(method.name);
        EXPECT_EQ(names.size(), table.methods.size()) << "a method name is listed twice";
        EXPECT_EQ(table.methods.size(), kExpectedTypes[i].methods);
        // Constructors are global functions once registered.
        for (const ScriptFunction& constructor : table.constructors) {
            EXPECT_TRUE(global(constructor.name).isFunction()) << constructor.name;
        }
    }
    EXPECT_EQ(scriptTypeId(ScriptType::REALPOINT), 7);
}

TEST_F(ScriptRegistry, GlobalObjectsFunctionsAndConstantsAreSet) {
    const auto objects = scriptGlobalObjects();
    ASSERT_EQ(objects.size(), 12u);
    EXPECT_STREQ(objects.back().name, "Input");
    for (const ScriptGlobalObject& object : objects) {
        SCOPED_TRACE(object.name);
        EXPECT_EQ(global(object.name).getType(), scriptTypeId(object.type));
    }
    EXPECT_STREQ(objects[0].name, "GmScript");
    EXPECT_STREQ(objects[10].name, "MainSequencer");
    EXPECT_EQ(objects[10].type, ScriptType::SEQUENCER);

    const auto functions = scriptGlobalFunctions();
    ASSERT_EQ(functions.size(), 57u);
    EXPECT_STREQ(functions.front().name, "test");
    EXPECT_STREQ(functions.back().name, "IsNull");
    for (const ScriptFunction& function : functions)
        EXPECT_TRUE(global(function.name).isFunction()) << function.name;

    const auto& constants = scriptConstants();
    ASSERT_EQ(constants.size(), 245u);
    std::set<std::string> names;
    for (const ScriptConstant& constant : constants) {
        names.insert(constant.name);
        const gmValue value = global(constant.name);
        if (constant.isFloat) {
            ASSERT_TRUE(value.isFloat()) << constant.name;
            EXPECT_EQ(value.getFloat(), constant.floatValue) << constant.name;
        } else {
            ASSERT_TRUE(value.isInt()) << constant.name;
            EXPECT_EQ(value.getInt(), constant.intValue) << constant.name;
        }
    }
    EXPECT_EQ(names.size(), constants.size()) << "a constant name is listed twice";
    EXPECT_EQ(global("KEYBOARD_RIGHTALT").getInt(), 63);
    EXPECT_EQ(global("KEYBOARD_LEFTSQUAREBRACKET").getInt(), 65);
    EXPECT_EQ(global("MOUSE_MIDDLEBUTTON").getInt(), 115);
    EXPECT_EQ(global("KEYBOARD_SPACE_BAR").getInt(), 64);
    EXPECT_EQ(global("A4").getInt(), 57);
    EXPECT_EQ(global("B7").getInt(), 95);
    EXPECT_EQ(global("BASE_NOTE").getInt(), 96);
    EXPECT_EQ(global("GAMEBOARD_BOTTOM").getInt(), 16);
    EXPECT_EQ(global("BODY_KINEMATIC").getInt(), 2);
    EXPECT_EQ(global("ALL_COLLISION_CATEGORIES").getInt(), 65535);
    ASSERT_TRUE(global("PI").isFloat());
    EXPECT_EQ(global("PI").getFloat(), 3.1415927f);
    EXPECT_EQ(global("TWOPI").getFloat(), 3.1415927f + 3.1415927f);
    EXPECT_EQ(global("PIBYTWO").getFloat(), 3.1415927f / 2.0f);
}

// The reference shows every entry's forms; an entry without them would read "not documented".
TEST(ScriptRegistryDocumentation, EveryEntryHasItsArgumentFormsAndResult) {
    auto expectForms = [](const char* where, const ScriptMethod& entry) {
        ASSERT_NE(entry.forms, nullptr) << where << " " << entry.name;
        EXPECT_EQ(entry.forms[0], '(') << where << " " << entry.name << ": " << entry.forms;
        EXPECT_NE(std::strstr(entry.forms, ") -> "), nullptr)
            << where << " " << entry.name << ": " << entry.forms;
    };
    for (const ScriptTypeTable* table : scriptTypeTables()) {
        for (const ScriptFunction& constructor : table->constructors) expectForms(table->name, constructor);
        if (!table->operators.empty()) {
            EXPECT_NE(table->operatorForms, nullptr) << table->name;
        }
        for (const ScriptMethod& method : table->methods) expectForms(table->name, method);
    }
    for (const ScriptFunction& function : scriptGlobalFunctions()) expectForms("global", function);
}

// The reference's "what it does" column: every name a script can reach says what it does.
TEST(ScriptRegistryDocumentation, EveryEntryGlobalObjectAndConstantHasADescription) {
    auto described = [](const char* description) { return description != nullptr && description[0] != '\0'; };
    for (const ScriptTypeTable* table : scriptTypeTables()) {
        for (const ScriptFunction& constructor : table->constructors)
            EXPECT_TRUE(described(constructor.description)) << table->name << " " << constructor.name;
        for (const ScriptMethod& method : table->methods)
            EXPECT_TRUE(described(method.description)) << table->name << " " << method.name;
    }
    for (const ScriptFunction& function : scriptGlobalFunctions())
        EXPECT_TRUE(described(function.description)) << "global " << function.name;
    for (const ScriptGlobalObject& object : scriptGlobalObjects())
        EXPECT_TRUE(described(object.description)) << "global object " << object.name;
    for (const ScriptConstant& constant : scriptConstants())
        EXPECT_TRUE(described(constant.description)) << "constant " << constant.name;
}
}  // namespace
