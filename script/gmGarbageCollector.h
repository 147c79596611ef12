// Incremental tri-colour mark-and-sweep collector over one ring of objects. Colour rule: gmHeapObject.h.
#pragma once

#include <cstdint>

#include "script/gmHeapObject.h"
#include "script/gmValue.h"

// The collected ring is one circular doubly-linked list through a sentinel, in three parts:
//
//   sentinel -> [black ...] -> [grey ...] -> [white ...] -> sentinel
//                             ^ scan_       ^ white_
//
// black = traced (marked), grey = reached but not yet traced (marked), white = unreached so far
// (unmarked). Greying an object moves it to the end of the grey part; tracing takes objects from the
// front of the grey part and advances scan_ past those that finish; new objects join the end of the
// black part, so an object created during a cycle survives it. Starting a cycle flips the mark value
// and sets scan_ = white_ = the first object, which turns every object white in O(1). Freeing takes
// objects from white_ onwards once no grey object is left. Persistent objects live in a second ring
// that is never traced or freed (until the machine goes).
//
// Cycle: idle -> startCycle -> roots pending -> marking (grey objects remain) -> reclaiming (frees
// freesPerIncrement whites per step) -> idle. The collector does nothing by itself; the machine's
// collectGarbage (pacing) and its stress hook call step() and fullCollect().
class gmGarbageCollector {
  public:
    // Greys every root (gmScriptMachine::scanRoots).
    using RootScanFunction = void (*)(gmScriptMachine& machine, gmGarbageCollector& collector);

    // Budgets: ~200 units of trace work (a small table is 1 + its references) and 200
    // frees per increment keep one step's pause in the tens of microseconds.
    static constexpr int32_t kDefaultWorkPerIncrement = 200;
    static constexpr int32_t kDefaultFreesPerIncrement = 200;

    gmGarbageCollector(gmScriptMachine& machine, RootScanFunction rootScan);
    ~gmGarbageCollector();
    gmGarbageCollector(const gmGarbageCollector&) = delete;
    gmGarbageCollector& operator=(const gmGarbageCollector&) = delete;

    // ---- Objects entering and leaving ----
    // A new object: marked, at the end of the black part.
    void linkNewObject(gmHeapObject* object);
    // Moves [object] to the persistent ring: never traced, re-coloured or freed by a cycle.
    void makePersistent(gmHeapObject* object);
    // Destroys [object], of the collected ring, at once: for an object the caller knows to be
    // referenced from nowhere (a consumed detached string). It counts as freed.
    void destroyUnreferenced(gmHeapObject* object);
    // Destroys every object of both rings (machine shutdown). Destroy order is unspecified.
    void destroyAllObjects();

    // ---- Marking (used by roots, trace functions and barriers) ----
    // markGrey: an unmarked, non-persistent object becomes grey (marked, queued for tracing).
    void markObject(gmHeapObject* object) {
        if (object != nullptr && object->colour_ != markValue_ && object->persistent_ == 0)
            moveToGrey(object);
    }
    void markValue(const gmValue& value) {
        if (value.isReference())
            markObject(value.getObject());
    }
    // The write barrier: call with a reference that is about to be overwritten or dropped from a
    // heap object (or from any place already scanned). While a cycle runs it greys the old
    // reference when unmarked, which keeps everything reachable at the root scan alive.
    void writeBarrier(const gmValue& oldValue) {
        if (!idle_)
            markValue(oldValue);
    }
    void writeBarrier(gmHeapObject* oldObject) {
        if (!idle_)
            markObject(oldObject);
    }
    // Re-marking of a found string: an unmarked object becomes marked and black, so a cycle in
    // progress does not free it.
    void revive(gmHeapObject* object);
    bool isMarked(const gmHeapObject* object) const { return object->colour_ == markValue_; }

    // ---- Cycles ----
    bool isIdle() const { return idle_; }
    // Only when idle: flips the mark value (every object becomes white) and asks for a root scan.
    void startCycle();
    // One increment; true when the cycle finished (the collector is idle again). [full] gives it an
    // unlimited work budget. See the .cpp for the order of its phases.
    bool step(bool full);
    // A full collection: finishes the running cycle (or a new one), runs a second
    // complete cycle, then starts a third whose roots are scanned by the next step.
    void fullCollect();
    // Frees all garbage there is now and leaves the collector idle: from idle one complete cycle;
    // with a cycle running, that cycle finished and one more (for what was created during it).
    void collectNow();
    // Frees up to [limit] white objects while idle (none remain after a finished cycle; kept for the
    // pacing's "free leftover whites" step). Returns how many it freed.
    int32_t reclaimLeftovers(int32_t limit);

    bool isFullCollection() const { return full_; }
    bool isReclaimPhase() const { return reclaimPhase_; }
    bool isRootsPending() const { return rootsPending_; }

    int32_t getWorkPerIncrement() const { return workPerIncrement_; }
    void setWorkPerIncrement(int32_t work) { workPerIncrement_ = work > 0 ? work : 1; }
    int32_t getFreesPerIncrement() const { return freesPerIncrement_; }
    void setFreesPerIncrement(int32_t frees) { freesPerIncrement_ = frees > 0 ? frees : 1; }

    // Objects in the collected ring / in the persistent ring.
    int32_t getObjectCount() const { return objectCount_; }
    int32_t getPersistentCount() const { return persistentCount_; }
    // Total objects freed by this collector so far.
    int64_t getFreedCount() const { return freedCount_; }

  private:
    // The rings' sentinels: never traced or freed.
    class RingHead final : public gmHeapObject {
      public:
        RingHead();
        void destroyObject(gmScriptMachine&) override {}
        bool traceReferences(gmScriptMachine&, gmGarbageCollector&, int32_t, int32_t&) override {
            return true;
        }
        int32_t getTypeId() const override { return kGmNull; }
    };

    void unlink(gmHeapObject* object);
    static void insertBefore(gmHeapObject* object, gmHeapObject* position);
    void moveToGrey(gmHeapObject* object);
    int32_t freeWhites(int32_t limit);

    gmScriptMachine& machine_;
    RootScanFunction rootScan_;
    RingHead ring_;
    RingHead persistentRing_;
    gmHeapObject* scan_;   // first grey object, or white_ when there is none
    gmHeapObject* white_;  // first white object, or &ring_ when there is none
    uint8_t markValue_ = 0;
    bool idle_ = true;
    bool rootsPending_ = false;
    bool full_ = false;
    bool reclaimPhase_ = false;
    int32_t workPerIncrement_ = kDefaultWorkPerIncrement;
    int32_t workLeft_ = 0;
    int32_t freesPerIncrement_ = kDefaultFreesPerIncrement;
    int32_t objectCount_ = 0;
    int32_t persistentCount_ = 0;
    int64_t freedCount_ = 0;
};
