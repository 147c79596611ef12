// A cooperative script thread: its value stack, call frames, scheduling state and what it is
// blocked on. Threads are made, scheduled and recycled by the gmScriptMachine.
#pragma once

#include <cstdint>
#include <vector>

#include "script/gmValue.h"

class gmScriptMachine;
class gmFunction;
class gmString;
class gmTable;
struct gmBlock;

// What a native function returns (gmNativeFunction). Any other value counts as a run-time error.
enum gmNativeStatus : int {
    kDone = 0,
    kRunTimeError = -1,  // the native has logged its message; the thread dies
    kYield = -2,         // the thread stops for this pass and continues at the next
    kBlock = -3,         // the thread blocks (state blocked)
    kSleep = -4,         // the thread sleeps until its wake time
    kKill = -5,          // the thread ends
    kRedispatch = -6,    // another function stands in the native's place: call again, one argument fewer
};

// One script call in progress. The function of a frame is the value just below its base. The
// caller's place is kept as the execution loop runs it: a position in the caller's fast code, that
// code and the caller's constants, so that a return reloads nothing from the function.
struct gmFrame {
    const uint32_t* returnIp;  // where the caller continues, in [code]; null for the outermost call
    const uint32_t* code;      // the caller's fast code (gmFunction::getFastCode)
    const gmValue* constants;  // the caller's constants
    uint32_t constantCount;
    int32_t savedBase;      // the caller's base
    int32_t discardResult;  // non-zero: a call whose result the caller does not take (script setind)
};

// A signal that arrived while the thread was already signalled; examined by its next block.
struct gmPendingSignal {
    int32_t signallingThreadId;
    int32_t targetThreadId;
    gmValue value;
};

// Stack layout of a call: [this][function][argument 0] ... [argument n-1]; base is the index of
// argument 0, so `this` is at base - 2 and the function at base - 1. Parameters are locals 0 .. p-1,
// the function's other locals follow. A finished call leaves its one result where `this` was.
//
// Native functions read their arguments with getParam / getNumParams and may push one result.
class gmScriptThread {
  public:
    enum State : int32_t {
        kRunning = 0,
        kSleeping = 1,
        kBlocked = 2,
        kKilled = 3,
        kException = 4,
        kSignalled = 5,
    };

    // 64 values to start with; doubled on demand while the capacity is at most kMaxGrowableValues.
    static constexpr int32_t kInitialStackValues = 64;
    // A stack of more than 16000 values is not doubled again, so the largest is 16384 values: deep
    // enough for any sane recursion, small enough that runaway recursion fails fast.
    static constexpr int32_t kMaxGrowableValues = 16000;

    gmScriptThread(gmScriptMachine& machine);
    ~gmScriptThread();
    gmScriptThread(const gmScriptThread&) = delete;
    gmScriptThread& operator=(const gmScriptThread&) = delete;

    gmScriptMachine& getMachine() const { return *machine_; }
    int32_t getId() const { return id_; }
    int32_t getState() const { return state_; }
    uint32_t getStartTime() const { return startTime_; }
    void setStartTime(uint32_t ms) { startTime_ = ms; }
    uint32_t getWakeTime() const { return wakeTime_; }
    void setWakeTime(uint32_t ms) { wakeTime_ = ms; }

    // ---- Native function interface ----
    // The argument count of the native call in progress (its low 16 bits, signed).
    int32_t getNumParams() const { return static_cast<int16_t>(argCount_ & 0xffff); }
    // Argument [index], or null beyond the arguments.
    gmValue getParam(int32_t index) const {
        return index >= 0 && index < getNumParams() ? stack_[base_ + index] : gmValue();
    }
    const gmValue& getThis() const { return stack_[base_ - 2]; }
    // The `this` of whoever called the native in progress: the calling script function's `this`
    // when the native's own is null (a plain call such as thread(f) passes null); the native's own
    // `this` when one was given (a:thread(f)) or when the host made the call.
    gmValue getCallerThis() const {
        const gmValue& own = stack_[base_ - 2];
        if (!own.isNull() || frames_.empty() || callerBase_ < 2 || callerBase_ > base_)
            return own;
        return stack_[callerBase_ - 2];
    }
    gmValue getFunctionValue() const { return stack_[base_ - 1]; }
    int32_t getBaseIndex() const { return base_; }
    int32_t getTop() const { return top_; }
    gmValue getValue(int32_t index) const { return index >= 0 && index < top_ ? stack_[index] : gmValue(); }
    gmValue* getStackBottom() { return stack_; }
    // Pushes [value]; grows the stack when full. False (nothing pushed) when the stack cannot grow.
    bool push(const gmValue& value) {
        if (top_ >= stackSize_ && !growStack(top_ + 1))
            return false;
        stack_[top_++] = value;
        return true;
    }
    bool pushNull() { return push(gmValue()); }
    bool pushInt(int32_t value) { return push(gmValue::makeInt(value)); }
    bool pushFloat(float value) { return push(gmValue::makeFloat(value)); }
    bool pushString(const gmString* string);
    bool pushTable(const gmTable* table);
    bool pushFunction(const gmFunction* function);
    void pop(int32_t count) { top_ = count > top_ ? 0 : top_ - count; }
    // Makes room for [count] more values above top. False when the stack cannot grow that far.
    bool touch(int32_t count) { return top_ + count <= stackSize_ || growStack(top_ + count); }

    int32_t getFrameCount() const { return static_cast<int32_t>(frames_.size()); }
    bool isInsideNative() const { return nativeDepth_ > 0; }

  private:
    friend class gmScriptMachine;

    // Doubles the capacity until it holds [needed] values. Refused (nothing changes) when the
    // capacity is already above kMaxGrowableValues.
    bool growStack(int32_t needed);
    // Frees frames, blocks and signals and empties the stack; id, lists and state are kept.
    void resetStack();
    // What the thread charges to the machine's memory figures: itself, its stack and frames.
    int64_t getChargedBytes() const;
    // What a frame is charged to the machine's memory figures, whatever its size on this host.
    static constexpr int64_t kFrameChargeBytes = 16;
    // Fields stored one by one into the frame's own slot: a frame built aside and copied as one
    // value stalls on its just-written parts, a large part of a call's cost.
    void pushFrame(const uint32_t* returnIp, const uint32_t* code, const gmValue* constants,
                   uint32_t constantCount, int32_t savedBase, int32_t discardResult) {
        if (frames_.size() == frames_.capacity()) {
            pushFrameSlow(gmFrame{returnIp, code, constants, constantCount, savedBase, discardResult});
            return;
        }
        gmFrame& frame = frames_.emplace_back();
        frame.returnIp = returnIp;
        frame.code = code;
        frame.constants = constants;
        frame.constantCount = constantCount;
        frame.savedBase = savedBase;
        frame.discardResult = discardResult;
    }
    void pushFrameSlow(const gmFrame& frame);

    gmScriptMachine* machine_;
    // Membership in one of the machine's lists (running, sleeping, blocked, exception, free).
    gmScriptThread* prev_ = nullptr;
    gmScriptThread* next_ = nullptr;
    gmScriptThread* idNext_ = nullptr;  // next thread in the same id bucket
    uint32_t sleepBucket_ = 0;          // the wake time it sleeps under while asleep

    gmValue* stack_ = nullptr;
    int32_t stackSize_ = 0;
    int32_t top_ = 0;
    int32_t base_ = 0;
    std::vector<gmFrame> frames_;  // innermost last; capacity kept when the thread is reused

    int32_t state_ = kKilled;
    uint32_t wakeTime_ = 0;
    uint32_t startTime_ = 0;
    const uint32_t* resumeIp_ = nullptr;
    int32_t id_ = 0;
    int32_t argCount_ = 0;
    int32_t callerBase_ = 0;  // the caller's base while a native runs

    // Newest last: a signal is added at the back and the next block examines from the back, so
    // both are constant time however many signals wait.
    std::vector<gmPendingSignal> pendingSignals_;
    gmBlock* blocks_ = nullptr;  // most recently added first

    // Re-entrancy. A thread whose native call is still on the C++ stack must not be reset: a
    // kill or state change aimed at it from script code run by that native is recorded here and
    // applied when the native returns to the thread's run loop.
    int32_t nativeDepth_ = 0;
    bool executing_ = false;  // its run loop is on the C++ stack
    bool killRequested_ = false;
    bool stateRequested_ = false;
    std::vector<gmValue> requestedState_;  // the state function, then its arguments
};
