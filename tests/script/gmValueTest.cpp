#include "script/gmValue.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "ScriptTestSupport.h"
#include "script/gmStringTable.h"

namespace {
using gmtest::MachineTest;

TEST(gmValue, IsATypeIdAndAnEightBytePayloadAndDefaultsToNull) {
    EXPECT_EQ(sizeof(gmValue), 16u);
    gmValue value;
    EXPECT_TRUE(value.isNull());
    EXPECT_EQ(value.getType(), kGmNull);
    EXPECT_EQ(value.getPayload32(), 0u);
    EXPECT_FALSE(value.isReference());
}

TEST(gmValue, IntAndFloatKeepTheirPayloadBits) {
    EXPECT_EQ(gmValue::makeInt(-5).getInt(), -5);
    EXPECT_EQ(gmValue::makeInt(INT_MIN).getInt(), INT_MIN);
    EXPECT_EQ(gmValue::makeInt(7).getType(), kGmInt);
    EXPECT_EQ(gmValue::makeFloat(1.5f).getFloat(), 1.5f);
    EXPECT_EQ(gmValue::makeFloat(-0.0f).getPayload32(), 0x80000000u);
    EXPECT_EQ(gmValue::makeFloat(2.0f).getType(), kGmFloat);
}

TEST(gmValue, TruthTestIsPayloadNonZero) {
    EXPECT_FALSE(gmValue().isTrue());
    EXPECT_FALSE(gmValue::makeInt(0).isTrue());
    EXPECT_FALSE(gmValue::makeFloat(0.0f).isTrue());
    EXPECT_TRUE(gmValue::makeFloat(-0.0f).isTrue());
    EXPECT_TRUE(gmValue::makeInt(-1).isTrue());
    EXPECT_TRUE(gmValue::makeRaw(kGmNull, 1).isTrue());
}

TEST(gmValue, EqualityIsTypeAndPayload) {
    EXPECT_EQ(gmValue::makeInt(1), gmValue::makeInt(1));
    EXPECT_FALSE(gmValue::makeInt(1) == gmValue::makeFloat(1.0f));
    EXPECT_FALSE(gmValue::makeInt(0) == gmValue());
    EXPECT_FALSE(gmValue::makeRaw(kGmNull, 1) == gmValue());
}

TEST(gmValue, NumbersHashAsTheirPayload) {
    EXPECT_EQ(gmValue::makeInt(-1).getHash(), 0xFFFFFFFFu);
    EXPECT_EQ(gmValue::makeFloat(1.0f).getHash(), std::bit_cast<uint32_t>(1.0f));
}

TEST(gmValue, OperatorNamesRoundTripAndUnknownIs25) {
    EXPECT_STREQ(gmOperatorName(kGmOpGetDot), "getdot");
    EXPECT_STREQ(gmOperatorName(kGmOpShiftRight), "shiftright");
    EXPECT_STREQ(gmOperatorName(kGmOpBool), "bool");
    EXPECT_STREQ(gmOperatorName(25), "undefined");
    EXPECT_STREQ(gmOperatorName(-1), "undefined");
    for (int32_t id = 0; id < kGmOpCount; ++id) EXPECT_EQ(gmOperatorIdFromName(gmOperatorName(id)), id);
    EXPECT_EQ(gmOperatorIdFromName("ADD"), 25);
    EXPECT_EQ(gmOperatorIdFromName("plus"), 25);
    EXPECT_EQ(gmOperatorIdFromName(""), 25);
    EXPECT_EQ(kGmOpNot, 23);
}

class gmValueReferences : public MachineTest {};

TEST_F(gmValueReferences, ReferenceValuesCarryTheObjectAndItsType) {
    gmValue s = str("hello");
    gmValue t = table();
    EXPECT_TRUE(s.isReference());
    EXPECT_TRUE(s.isString());
    EXPECT_STREQ(s.getString()->getText(), "hello");
    EXPECT_EQ(gmValue::makeObject(s.getObject()), s);
    EXPECT_TRUE(t.isTable());
    EXPECT_EQ(t.getTable(), gmValue::makeTable(t.getTable()).getTable());
    EXPECT_TRUE(t.isTrue());
}

TEST_F(gmValueReferences, StringsHashByTextOtherObjectsBySerialNumber) {
    gmValue s = str("hello");
    EXPECT_EQ(s.getHash(), gmStringTable::hashText("hello", 5));
    const gmValue first = table();
    const gmValue second = table();
    EXPECT_EQ(second.getHash(), first.getHash() + 1);
}

// Hashes do not depend on addresses, so the same operations give the same iteration order in any
// machine, on any run.
TEST(gmValueHashing, TableIterationOrderIsTheSameInEveryMachine) {
    auto order = [] {
        gmScriptMachine machine;
        machine.setStressCollection(false);
        gmTable* table = machine.createTable();
        machine.addHostRoot(table);
        for (int k = 0; k < 40; ++k) {
            gmTable* key = machine.createTable();
            key->set(machine, gmValue::makeInt(0), gmValue::makeInt(k));
            table->set(machine, gmValue::makeTable(key), gmValue::makeInt(k));
            table->set(machine, gmValue::makeString(machine.internString(("s" + std::to_string(k)).c_str())),
                       gmValue::makeInt(100 + k));
        }
        std::vector<int32_t> values;
        int32_t iterator = -2;
        while (const gmTableNode* node = table->nextEntry(iterator)) values.push_back(node->value.getInt());
        return values;
    };
    const std::vector<int32_t> first = order();
    std::vector<std::unique_ptr<gmScriptMachine>> padding;  // shift later allocations elsewhere
    for (int n = 0; n < 3; ++n) padding.push_back(std::make_unique<gmScriptMachine>());
    EXPECT_EQ(order(), first);
    EXPECT_EQ(first.size(), 80u);
}

TEST_F(gmValueReferences, HostObjectValuesUseTheHostTypeId) {
    const int32_t type = machine_.createUserType("thing");
    int payload = 0;
    gmHostObject* object = machine_.newHostObject(&payload, type);
    const gmValue value = roots_.keep(gmValue::makeHostObject(object));
    EXPECT_EQ(value.getType(), type);
    EXPECT_TRUE(value.isReference());
    EXPECT_EQ(value.getHostObject()->getHostPointer(), &payload);
    EXPECT_EQ(gmValue::makeObject(object), value);
}
}  // namespace
