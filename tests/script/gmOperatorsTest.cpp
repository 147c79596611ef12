#include "script/gmBuiltinOperators.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "ScriptTestSupport.h"

namespace {
using gmtest::MachineTest;

class gmOperators : public MachineTest {
  protected:
    gmValue function() {
        return roots_.keep(
            gmValue::makeFunction(machine_.createNativeFunction([](gmScriptThread*) { return 0; })));
    }
};

// ---- Which slots are filled ----

TEST_F(gmOperators, BuiltInTypesHaveExactlyTheSpecifiedHandlers) {
    const std::vector<std::vector<int32_t>> expected = {
        /* null */ {kGmOpEq, kGmOpNeq, kGmOpNot},
        /* int */
        {kGmOpAdd,    kGmOpSub,       kGmOpMul,        kGmOpDiv,    kGmOpMod, kGmOpBitOr, kGmOpBitXor,
         kGmOpBitAnd, kGmOpShiftLeft, kGmOpShiftRight, kGmOpBitInv, kGmOpLt,  kGmOpGt,    kGmOpLte,
         kGmOpGte,    kGmOpEq,        kGmOpNeq,        kGmOpNeg,    kGmOpPos, kGmOpNot},
        /* float */
        {kGmOpAdd, kGmOpSub, kGmOpMul, kGmOpDiv, kGmOpMod, kGmOpLt, kGmOpGt, kGmOpLte, kGmOpGte, kGmOpEq,
         kGmOpNeq, kGmOpNeg, kGmOpPos, kGmOpNot},
        /* string */ {kGmOpAdd, kGmOpLt, kGmOpGt, kGmOpLte, kGmOpGte, kGmOpEq, kGmOpNeq, kGmOpNot},
        /* table */ {kGmOpGetDot, kGmOpSetDot, kGmOpGetInd, kGmOpSetInd, kGmOpEq, kGmOpNeq, kGmOpNot},
        /* function */ {kGmOpEq, kGmOpNeq, kGmOpNot},
    };
    for (int32_t type = 0; type < kGmFirstUserType; ++type) {
        for (int32_t op = 0; op < kGmOpCount; ++op) {
            const bool filled = machine_.getNativeOperator(type, op) != nullptr;
            const bool wanted =
                std::find(expected[type].begin(), expected[type].end(), op) != expected[type].end();
            EXPECT_EQ(filled, wanted) << machine_.getTypeName(type) << " " << gmOperatorName(op);
            EXPECT_EQ(machine_.getScriptOperator(type, op), nullptr);
        }
    }
}

TEST_F(gmOperators, HostTypesGetTheGenericEqNeqNot) {
    const int32_t type = machine_.createUserType("HOST");
    for (int32_t op = 0; op < kGmOpCount; ++op) {
        const bool filled = machine_.getNativeOperator(type, op) != nullptr;
        EXPECT_EQ(filled, op == kGmOpEq || op == kGmOpNeq || op == kGmOpNot) << gmOperatorName(op);
    }
}

// ---- int ----

TEST_F(gmOperators, IntArithmeticWrapsAt32Bits) {
    EXPECT_EQ(binary(kGmOpAdd, i(2), i(3)), i(5));
    EXPECT_EQ(binary(kGmOpAdd, i(INT_MAX), i(1)), i(INT_MIN));
    EXPECT_EQ(binary(kGmOpSub, i(INT_MIN), i(1)), i(INT_MAX));
    EXPECT_EQ(binary(kGmOpMul, i(65536), i(65536)), i(0));
    EXPECT_EQ(binary(kGmOpMul, i(-3), i(7)), i(-21));
    EXPECT_EQ(unary(kGmOpNeg, i(INT_MIN)), i(INT_MIN));
    EXPECT_EQ(unary(kGmOpNeg, i(5)), i(-5));
    EXPECT_EQ(unary(kGmOpPos, i(5)), i(5));
}

TEST_F(gmOperators, IntDivisionAndRemainderTruncateLikeC) {
    EXPECT_EQ(binary(kGmOpDiv, i(7), i(2)), i(3));
    EXPECT_EQ(binary(kGmOpDiv, i(-7), i(2)), i(-3));
    EXPECT_EQ(binary(kGmOpMod, i(-7), i(2)), i(-1));
    EXPECT_EQ(binary(kGmOpMod, i(7), i(-2)), i(1));
}

TEST_F(gmOperators, IntDivisionByZeroIsReportedAndWritesNothing) {
    gmValue result;
    EXPECT_EQ(binary(kGmOpDiv, i(7), i(0), result), gmOperatorStatus::kIntDivideByZero);
    EXPECT_EQ(result, i(7));
    EXPECT_EQ(binary(kGmOpMod, i(7), i(0), result), gmOperatorStatus::kIntDivideByZero);
    EXPECT_EQ(binary(kGmOpDiv, i(7), gmValue(), result), gmOperatorStatus::kIntDivideByZero);
}

TEST_F(gmOperators, MostNegativeIntByMinusOneWrapsInsteadOfTrapping) {
    EXPECT_EQ(binary(kGmOpDiv, i(INT_MIN), i(-1)), i(INT_MIN));
    EXPECT_EQ(binary(kGmOpMod, i(INT_MIN), i(-1)), i(0));
    EXPECT_EQ(binary(kGmOpDiv, i(9), i(-1)), i(-9));
}

TEST_F(gmOperators, IntBitOperationsAndShifts) {
    EXPECT_EQ(binary(kGmOpBitOr, i(12), i(3)), i(15));
    EXPECT_EQ(binary(kGmOpBitXor, i(12), i(10)), i(6));
    EXPECT_EQ(binary(kGmOpBitAnd, i(12), i(10)), i(8));
    EXPECT_EQ(unary(kGmOpBitInv, i(0)), i(-1));
    EXPECT_EQ(binary(kGmOpShiftLeft, i(1), i(4)), i(16));
    EXPECT_EQ(binary(kGmOpShiftLeft, i(1), i(31)), i(INT_MIN));
    EXPECT_EQ(binary(kGmOpShiftRight, i(-8), i(1)), i(-4));  // arithmetic
    EXPECT_EQ(binary(kGmOpShiftRight, i(INT_MIN), i(31)), i(-1));
    // Counts are taken modulo 32 (no undefined behaviour for large or negative counts).
    EXPECT_EQ(binary(kGmOpShiftLeft, i(1), i(33)), i(2));
    EXPECT_EQ(binary(kGmOpShiftRight, i(64), i(-30)), i(16));
}

TEST_F(gmOperators, IntComparisonsYieldZeroOrOne) {
    EXPECT_EQ(binary(kGmOpLt, i(-1), i(0)), i(1));
    EXPECT_EQ(binary(kGmOpGt, i(-1), i(0)), i(0));
    EXPECT_EQ(binary(kGmOpLte, i(2), i(2)), i(1));
    EXPECT_EQ(binary(kGmOpGte, i(1), i(2)), i(0));
    EXPECT_EQ(binary(kGmOpEq, i(4), i(4)), i(1));
    EXPECT_EQ(binary(kGmOpNeq, i(4), i(4)), i(0));
    EXPECT_EQ(unary(kGmOpNot, i(0)), i(1));
    EXPECT_EQ(unary(kGmOpNot, i(-3)), i(0));
}

TEST_F(gmOperators, IntHandlersWriteOnlyThePayloadOfOperandZero) {
    // null + 1: the int handler runs (higher type is int); null on the left keeps its type.
    const gmValue nullLeft = binary(kGmOpAdd, gmValue(), i(1));
    EXPECT_TRUE(nullLeft.isNull());
    EXPECT_EQ(nullLeft.getPayload32(), 1u);
    EXPECT_TRUE(nullLeft.isTrue());
    EXPECT_EQ(binary(kGmOpAdd, i(1), gmValue()), i(1));
    // Comparisons follow the same rule.
    const gmValue compared = binary(kGmOpLt, gmValue(), i(5));
    EXPECT_TRUE(compared.isNull());
    EXPECT_EQ(compared.getPayload32(), 1u);
    EXPECT_EQ(binary(kGmOpEq, i(0), gmValue()), i(1));
}

// ---- float ----

TEST_F(gmOperators, FloatArithmeticConvertsIntOperands) {
    EXPECT_EQ(binary(kGmOpAdd, f(1.5f), f(2.0f)), f(3.5f));
    EXPECT_EQ(binary(kGmOpAdd, i(1), f(0.5f)), f(1.5f));
    EXPECT_EQ(binary(kGmOpSub, f(0.5f), i(2)), f(-1.5f));
    EXPECT_EQ(binary(kGmOpMul, i(3), f(0.5f)), f(1.5f));
    EXPECT_EQ(binary(kGmOpDiv, i(1), f(4.0f)), f(0.25f));
    EXPECT_EQ(binary(kGmOpMod, f(5.5f), i(2)), f(1.5f));
    EXPECT_EQ(binary(kGmOpMod, f(-5.5f), f(2.0f)), f(-1.5f));
    EXPECT_EQ(unary(kGmOpNeg, f(2.0f)), f(-2.0f));
    EXPECT_EQ(unary(kGmOpPos, f(2.0f)), f(2.0f));
}

TEST_F(gmOperators, FloatDivisionByZeroFollowsIeee) {
    EXPECT_EQ(binary(kGmOpDiv, f(1.0f), f(0.0f)).getFloat(), INFINITY);
    EXPECT_EQ(binary(kGmOpDiv, f(-1.0f), i(0)).getFloat(), -INFINITY);
    EXPECT_EQ(binary(kGmOpDiv, f(1.0f), f(-0.0f)).getFloat(), -INFINITY);
    EXPECT_TRUE(std::isnan(binary(kGmOpDiv, f(0.0f), f(0.0f)).getFloat()));
    EXPECT_TRUE(std::isnan(binary(kGmOpMod, f(1.0f), f(0.0f)).getFloat()));
}

TEST_F(gmOperators, FloatHandlersAlwaysSetTheResultType) {
    const gmValue sum = binary(kGmOpAdd, gmValue(), f(1.5f));
    EXPECT_TRUE(sum.isFloat());
    EXPECT_EQ(sum.getFloat(), 1.5f);
    EXPECT_EQ(binary(kGmOpLt, gmValue(), f(1.5f)), i(1));
}

TEST_F(gmOperators, FloatComparisonsAndNotYieldInts) {
    EXPECT_EQ(binary(kGmOpLt, f(1.0f), f(2.0f)), i(1));
    EXPECT_EQ(binary(kGmOpGt, i(3), f(2.5f)), i(1));
    EXPECT_EQ(binary(kGmOpLte, f(2.0f), i(2)), i(1));
    EXPECT_EQ(binary(kGmOpGte, f(1.0f), i(2)), i(0));
    EXPECT_EQ(binary(kGmOpNeq, f(NAN), f(NAN)), i(1));
    EXPECT_EQ(unary(kGmOpNot, f(0.0f)), i(1));
    EXPECT_EQ(unary(kGmOpNot, f(-0.0f)), i(1));
    EXPECT_EQ(unary(kGmOpNot, f(0.1f)), i(0));
}

TEST_F(gmOperators, IntOneEqualsFloatOneButTheyAreDifferentTableKeys) {
    EXPECT_EQ(binary(kGmOpEq, i(1), f(1.0f)), i(1));
    EXPECT_EQ(binary(kGmOpEq, f(1.0f), i(1)), i(1));
    gmValue t = table();
    t.getTable()->set(machine_, i(1), str("one"));
    EXPECT_TRUE(t.getTable()->get(f(1.0f)).isNull());
}

// ---- string ----

TEST_F(gmOperators, StringAddConvertsTheOtherOperandToText) {
    EXPECT_EQ(text(binary(kGmOpAdd, str("a"), i(1))), "a1");
    EXPECT_EQ(text(binary(kGmOpAdd, i(1), str("a"))), "1a");
    EXPECT_EQ(text(binary(kGmOpAdd, str("a"), f(1.5f))), "a1.500000");
    EXPECT_EQ(text(binary(kGmOpAdd, f(-0.25f), str("a"))), "-0.250000a");
    EXPECT_EQ(text(binary(kGmOpAdd, str("a"), gmValue())), "anull");
    EXPECT_EQ(text(binary(kGmOpAdd, gmValue(), str("a"))), "nulla");
    EXPECT_EQ(text(binary(kGmOpAdd, str("ab"), str("cd"))), "abcd");
    EXPECT_EQ(text(binary(kGmOpAdd, str(""), str(""))), "");
}

TEST_F(gmOperators, StringAddPrintsIntsAsPercentDDoes) {
    for (const int32_t value : {INT_MIN, INT_MIN + 1, -1000000000, -10, -9, -1, 0, 1, 9, 10, 99, 100,
                                123456789, 1000000000, INT_MAX}) {
        char expected[16];
        std::snprintf(expected, sizeof(expected), "%d", value);
        EXPECT_EQ(text(binary(kGmOpAdd, str(""), i(value))), expected);
        EXPECT_EQ(text(binary(kGmOpAdd, i(value), str("|"))), std::string(expected) + "|");
    }
}

TEST_F(gmOperators, StringAddWithTablesAndFunctionsAppendsNull) {
    // The VM dispatches string + table on the table type, which has no add; the string handler
    // itself still prints any other type as "null".
    gmOperatorFunction add = machine_.getNativeOperator(kGmString, kGmOpAdd);
    gmValue operands[2] = {str("a"), table()};
    ASSERT_EQ(add(machine_, nullptr, operands), gmOperatorStatus::kOk);
    EXPECT_EQ(text(roots_.keep(operands[0])), "anull");
    gmValue withFunction[2] = {str("a"), function()};
    ASSERT_EQ(add(machine_, nullptr, withFunction), gmOperatorStatus::kOk);
    EXPECT_EQ(text(roots_.keep(withFunction[0])), "anull");
    EXPECT_EQ(machine_.getNativeOperator(kGmTable, kGmOpAdd), nullptr);
}

TEST_F(gmOperators, StringAddInternsTheResult) {
    const gmValue joined = binary(kGmOpAdd, str("ab"), str("c"));
    EXPECT_EQ(joined, str("abc"));
}

TEST_F(gmOperators, StringAddBuildsLongResults) {
    const std::string half(700, 'x');
    const gmValue joined = binary(kGmOpAdd, str(half.c_str()), str(half.c_str()));
    EXPECT_EQ(text(joined), half + half);
}

TEST_F(gmOperators, StringComparisonsAreBytewiseUnsigned) {
    EXPECT_EQ(binary(kGmOpLt, str("abc"), str("abd")), i(1));
    EXPECT_EQ(binary(kGmOpLt, str("ab"), str("abc")), i(1));
    EXPECT_EQ(binary(kGmOpGt, str("a"), str("B")), i(1));
    EXPECT_EQ(binary(kGmOpGt, str("\xff"), str("a")), i(1));
    EXPECT_EQ(binary(kGmOpLte, str("a"), str("a")), i(1));
    EXPECT_EQ(binary(kGmOpGte, str("a"), str("b")), i(0));
    EXPECT_EQ(binary(kGmOpEq, str("x"), str("x")), i(1));
    EXPECT_EQ(binary(kGmOpNeq, str("x"), str("y")), i(1));
}

TEST_F(gmOperators, StringComparisonsConvertNumbersToText) {
    EXPECT_EQ(binary(kGmOpEq, str("1"), i(1)), i(1));
    EXPECT_EQ(binary(kGmOpEq, str("1.500000"), f(1.5f)), i(1));
    EXPECT_EQ(binary(kGmOpEq, str("null"), gmValue()), i(1));
    EXPECT_EQ(binary(kGmOpLt, i(10), str("9")), i(1));  // "10" < "9" as text
}

TEST_F(gmOperators, NotOfAnyStringIsZero) {
    EXPECT_EQ(unary(kGmOpNot, str("")), i(0));
    EXPECT_EQ(unary(kGmOpNot, str("x")), i(0));
}

// ---- table ----

TEST_F(gmOperators, TableGetAndSetByDotAndIndex) {
    gmValue t = table();
    gmValue setDot[3] = {t, i(5), str("x")};  // [object, value, name]
    ASSERT_EQ(machine_.getNativeOperator(kGmTable, kGmOpSetDot)(machine_, nullptr, setDot),
              gmOperatorStatus::kOk);
    gmValue setInd[3] = {t, i(2), str("two")};  // [object, key, value]
    ASSERT_EQ(machine_.getNativeOperator(kGmTable, kGmOpSetInd)(machine_, nullptr, setInd),
              gmOperatorStatus::kOk);
    EXPECT_EQ(t.getTable()->getCount(), 2);
    EXPECT_EQ(binary(kGmOpGetDot, t, str("x")), i(5));
    EXPECT_EQ(text(binary(kGmOpGetInd, t, i(2))), "two");
    EXPECT_TRUE(binary(kGmOpGetInd, t, i(3)).isNull());
    gmValue remove[3] = {t, i(2), gmValue()};
    machine_.getNativeOperator(kGmTable, kGmOpSetInd)(machine_, nullptr, remove);
    EXPECT_EQ(t.getTable()->getCount(), 1);
}

TEST_F(gmOperators, TableHandlersRejectANonTableObject) {
    // 5[t]: the VM dispatches on the higher type id (table), so the handler sees an int object.
    gmValue result;
    EXPECT_EQ(binary(kGmOpGetInd, i(5), table(), result), gmOperatorStatus::kUndefined);
    gmValue setInd[3] = {i(5), table(), i(1)};
    EXPECT_EQ(machine_.getNativeOperator(kGmTable, kGmOpSetInd)(machine_, nullptr, setInd),
              gmOperatorStatus::kUndefined);
}

// ---- generic ----

TEST_F(gmOperators, GenericEqualityIsIdentity) {
    gmValue a = table();
    gmValue b = table();
    EXPECT_EQ(binary(kGmOpEq, a, a), i(1));
    EXPECT_EQ(binary(kGmOpEq, a, b), i(0));
    EXPECT_EQ(binary(kGmOpNeq, a, b), i(1));
    gmValue fn = function();
    EXPECT_EQ(binary(kGmOpEq, fn, fn), i(1));
    EXPECT_EQ(binary(kGmOpEq, gmValue(), gmValue()), i(1));
    // A null carrying a payload (see the int rule) is not equal to a plain null.
    EXPECT_EQ(binary(kGmOpEq, gmValue::makeRaw(kGmNull, 1), gmValue()), i(0));
}

TEST_F(gmOperators, GenericNotIsOneOnlyForNull) {
    EXPECT_EQ(unary(kGmOpNot, gmValue()), i(1));
    EXPECT_EQ(unary(kGmOpNot, table()), i(0));
    EXPECT_EQ(unary(kGmOpNot, function()), i(0));
    const int32_t type = machine_.createUserType("HOST");
    const gmValue host = roots_.keep(gmValue::makeHostObject(machine_.newHostObject(nullptr, type)));
    EXPECT_EQ(unary(kGmOpNot, host), i(0));
    EXPECT_EQ(binary(kGmOpEq, host, host), i(1));
}

// ---- chains of string adds in the VM ----

// What the handlers below saw as their left operand.
std::vector<gmString*> gLeftOperands;

gmOperatorStatus recordLeft(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    gLeftOperands.push_back(operands[0].isString() ? operands[0].getString() : nullptr);
    operands[0] = gmValue::makeString(machine.internString("X"));
    return gmOperatorStatus::kOk;
}

// "a" + 1 + "." + 2 interns only its result; a handler other than the built-in string add (a host
// type's, or one a host put in the string slot) is handed the interned piece, never a private one.
TEST_F(gmOperators, ChainedStringAddsInternOnlyWhatOthersCanSee) {
    gLeftOperands.clear();
    ASSERT_EQ(machine_.runText("global kept = \"a\" + 1 + \".\" + 2;"), 0);
    EXPECT_NE(machine_.findString("a1.2"), nullptr);
    EXPECT_EQ(machine_.findString("a1."), nullptr);
    EXPECT_EQ(machine_.findString("a1"), nullptr);

    const int32_t type = machine_.createUserType("HOST");
    machine_.setTypeOperator(type, kGmOpAdd, nullptr, recordLeft);
    const gmValue host = roots_.keep(gmValue::makeHostObject(machine_.newHostObject(nullptr, type)));
    machine_.getGlobals()->set(machine_, str("host"), host);
    ASSERT_EQ(machine_.runText("global r = \"b\" + 1 + host;"), 0);
    ASSERT_EQ(gLeftOperands.size(), 1u);
    EXPECT_EQ(gLeftOperands[0], machine_.findString("b1"));
    EXPECT_FALSE(gLeftOperands[0]->isDetached());

    gLeftOperands.clear();
    machine_.setTypeOperator(kGmString, kGmOpAdd, nullptr, recordLeft);
    ASSERT_EQ(machine_.runText("global s = \"c\" + 2 + \"d\" + 3;"), 0);
    ASSERT_EQ(gLeftOperands.size(), 3u);
    EXPECT_EQ(gLeftOperands[0], machine_.findString("c"));
    for (gmString* left : {gLeftOperands[1], gLeftOperands[2]}) EXPECT_EQ(left, machine_.findString("X"));
    EXPECT_EQ(machine_.getErrorLog().getEntryCount(), 0);
}
}  // namespace
