#include "script/gmFunction.h"

#include <gtest/gtest.h>

#include "ScriptTestSupport.h"

namespace {
using gmtest::MachineTest;

class gmFunctions : public MachineTest {};

int nativeAnswer(gmScriptThread*) {
    return 0;
}

TEST_F(gmFunctions, CreatedFromACompiledRecord) {
    gmFunctionContents compiled;
    compiled.code = {45, 0, 33};  // pushstring constant 0; return
    compiled.constants = {str("hello")};
    compiled.numParams = 2;
    compiled.numLocals = 3;
    compiled.maxStackSize = 4;
    compiled.lineInfo = {{0, 10}, {8, 12}};
    gmFunction* function = machine_.createFunction(compiled);
    roots_.keep(gmValue::makeFunction(function));
    EXPECT_FALSE(function->isNative());
    EXPECT_EQ(function->getCodeWordCount(), 3);
    EXPECT_EQ(function->getCodeByteCount(), 12);
    EXPECT_EQ(function->getCode()[0], 45u);
    EXPECT_EQ(function->getConstant(function->getCode()[1]), str("hello"));
    EXPECT_TRUE(function->getConstant(7).isNull());
    EXPECT_EQ(function->getConstantCount(), 1);
    EXPECT_EQ(function->getNumParams(), 2);
    EXPECT_EQ(function->getNumLocals(), 3);
    EXPECT_EQ(function->getNumParamsLocals(), 5);
    EXPECT_EQ(function->getMaxStackSize(), 4);
    EXPECT_EQ(function->getLineInfoCount(), 2);
    EXPECT_EQ(function->getDebugName(), nullptr);
    EXPECT_EQ(function->getTypeId(), kGmFunction);
}

TEST_F(gmFunctions, LineLookupTakesTheLastEntryNotAfterTheOffset) {
    gmFunctionContents compiled;
    compiled.code = {40, 40, 40, 40, 32};
    compiled.lineInfo = {{4, 3}, {12, 7}};
    gmFunction* function = machine_.createFunction(compiled);
    roots_.keep(gmValue::makeFunction(function));
    EXPECT_EQ(function->getLineFromOffset(0), 3);  // before the first entry: its line
    EXPECT_EQ(function->getLineFromOffset(4), 3);
    EXPECT_EQ(function->getLineFromOffset(11), 3);
    EXPECT_EQ(function->getLineFromOffset(12), 7);
    EXPECT_EQ(function->getLineFromOffset(100), 7);
    gmFunction* bare = machine_.createFunction(gmFunctionContents{});
    EXPECT_EQ(bare->getLineFromOffset(0), 0);
}

TEST_F(gmFunctions, CodeAndTablesAreChargedToTheBlockHeap) {
    machine_.setStressCollection(false);
    const int64_t objects = machine_.getObjectBytes();
    const int64_t blocks = machine_.getBlockHeapBytes();
    gmFunctionContents compiled;
    compiled.code.assign(100, 40u);                // 400 bytes: the 512 class
    compiled.constants = {gmValue::makeInt(1)};    // 16 bytes
    compiled.lineInfo = {{0, 1}, {4, 2}, {8, 3}};  // 24 bytes
    gmFunction* function = machine_.createFunction(compiled);
    EXPECT_EQ(machine_.getObjectBytes() - objects, 60);
    EXPECT_EQ(machine_.getBlockHeapBytes() - blocks, 512 + 16 + 24);
    machine_.addHostRoot(function);
    machine_.removeHostRoot(function);
    machine_.collectGarbage(true);
    EXPECT_EQ(machine_.getObjectBytes(), objects);
    EXPECT_EQ(machine_.getBlockHeapBytes(), blocks);
}

TEST_F(gmFunctions, EmptyFunctionsCanBeFilledLaterAndReferToEachOther) {
    // As the library loader does: make every function first, then fill them in any order.
    gmFunction* outer = machine_.newFunction();
    gmFunction* inner = machine_.newFunction();
    roots_.keep(gmValue::makeFunction(outer));
    gmFunctionContents outerRecord;
    outerRecord.code = {47, 0, 33};  // pushfunction constant 0; return
    outerRecord.constants = {gmValue::makeFunction(inner)};
    outer->initScript(machine_, outerRecord);
    gmFunctionContents innerRecord;
    innerRecord.code = {32};
    innerRecord.constants = {gmValue::makeFunction(outer)};
    inner->initScript(machine_, innerRecord);
    machine_.collectGarbage(true);
    EXPECT_EQ(outer->getConstant(0).getFunction(), inner);
    EXPECT_EQ(inner->getCodeWordCount(), 1);
    EXPECT_EQ(inner->getConstant(0).getFunction(), outer);
}

TEST_F(gmFunctions, FillingAFunctionDuringACycleMarksItsConstants) {
    machine_.setStressCollection(false);
    gmGarbageCollector& gc = machine_.getCollector();
    machine_.collectGarbage(true);
    while (!gc.step(false)) {
    }
    gmTable* constant = machine_.createTable();  // made while idle: white once a cycle starts
    gc.startCycle();
    gmFunction* function = machine_.newFunction();  // born black
    machine_.addHostRoot(function);
    gmFunctionContents record;
    record.constants = {gmValue::makeTable(constant)};
    function->initScript(machine_, record);
    EXPECT_TRUE(gc.isMarked(constant));
    while (!gc.step(false)) {
    }
    machine_.collectGarbage(true);
    EXPECT_EQ(function->getConstant(0).getTable(), constant);
    EXPECT_EQ(constant->getCount(), 0);
    machine_.removeHostRoot(function);
}

TEST_F(gmFunctions, NativeFunctionsCarryTheirPointerAndUserData) {
    int data = 0;
    gmFunction* function = machine_.createNativeFunction(nativeAnswer, &data, "answer");
    roots_.keep(gmValue::makeFunction(function));
    EXPECT_TRUE(function->isNative());
    EXPECT_EQ(function->getNativeFunction(), &nativeAnswer);
    EXPECT_EQ(function->getNativeUserData(), &data);
    EXPECT_STREQ(function->getDebugName()->getText(), "answer");
    EXPECT_EQ(function->getCodeWordCount(), 0);
}
}  // namespace
