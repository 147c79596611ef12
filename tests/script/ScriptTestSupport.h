// Helpers for the script runtime tests: a root list registered with the machine (so tests hold
// objects the way the VM's stacks will, and the GC stress build cannot free them), value makers and
// an operator dispatch that follows the VM's rule (the higher of the two type ids).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/gmScriptMachine.h"

namespace gmtest {

// Values kept alive through a root provider, like a thread's stack.
class TestRoots {
  public:
    explicit TestRoots(gmScriptMachine& machine) : machine_(machine) {
        machine_.addRootProvider(&scan, this);
    }
    ~TestRoots() { machine_.removeRootProvider(&scan, this); }
    TestRoots(const TestRoots&) = delete;
    TestRoots& operator=(const TestRoots&) = delete;

    gmValue keep(gmValue value) {
        values_.push_back(value);
        return value;
    }
    void clear() { values_.clear(); }
    std::vector<gmValue>& values() { return values_; }

  private:
    static void scan(gmScriptMachine&, gmGarbageCollector& collector, void* userData) {
        for (const gmValue& value : static_cast<TestRoots*>(userData)->values_) collector.markValue(value);
    }

    gmScriptMachine& machine_;
    std::vector<gmValue> values_;
};

// A machine with a root list; str/table make rooted values.
class MachineTest : public testing::Test {
  protected:
    gmValue str(const char* text) { return roots_.keep(gmValue::makeString(machine_.internString(text))); }
    gmValue table() { return roots_.keep(gmValue::makeTable(machine_.createTable())); }
    static gmValue i(int32_t value) { return gmValue::makeInt(value); }
    static gmValue f(float value) { return gmValue::makeFloat(value); }

    // Runs the native handler the VM would pick for [op] on [a] and [b] (higher type id); the
    // operands are rooted while it runs. Fails the test when there is no handler.
    gmOperatorStatus binary(int32_t op, gmValue a, gmValue b, gmValue& result) {
        const int32_t type = a.getType() > b.getType() ? a.getType() : b.getType();
        gmOperatorFunction handler = machine_.getNativeOperator(type, op);
        EXPECT_NE(handler, nullptr) << gmOperatorName(op) << " on " << machine_.getTypeName(type);
        if (handler == nullptr)
            return gmOperatorStatus::kUndefined;
        roots_.keep(a);
        roots_.keep(b);
        gmValue operands[2] = {a, b};
        const gmOperatorStatus status = handler(machine_, nullptr, operands);
        result = roots_.keep(operands[0]);
        return status;
    }
    gmValue binary(int32_t op, gmValue a, gmValue b) {
        gmValue result;
        EXPECT_EQ(binary(op, a, b, result), gmOperatorStatus::kOk);
        return result;
    }
    gmValue unary(int32_t op, gmValue a) {
        gmOperatorFunction handler = machine_.getNativeOperator(a.getType(), op);
        EXPECT_NE(handler, nullptr) << gmOperatorName(op) << " on " << machine_.getTypeName(a.getType());
        if (handler == nullptr)
            return gmValue();
        gmValue operand[1] = {a};
        EXPECT_EQ(handler(machine_, nullptr, operand), gmOperatorStatus::kOk);
        return operand[0];
    }
    std::string text(gmValue value) {
        EXPECT_TRUE(value.isString());
        return value.isString() ? std::string(value.getString()->getText(), value.getString()->getLength())
                                : "";
    }

    gmScriptMachine machine_;
    TestRoots roots_{machine_};
};

}  // namespace gmtest
