// Base of every collected script object: its place in the collector's ring and its colour.
#pragma once

#include <cstdint>

class gmScriptMachine;
class gmGarbageCollector;

// A heap object lives in exactly one of the collector's two rings: the collected ring (white, grey
// and black parts, gmGarbageCollector.h) or the persistent ring. Objects are made only by the
// gmScriptMachine (from its fixed pools) and end only through destroyObject, called by the collector
// or by the machine's destructor; nothing else deletes them.
class gmHeapObject {
  public:
    gmHeapObject(const gmHeapObject&) = delete;
    gmHeapObject& operator=(const gmHeapObject&) = delete;

    // Releases the object's own memory (string characters, node arrays, code) and returns the
    // object to its pool; its fixed charge leaves the machine's object bytes. The object is already
    // unlinked from the collector's ring when this runs.
    virtual void destroyObject(gmScriptMachine& machine) = 0;
    // Greys the objects this one references (collector.markObject / markValue), adds the work it
    // did to [workDone] and answers true when it is completely traced; false asks to be called
    // again in a later increment with fresh budget. [workLeft] is the budget of this increment.
    virtual bool traceReferences(gmScriptMachine& machine, gmGarbageCollector& collector, int32_t workLeft,
                                 int32_t& workDone) = 0;
    // kGmString, kGmTable, kGmFunction, or a host object's own type id.
    virtual int32_t getTypeId() const = 0;

    bool isPersistent() const { return persistent_ != 0; }
    bool isDetached() const { return detached_ != 0; }
    // What a table hashes this object by as a key: a string's text hash, or a serial number the
    // machine gives every other object at creation.
    uint32_t getHashKey() const { return hashKey_; }

  protected:
    gmHeapObject() = default;
    // Not virtual: objects are never deleted through a base pointer (see destroyObject).
    ~gmHeapObject() = default;

  private:
    friend class gmGarbageCollector;
    friend class gmScriptMachine;

    gmHeapObject* prev_ = nullptr;
    gmHeapObject* next_ = nullptr;
    // The colour rule: an object is *marked* when colour_ equals the collector's current mark value,
    // *unmarked* (white) otherwise. Flipping the mark value at the start of a cycle therefore makes
    // every object white without visiting it. During a cycle, marked objects are grey (queued for
    // tracing) or black (traced); new objects are born marked, among the black ones. The write
    // barrier keeps the snapshot invariant: an object reachable when the roots were scanned is
    // marked before the cycle ends, because every reference that a mutator drops from a heap object
    // during the cycle is greyed first. Persistent objects are never re-coloured.
    uint8_t colour_ = 0;
    uint8_t persistent_ = 0;
    uint8_t detached_ = 0;  // a string outside the intern table (gmScriptMachine::makeDetachedString)
    uint32_t hashKey_ = 0;
};
