#include "script/gmGarbageCollector.h"

#include <initializer_list>
#include <limits>

gmGarbageCollector::RingHead::RingHead() {}

gmGarbageCollector::gmGarbageCollector(gmScriptMachine& machine, RootScanFunction rootScan)
    : machine_(machine), rootScan_(rootScan) {
    ring_.prev_ = ring_.next_ = &ring_;
    persistentRing_.prev_ = persistentRing_.next_ = &persistentRing_;
    scan_ = white_ = &ring_;
}

gmGarbageCollector::~gmGarbageCollector() = default;

void gmGarbageCollector::insertBefore(gmHeapObject* object, gmHeapObject* position) {
    object->next_ = position;
    object->prev_ = position->prev_;
    position->prev_->next_ = object;
    position->prev_ = object;
}

void gmGarbageCollector::unlink(gmHeapObject* object) {
    if (object == scan_)
        scan_ = object->next_;
    if (object == white_)
        white_ = object->next_;
    object->prev_->next_ = object->next_;
    object->next_->prev_ = object->prev_;
    object->prev_ = object->next_ = nullptr;
}

void gmGarbageCollector::linkNewObject(gmHeapObject* object) {
    object->colour_ = markValue_;
    object->persistent_ = 0;
    insertBefore(object, scan_);
    ++objectCount_;
}

void gmGarbageCollector::makePersistent(gmHeapObject* object) {
    if (object->persistent_ != 0)
        return;
    unlink(object);
    --objectCount_;
    object->persistent_ = 1;
    object->colour_ = markValue_;
    insertBefore(object, &persistentRing_);
    ++persistentCount_;
}

void gmGarbageCollector::moveToGrey(gmHeapObject* object) {
    object->colour_ = markValue_;
    unlink(object);
    insertBefore(object, white_);
    if (scan_ == white_)
        scan_ = object;
}

void gmGarbageCollector::revive(gmHeapObject* object) {
    if (object->persistent_ != 0 || object->colour_ == markValue_)
        return;
    object->colour_ = markValue_;
    unlink(object);
    insertBefore(object, scan_);
}

void gmGarbageCollector::startCycle() {
    if (!idle_)
        return;
    idle_ = false;
    rootsPending_ = true;
    reclaimPhase_ = false;
    markValue_ ^= 1;
    scan_ = white_ = ring_.next_;
}

// Phases of one increment: (1) a pending root scan is the whole increment; (2) trace grey objects
// from the front of the grey part until the budget is spent or one asks to continue later; (3) with
// no grey object left, the whites are garbage: free up to freesPerIncrement of them; (4) an increment
// that finds nothing to free ends the cycle.
bool gmGarbageCollector::step(bool full) {
    workLeft_ = full ? std::numeric_limits<int32_t>::max() : workPerIncrement_;
    reclaimPhase_ = false;
    if (idle_)
        return true;
    if (rootsPending_) {
        rootScan_(machine_, *this);
        rootsPending_ = false;
        return false;
    }
    while (scan_ != white_) {
        gmHeapObject* object = scan_;
        int32_t workDone = 0;
        const bool finished = object->traceReferences(machine_, *this, workLeft_, workDone);
        workLeft_ = workDone >= workLeft_ ? 0 : workLeft_ - workDone;
        // Tracing greys only unmarked objects, so [object] (marked) has not moved.
        if (!finished)
            return false;
        scan_ = object->next_;
        if (workLeft_ < 1)
            return false;
    }
    reclaimPhase_ = true;
    if (freeWhites(freesPerIncrement_) > 0)
        return false;
    reclaimPhase_ = false;
    idle_ = true;
    return true;
}

void gmGarbageCollector::fullCollect() {
    full_ = true;
    if (idle_)
        startCycle();
    while (!step(true)) {
    }
    // A second complete cycle: objects that were created black during the first one, and garbage
    // they referenced, are reclaimed now.
    startCycle();
    while (!step(true)) {
    }
    // The garbage both cycles found is already freed by their steps. A third cycle is started and
    // left to later incremental steps, so objects made from now on are judged afresh.
    startCycle();
    full_ = false;
}

void gmGarbageCollector::collectNow() {
    full_ = true;
    if (!idle_) {
        while (!step(true)) {
        }
    }
    startCycle();
    while (!step(true)) {
    }
    full_ = false;
}

int32_t gmGarbageCollector::freeWhites(int32_t limit) {
    int32_t freed = 0;
    while (freed < limit && white_ != &ring_) {
        gmHeapObject* object = white_;
        unlink(object);
        --objectCount_;
        ++freed;
        ++freedCount_;
        object->destroyObject(machine_);
    }
    return freed;
}

void gmGarbageCollector::destroyUnreferenced(gmHeapObject* object) {
    unlink(object);
    --objectCount_;
    ++freedCount_;
    object->destroyObject(machine_);
}

int32_t gmGarbageCollector::reclaimLeftovers(int32_t limit) {
    return idle_ ? freeWhites(limit) : 0;
}

void gmGarbageCollector::destroyAllObjects() {
    for (RingHead* head : {&ring_, &persistentRing_}) {
        while (head->next_ != head) {
            gmHeapObject* object = head->next_;
            unlink(object);
            object->destroyObject(machine_);
        }
    }
    objectCount_ = 0;
    persistentCount_ = 0;
    scan_ = white_ = &ring_;
    idle_ = true;
    rootsPending_ = false;
}
