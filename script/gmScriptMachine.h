// The script machine: owner of every script object, the type records, the allocators and the
// collector with its pacing. Threads and execution are added by the VM.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "script/gmBlockHeap.h"
#include "script/gmFixedPool.h"
#include "script/gmFunction.h"
#include "script/gmGarbageCollector.h"
#include "script/gmHostObject.h"
#include "script/gmHostRootSet.h"
#include "script/gmString.h"
#include "script/gmStringTable.h"
#include "script/gmTable.h"
#include "script/gmTypeRecord.h"
#include "script/gmValue.h"

// Extra roots: called during every root scan to grey what the provider holds (collector.markValue /
// markObject). The VM registers one for its threads (stacks, block and signal values, state frames);
// a host can register its own instead of putting objects into the host root set one by one.
using gmRootProvider = void (*)(gmScriptMachine& machine, gmGarbageCollector& collector, void* userData);

// One machine owns everything here; nothing is shared between machines or thread-safe.
//
// When objects can die. The collector runs only inside collectGarbage() (the VM calls it after each
// tick), and -- in the GC stress build (TACT_GC_STRESS), or with setStressCollection(true) -- as one
// step at every object allocation. So native code must keep every object it holds across an
// allocation reachable: on the thread's stack, in a table, in the host root set, through a root
// provider, or with collection switched off (gmCollectionPause).
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

    gmScriptMachine();
    // Frees every object (host destruct callbacks run for host objects still alive), every pool and
    // the intern table.
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
    // Object bytes + block-heap bytes (clamped to the int range).
    int32_t getMemoryUsage() const;
    int64_t getObjectBytes() const { return objectBytes_; }
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
    // Runs before every object allocation: a stress step when enabled.
    void beforeAllocation();
    gmString* makeString(const char* text, int32_t length, uint32_t hash);
    void createBuiltinType(int32_t typeId, const char* name);

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
    uint32_t nextSerial_ = 1;  // hash keys of non-string objects (gmHeapObject::getHashKey)
    int32_t desiredHard_ = kDefaultDesiredMemoryUsageHard;
    int32_t desiredSoft_ = kDefaultDesiredMemoryUsageSoft;
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
