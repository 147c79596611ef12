// The script machine: owner of every script object, the type records, the allocators, the
// collector with its pacing, the script threads with their scheduler, and the error log.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "script/gmBlockHeap.h"
#include "script/gmByteStream.h"
#include "script/gmErrorLog.h"
#include "script/gmFixedPool.h"
#include "script/gmFunction.h"
#include "script/gmGarbageCollector.h"
#include "script/gmHostObject.h"
#include "script/gmHostRootSet.h"
#include "script/gmScriptThread.h"
#include "script/gmString.h"
#include "script/gmStringTable.h"
#include "script/gmTable.h"
#include "script/gmTypeRecord.h"
#include "script/gmValue.h"

// Extra roots: called during every root scan to grey what the provider holds (collector.markValue /
// markObject). The VM registers one for its threads (stacks, block and signal values, state frames);
// a host can register its own instead of putting objects into the host root set one by one.
using gmRootProvider = void (*)(gmScriptMachine& machine, gmGarbageCollector& collector, void* userData);

// One entry of a library of global functions (registerGlobalFunctions).
struct gmLibraryEntry {
    const char* name;
    gmNativeFunction function;
    void* userData;
};

// The execution watch's hook (gmScriptMachine::setStepHook): false stops the running thread.
using gmStepHook = bool (*)(gmScriptMachine& machine, void* userData);

// Where print hands its lines (without the newline); by default standard output.
using gmPrintSink = void (*)(void* userData, const char* line);

struct gmBlockList;

// One machine owns everything here; nothing is shared between machines or thread-safe.
//
// When objects can die. The collector runs inside collectGarbage() (the VM calls it after each
// tick); at an object allocation while a script runs, when usage has passed the hard limit and twice
// the usage the last such collection left (a complete collection, counted as a full one, so
// a script that allocates without yielding does not grow without bound); and -- in the GC stress build
// (TACT_GC_STRESS), or with setStressCollection(true) -- as one step at every object allocation. So native
// code must keep every object it holds across an allocation reachable: on the thread's stack, in a table, in
// the host root set, through a root provider, or with collection switched off (gmCollectionPause).
class gmScriptMachine {
  public:
    // ---- Memory limits (bytes) ----
    // Defaults: a small game's script heap stays under 128 KiB between full collections.
    static constexpr int32_t kDefaultDesiredMemoryUsageHard = 131072;
    // 90% of hard: incremental cycles start early enough to finish before the hard limit forces a
    // full collection.
    static constexpr int32_t kDefaultDesiredMemoryUsageSoft = 117964;
    // Leftover whites freed per pacing call while idle: the same batch as a reclaim step.
    static constexpr int32_t kLeftoverFreesPerCall = 200;
    // Two finished cycles within fewer than this many collectGarbage calls count as a warning
    // (the collector is thrashing: the limits are too low for the allocation rate).
    static constexpr int32_t kThrashCallCount = 100;

    // Registers the standard library (and with it the gmState type, id 6) before anything else.
    gmScriptMachine();
    // Frees every thread and every object (host destruct callbacks run for host objects still alive), every
    // pool and the intern table.
    ~gmScriptMachine();
    gmScriptMachine(const gmScriptMachine&) = delete;
    gmScriptMachine& operator=(const gmScriptMachine&) = delete;

    // ---- Objects ----
    // The one string with this text (made when absent). [length] -1 measures up to the NUL; otherwise
    // [text] holds [length] bytes (the copy is NUL-terminated). A string found while a cycle runs is
    // re-marked so the cycle does not free it.
    gmString* internString(const char* text, int32_t length = -1);
    // As internString, then the string becomes persistent: never freed (type and member names).
    gmString* internPermanentString(const char* text, int32_t length = -1);
    // The interned string with this text, or null; never allocates (and does not re-mark).
    gmString* findString(const char* text, int32_t length = -1) const;
    // A string outside the intern table, for the left operand of the next concatenation of a chain
    // (the VM's "a" + b + c): only the chain's result is interned, and the pieces cost no intern
    // table look-up when made or freed. A detached string is read only as text by the string add;
    // anything else that could see it gets attachString's result instead.
    gmString* makeDetachedString(const char* text, int32_t length, uint32_t hash);
    // internString for a [text] of [length] bytes whose gmStringTable::hashText is known.
    gmString* internHashedString(const char* text, int32_t length, uint32_t hash);
    // The interned string with [string]'s text: [string] itself (now linked in) when none was
    // there. An interned string is returned as it is.
    gmString* attachString(gmString* string);
    // Frees the detached [string] at once, once the add that reads it has made its result: no
    // other value can hold a detached string.
    void releaseDetachedString(gmString* string) { collector_.destroyUnreferenced(string); }
    gmTable* createTable();
    // An empty script function, to be filled by gmFunction::initScript.
    gmFunction* newFunction();
    // A script function made from a compiled record (collection is off while it is built).
    gmFunction* createFunction(const gmFunctionContents& compiled);
    // A function value that calls [function] with [userData] (the library's global functions).
    gmFunction* createNativeFunction(gmNativeFunction function, void* userData = nullptr,
                                     const char* debugName = nullptr);
    // Destruct-pending set. Null unless [typeId] is a host type made by createUserType.
    gmHostObject* newHostObject(void* hostPointer, int32_t typeId);
    gmTable* getGlobals() const { return globals_; }

    // ---- Types ----
    // Appends a type record with a permanent name, the native operators eq, neq, not, no script
    // operators and a fresh members table; returns its id (6, 7, ...).
    int32_t createUserType(const char* name);
    int32_t getTypeCount() const { return static_cast<int32_t>(types_.size()); }
    bool isValidType(int32_t typeId) const { return typeId >= 0 && typeId < getTypeCount(); }
    // Any of the three may be null.
    void setTypeCallbacks(int32_t typeId, gmTraceCallback trace, gmDestructCallback destruct,
                          gmAsStringCallback asString);
    // With [scriptFunction] it goes into the script slot; otherwise a non-null [native] goes into the
    // native slot. Reports success whenever the type and operator ids are valid.
    bool setTypeOperator(int32_t typeId, int32_t operatorId, gmFunction* scriptFunction,
                         gmOperatorFunction native);
    // Stores [value] under the interned [name] in the type's members table.
    void setTypeMember(int32_t typeId, const char* name, const gmValue& value);
    // The record's name; "undefined" for an unknown id (never null).
    const char* getTypeName(int32_t typeId) const;
    // The record of a valid type id (references stay valid until the next createUserType).
    const gmTypeRecord& getTypeRecord(int32_t typeId) const {
        return types_[static_cast<std::size_t>(typeId)];
    }
    const gmTypeRecord* findTypeRecord(int32_t typeId) const {
        return isValidType(typeId) ? &types_[static_cast<std::size_t>(typeId)] : nullptr;
    }
    // The VM's dispatch: the native handler of [operatorId] for [typeId], or null.
    gmOperatorFunction getNativeOperator(int32_t typeId, int32_t operatorId) const {
        return types_[static_cast<std::size_t>(typeId)].nativeOperators[operatorId];
    }
    gmFunction* getScriptOperator(int32_t typeId, int32_t operatorId) const {
        return types_[static_cast<std::size_t>(typeId)].scriptOperators[operatorId];
    }

    // ---- Roots ----
    // Inserting a present object does nothing. On removal during a cycle, an unmarked object is
    // greyed so it survives the current cycle.
    void addHostRoot(gmHeapObject* object);
    void removeHostRoot(gmHeapObject* object);
    bool isHostRoot(const gmHeapObject* object) const { return hostRoots_.contains(object); }
    int32_t getHostRootCount() const { return hostRoots_.getCount(); }
    // A provider is called during every root scan until removed (same function and user data).
    void addRootProvider(gmRootProvider provider, void* userData);
    void removeRootProvider(gmRootProvider provider, void* userData);

    // ---- Memory and collection ----
    // Object bytes + block-heap bytes + thread bytes (clamped to the int range).
    int32_t getMemoryUsage() const;
    int64_t getObjectBytes() const { return objectBytes_; }
    // Every thread object the machine holds (live or kept for reuse) with its value stack and
    // frames: thousands of threads with grown stacks are memory the limits must see.
    int64_t getThreadBytes() const { return threadBytes_; }
    // Kept up to date by the threads as their stacks and frame lists grow.
    void chargeThreadBytes(int64_t delta) { threadBytes_ += delta; }
    int64_t getBlockHeapBytes() const { return blockHeap_.getBytesInUse(); }
    int32_t getDesiredMemoryUsageHard() const { return desiredHard_; }
    int32_t getDesiredMemoryUsageSoft() const { return desiredSoft_; }
    void setDesiredMemoryUsageHard(int32_t bytes) { desiredHard_ = bytes; }
    // Clamped to the hard limit at the next collectGarbage.
    void setDesiredMemoryUsageSoft(int32_t bytes) { desiredSoft_ = bytes; }
    void setDesiredMemoryUsageAuto(bool on) { autoAdjust_ = on; }
    bool isDesiredMemoryUsageAuto() const { return autoAdjust_; }
    // While off, collectGarbage does nothing and no stress step runs. See gmCollectionPause.
    void setCollectionEnabled(bool enabled) { collectionEnabled_ = enabled; }
    bool isCollectionEnabled() const { return collectionEnabled_; }
    // The pacing (see the .cpp): one incremental step when a cycle runs or usage is above the soft
    // limit; a full collection when [force] or usage is above the hard limit. True exactly when a
    // full collection ran.
    bool collectGarbage(bool force = false);
    // A cycle is in progress (sysIsGCRunning).
    bool isCollectionRunning() const { return !collector_.isIdle(); }
    int32_t getFullCollectCount() const { return fullCollects_; }
    int32_t getIncrementalCollectCount() const { return incrementalCollects_; }
    int32_t getWarningCount() const { return warnings_; }
    // One collection step at every object allocation (while collection is enabled). On from the
    // start in the TACT_GC_STRESS build; tests may switch it on in any build.
    void setStressCollection(bool on) { stressCollection_ = on; }
    bool isStressCollection() const { return stressCollection_; }
    // Live objects in the collected ring / persistent objects.
    int32_t getObjectCount() const { return collector_.getObjectCount(); }
    int32_t getPersistentObjectCount() const { return collector_.getPersistentCount(); }
    int32_t getStringCount() const { return strings_.getCount(); }

    // ---- Limits ----
    // The longest string a concatenation may make, in bytes; a longer result stops the thread
    // with "string too long". The default keeps every length far inside the int range; a host
    // that runs untrusted scripts lowers it so that one statement cannot claim much memory.
    static constexpr int32_t kDefaultMaxStringLength = 1 << 30;
    void setMaxStringLength(int32_t bytes) { maxStringLength_ = bytes; }
    int32_t getMaxStringLength() const { return maxStringLength_; }

    // ---- Threads and execution (gmScriptMachineThreads.cpp, gmExecute.cpp) ----
    // One scheduler pass: time += [elapsedMs]; wake sleepers; move signalled threads to running;
    // run every running thread once (threads created during the pass run in it too); then one
    // pacing call of the collector. Returns the number of live threads.
    int32_t Execute(uint32_t elapsedMs);
    // Compiles [text]; on errors logs them and returns their count, running nothing. Otherwise a
    // new thread calls the root function with [thisValue] (null when absent); [threadId] (may be
    // null) receives its id; with [now] it runs at once until it stops. Returns 0.
    int32_t runText(const char* text, int32_t* threadId = nullptr, bool now = true,
                    const char* fileName = nullptr, const gmValue* thisValue = nullptr);
    // Loads a compiled library (gmLibraryLoader.h) with collection switched off, making its
    // functions through the same path as compiled source. Returns its root function, or null when
    // the library has no root or was rejected; [accepted] (may be null) tells the two apart. Every
    // rejected file adds exactly "Error loading library" to the error log. The other functions are
    // reachable only through the root: root it (push it on a thread's stack) before anything else
    // allocates.
    gmFunction* LoadLib(gmByteStream& in, bool* accepted = nullptr, const char* fileName = nullptr);
    // Loads the library in [in] and starts its root exactly as runText starts a compiled root
    // (with [thisValue], [threadId] receiving the thread's id, running at once with [now]). A
    // library without a root loads and runs nothing. False only when the file was rejected.
    bool runLibrary(gmByteStream& in, int32_t* threadId = nullptr, bool now = true,
                    const char* fileName = nullptr, const gmValue* thisValue = nullptr);
    // A new thread calls [function] with [thisValue] and no arguments (a native runs at once).
    // Null when the call failed or the thread has already finished.
    gmScriptThread* callFunction(const gmValue& thisValue, const gmValue& function,
                                 int32_t* threadId = nullptr);
    // A running thread with a fresh id (from the free list when one is there).
    gmScriptThread* newThread(int32_t* threadId = nullptr);
    gmScriptThread* findThread(int32_t id) const;
    void switchThreadState(gmScriptThread* thread, int32_t state);
    void killThread(gmScriptThread* thread) { switchThreadState(thread, gmScriptThread::kKilled); }
    // Signals [value] to every thread blocked on it ([threadId] 0) or to that one thread.
    bool signalValue(const gmValue& value, int32_t threadId, int32_t signallingThreadId);
    // The index of a value among [values] that a pending signal matches, or -1 once the thread has
    // been entered as blocked on all of them (see the .cpp).
    int32_t blockThread(gmScriptThread* thread, const gmValue* values, int32_t count);
    // Performs a call of the function below the [argCount] arguments on top of [thread]'s stack:
    // a script function gets its frame and runs at the thread's next run; a native runs now.
    // Returns the native status (kDone for a script function, or when the call could not be made
    // and the thread has died: check the thread's state).
    int32_t enterCall(gmScriptThread* thread, int32_t argCount);
    // The run loop: runs [thread] from its resume position until it stops, and returns the state it
    // stopped in: yielded or still running (kRunning), sleeping (kSleeping), blocked (kBlocked), or
    // ended, finished or dead (kKilled; the error log tells which). A thread not running is not run.
    int32_t executeThread(gmScriptThread* thread, gmValue* returnValue = nullptr);
    // Machine time in ms, advanced only by Execute (wrapping).
    uint32_t getTime() const { return time_; }
    int32_t getThreadCount() const { return threadCount_; }
    // Live threads past which `thread` and `doString` fail with "too many threads (limit %d)"
    // instead of starting one more; 0 (the default) sets no limit. The host's own starts
    // (runText, callFunction) are not limited.
    void setThreadLimit(int32_t limit) { threadLimit_ = limit > 0 ? limit : 0; }
    int32_t getThreadLimit() const { return threadLimit_; }
    // True (and the message logged) when a script may not start another thread.
    bool refuseNewScriptThread();
    // A thread is running, sleeping, or signalled (it runs at the next Execute): a host that runs
    // scripts to completion stops when this is false.
    bool hasRunningOrSleepingThreads() const {
        if (runningHead_ != nullptr || !sleepers_.empty())
            return true;
        for (const gmScriptThread* t = blockedHead_; t != nullptr; t = t->next_)
            if (t->state_ == gmScriptThread::kSignalled)
                return true;
        return false;
    }
    // Calls [visit] for every thread of the running, blocked, sleeping and exception lists, in
    // that order; sleepers in the order they wake.
    template <class Visit>
    void forEachThread(Visit visit) const {
        for (gmScriptThread* t = runningHead_; t != nullptr; t = t->next_) visit(t);
        for (gmScriptThread* t = blockedHead_; t != nullptr; t = t->next_) visit(t);
        for (const auto& bucket : sleepers_)
            for (gmScriptThread* t = bucket.second.head; t != nullptr; t = t->next_) visit(t);
        for (gmScriptThread* t = exceptionHead_; t != nullptr; t = t->next_) visit(t);
    }
    // The execution watch, for hosts that run untrusted scripts on a budget (of steps, time or
    // memory). A step is a jump or a call, so every loop and every recursion keeps taking steps.
    // While a hook is set it runs after every [intervalSteps] steps (from the thread's current
    // state; it must not run script code); returning false stops the running thread with the
    // run-time error "execution stopped by the host". Without a hook the run loop pays one
    // predictable branch per jump and call. A null [hook] removes it.
    void setStepHook(gmStepHook hook, void* userData, int32_t intervalSteps = 1) {
        stepHook_ = hook;
        stepHookData_ = userData;
        stepInterval_ = intervalSteps > 0 ? intervalSteps : 1;
        stepsLeft_ = stepInterval_;
    }
    // Fused instruction runs (common sequences such as a local compared with a constant and a
    // jump run as one instruction) are on by default; off, every instruction runs on its own. The
    // results are the same either way. A function's run form is fixed the first time it runs, so
    // set this before running code.
    void setFusedRuns(bool on) { fusedRuns_ = on; }
    bool getFusedRuns() const { return fusedRuns_; }
    gmErrorLog& getErrorLog() { return errorLog_; }
    // Logs [message] and the position and call stack of [thread], then kills it.
    void raiseRuntimeError(gmScriptThread* thread, const uint32_t* ip);
    // The detail entries that follow a run-time error's fixed message (kept off the execution
    // loop's fast paths): the member [name] or key [key] that could not be read or written on
    // [object] ("member 'y' of null", "key 0 of int"), and the callee at the call instruction
    // [callIp] of [function] with the value found there ("'body.rotateLeftt' is null, not a
    // function").
    [[gnu::cold, gnu::noinline]] void logMemberFailure(const gmValue& object, const gmValue& name);
    [[gnu::cold, gnu::noinline]] void logKeyFailure(const gmValue& object, const gmValue& key);
    [[gnu::cold, gnu::noinline]] void logCallFailure(const gmFunction* function, const uint32_t* callIp,
                                                     const gmValue& callee);

    // ---- Library and host interface ----
    // Each entry becomes a global function, or a field of the global table [libraryName].
    void registerGlobalFunctions(const gmLibraryEntry* entries, int32_t count,
                                 const char* libraryName = nullptr);
    void setPrintSink(gmPrintSink sink, void* userData) {
        printSink_ = sink;
        printSinkData_ = userData;
    }
    // What the host keeps with this machine (the engine's script module), for native functions to
    // reach it from their thread's machine; the machine never reads it.
    void setHostData(void* data) { hostData_ = data; }
    void* getHostData() const { return hostData_; }
    void print(const char* line);
    // The text of a value as print and format write it.
    void appendValueText(const gmValue& value, std::string& out) const;
    int32_t getStateTypeId() const { return stateTypeId_; }
    // A state change of [thread] (gmLibrary.cpp): runs the old state's exit function on a new
    // thread, resets [thread] and pushes [state][this][function][arguments] (copied from
    // [functionAndArgs] first, which may point into the thread's own stack). False when the stack
    // cannot hold them (the thread is then empty).
    bool changeState(gmScriptThread* thread, const gmValue* functionAndArgs, int32_t count,
                     gmValue thisValue);
    // Applies a state change recorded for a thread while its native call was running; returns the
    // count of function and arguments now on its stack (the call is to be re-dispatched).
    int32_t applyRequestedState(gmScriptThread* thread, gmValue thisValue);
    // stateSetOnThread: the state change of another thread, deferred while [target] is inside a
    // native call; otherwise the new state's call is set up at once and [target] runs.
    void setStateOnThread(gmScriptThread* target, const gmValue* functionAndArgs, int32_t count);
    void setStateTypeId(int32_t typeId) { stateTypeId_ = typeId; }
    // Spare values above a frame's expression stack: operator calls and native results use them.
    static constexpr int32_t kCallMarginValues = 6;

    // ---- Runtime internals (the object classes, the VM and the library use these) ----
    gmBlockHeap& getBlockHeap() { return blockHeap_; }
    gmGarbageCollector& getCollector() { return collector_; }
    const gmGarbageCollector& getCollector() const { return collector_; }
    // The write barrier for a reference about to be dropped or overwritten in a heap object or root.
    void writeBarrier(const gmValue& oldValue) { collector_.writeBarrier(oldValue); }
    // Return a destroyed object's memory to its pool and its charge to the count (destroyObject only).
    void recycleObject(gmString* string);
    void recycleObject(gmTable* table);
    void recycleObject(gmFunction* function);
    void recycleObject(gmHostObject* object);

  private:
    // Elements per pool chunk: strings are the most numerous objects, so their chunks are longest.
    static constexpr int32_t kStringsPerChunk = 128;
    static constexpr int32_t kTablesPerChunk = 32;
    static constexpr int32_t kFunctionsPerChunk = 32;
    static constexpr int32_t kHostObjectsPerChunk = 32;

    struct RootProviderEntry {
        gmRootProvider provider;
        void* userData;
    };

    static void scanRoots(gmScriptMachine& machine, gmGarbageCollector& collector);
    // Runs before every object allocation: a stress step when enabled, else the collection of a
    // running script that outgrew its limits (see the class comment).
    void beforeAllocation() {
        if (stressCollection_ || (runNesting_ > 0 && getMemoryUsage() > runCollectionThreshold_))
            collectBeforeAllocation();
    }
    void collectBeforeAllocation();
    // With auto adjust: the limits retuned from the usage a full collection left (see collectGarbage).
    void adjustLimitsAfterFullCollection();
    gmString* makeString(const char* text, int32_t length, uint32_t hash);
    // A new string object outside the intern table (makeString and makeDetachedString add the rest).
    gmString* newString(const char* text, int32_t length, uint32_t hash);
    void createBuiltinType(int32_t typeId, const char* name);

    // ---- Threads ----
    static constexpr int32_t kIdBuckets = 128;
    static constexpr int32_t kBlockBuckets = 64;
    // Dead threads kept for reuse: enough for a game's bursts of short threads.
    static constexpr int32_t kMaxFreeThreads = 16;
    // Nested run loops (a native running script code at once, which runs a native ...): beyond
    // this the inner call fails with "stack overflow" instead of exhausting the C++ stack.
    static constexpr int32_t kMaxRunNesting = 64;

    static void scanThreadRoots(gmScriptMachine& machine, gmGarbageCollector& collector, void* userData);
    // Sleeping threads wait in buckets, one per wake time, kept in wake-time order; a bucket
    // links its threads (through their list links) in the order they fell asleep. Falling asleep
    // costs one map look-up (few distinct wake times are pending at once), waking the first
    // sleeper is constant time, and the walk of all sleepers is their wake order.
    struct SleepBucket {
        gmScriptThread* head = nullptr;
        gmScriptThread* tail = nullptr;
    };
    void addSleeper(gmScriptThread* thread);
    void removeSleeper(gmScriptThread* thread);

    void unlinkFromList(gmScriptThread* thread);
    void appendToList(gmScriptThread*& head, gmScriptThread*& tail, gmScriptThread* thread);
    void removeFromIdTable(gmScriptThread* thread);
    void removeBlocks(gmScriptThread* thread);
    void finishThread(gmScriptThread* thread);
    void resetThread(gmScriptThread* thread);
    bool ensureStack(gmScriptThread* thread, int32_t needed);
    // Pushes the frame of a call that enterCall starts on [thread] (see gmFrame).
    void pushCallerFrame(gmScriptThread* thread);
    // The start shared by runText and runLibrary: a new thread with [root] entered, and then its
    // id reported and, with [now], the thread run.
    int32_t startRoot(gmFunction* root, const gmValue* thisValue);
    void runStarted(int32_t id, int32_t* threadId, bool now);
    // The dispatch loop of executeThread; returns how it stopped (gmExecute.cpp).
    int32_t runLoop(gmScriptThread* thread, gmValue* returnValue, const uint32_t*& errorIp);
    gmBlockList*& blockBucket(const gmValue& value);

    gmErrorLog errorLog_;
    gmScriptThread* runningHead_ = nullptr;
    gmScriptThread* runningTail_ = nullptr;
    std::map<uint32_t, SleepBucket> sleepers_;
    gmScriptThread* blockedHead_ = nullptr;
    gmScriptThread* blockedTail_ = nullptr;
    gmScriptThread* exceptionHead_ = nullptr;
    gmScriptThread* exceptionTail_ = nullptr;
    gmScriptThread* freeThreads_ = nullptr;
    int32_t freeThreadCount_ = 0;
    gmScriptThread* idBuckets_[kIdBuckets] = {};
    gmBlockList* blockBuckets_[kBlockBuckets] = {};
    int32_t threadCount_ = 0;
    int32_t nextThreadId_ = 0;
    uint32_t time_ = 0;
    bool executing_ = false;
    gmScriptThread* passCursor_ = nullptr;
    int32_t runNesting_ = 0;
    int32_t stateTypeId_ = -1;
    int32_t maxStringLength_ = kDefaultMaxStringLength;
    gmStepHook stepHook_ = nullptr;
    void* stepHookData_ = nullptr;
    int32_t stepInterval_ = 1;
    int32_t stepsLeft_ = 1;
    gmPrintSink printSink_ = nullptr;
    void* printSinkData_ = nullptr;
    void* hostData_ = nullptr;

    // Declared first: destroyed last, after the objects whose blocks it holds are gone.
    gmBlockHeap blockHeap_;
    gmFixedPool stringPool_;
    gmFixedPool tablePool_;
    gmFixedPool functionPool_;
    gmFixedPool hostObjectPool_;
    gmStringTable strings_;
    gmHostRootSet hostRoots_;
    gmGarbageCollector collector_;
    std::vector<gmTypeRecord> types_;
    std::vector<RootProviderEntry> rootProviders_;
    gmTable* globals_ = nullptr;

    int64_t objectBytes_ = 0;
    int64_t threadBytes_ = 0;
    int32_t threadLimit_ = 0;
    bool fusedRuns_ = true;
    uint32_t nextSerial_ = 1;  // hash keys of non-string objects (gmHeapObject::getHashKey)
    int32_t desiredHard_ = kDefaultDesiredMemoryUsageHard;
    int32_t desiredSoft_ = kDefaultDesiredMemoryUsageSoft;
    // Usage above which an allocation while a script runs collects: the larger of the hard limit
    // and twice the usage left by the last such collection (each live byte is traced once per byte
    // allocated; at 1.5 times it was twice, a third of string-heavy runs).
    int32_t runCollectionThreshold_ = kDefaultDesiredMemoryUsageHard;
    bool autoAdjust_ = true;
    bool collectionEnabled_ = true;
    bool collecting_ = false;  // inside a step: no nested collection (destruct callbacks may allocate)
    bool stressCollection_ = false;
    int32_t callsSinceCheck_ = 0;
    int32_t cyclesSinceCheck_ = 0;
    int32_t fullCollects_ = 0;
    int32_t incrementalCollects_ = 0;
    int32_t warnings_ = 0;
};

// Switches collection off for a scope and restores the previous setting: the machine's own
// allocations that must not collect, the compiler and the compiled-library loader.
class gmCollectionPause {
  public:
    explicit gmCollectionPause(gmScriptMachine& machine)
        : machine_(machine), wasEnabled_(machine.isCollectionEnabled()) {
        machine_.setCollectionEnabled(false);
    }
    ~gmCollectionPause() { machine_.setCollectionEnabled(wasEnabled_); }
    gmCollectionPause(const gmCollectionPause&) = delete;
    gmCollectionPause& operator=(const gmCollectionPause&) = delete;

  private:
    gmScriptMachine& machine_;
    bool wasEnabled_;
};
