// Script tables: hash tables of value keys with chained scatter in one node array (collision nodes
// are taken from a free-node cursor), traced incrementally by the collector.
#pragma once

#include <cstdint>

#include "script/gmGarbageCollector.h"
#include "script/gmHeapObject.h"
#include "script/gmValue.h"

// A node is empty when its key is null. The chain link -- the index of the next node of the same
// chain, -1 at the end -- lives in the key's spare word, so a node is two values (32 bytes). Whoever
// writes [key] must write the link after it (a whole-value copy of a key carries the source's word).
// The word holds the link + 1, so an all-zero node is an empty one that ends its chain: new node
// arrays are cleared with memset.
struct gmTableNode {
    gmValue key;
    gmValue value;

    constexpr int32_t getNext() const { return key.getSpareWord() - 1; }
    constexpr void setNext(int32_t next) { key.setSpareWord(next + 1); }
};
static_assert(sizeof(gmTableNode) == 32, "two values, the chain link inside the key");

// Invariants (the chain rule): every key lives in the chain that starts at its main position
// (hash & (nodeCount - 1)); when a chain is not empty its head is the node at that main position, and
// that node holds a key whose main position it is; a node not at its key's main position is a
// collision node of some other chain. The free-node cursor rests on an empty node after every store
// (or the table was just rehashed); nodes above it may be empty too (removed keys).
//
// The node array comes from the machine's gmBlockHeap, charged kNodeChargeBytes per node; a table
// that never held a key has none. Charged kChargeBytes to the machine's object bytes.
//
// Dense tables: while every key is an int in [0, 2 * nodeCount_) and no two share a main position
// (so no chain links any nodes), only the values are kept: values_[k] is key k's value, null when k
// is absent, in valueCount_ slots (a power of two, at most 2 * nodeCount_). nodeCount_, freeNode_,
// usedCount_ and the shape version mean what they mean for the node array: the one this table
// stands for holds key k at node k & (nodeCount_ - 1), so iteration order, the cursor and every
// resize are as they would be there. The first store the layout cannot hold (another key type, a
// key out of range, a collision, a shrink) writes that node array out and carries on in it; a
// table never becomes dense again. A dense table is charged as its node array would be.
//
// Incremental tracing: a big table is traced over several collector steps, [traceCursor_] being the
// next node to trace. While a trace is under way, every pair that moves inside the array (pulled up
// into a chain head, pushed out of a main position) is marked at once, and a resize starts the
// trace again, so no pair can slip behind the cursor unmarked.
class gmTable final : public gmHeapObject {
  public:
    static constexpr int32_t kChargeBytes = 32;
    // The accounting size of a node: a key, a value and a link of 32-bit words. The memory limits
    // are set in these units, whatever a node takes on this host.
    static constexpr int32_t kNodeChargeBytes = 20;
    // The size of a never-used table's first node array.
    static constexpr int32_t kInitialNodeCount = 4;

    // Null when [key] is null, the table is empty or the key is absent. Inline: the VM's member and
    // index instructions live on it. A null key needs no test of its own: it can only match an empty
    // node, whose value is null.
    gmValue get(const gmValue& key) const {
        if (values_ != nullptr) {
            const uint32_t k = key.getPayload32();
            return key.isInt() && k < static_cast<uint32_t>(valueCount_) ? values_[k].copyFields()
                                                                         : gmValue();
        }
        if (nodeCount_ == 0)
            return gmValue();
        const uint32_t hash = key.isReference() ? key.getObject()->getHashKey() : key.getPayload32();
        int32_t i = static_cast<int32_t>(hash & static_cast<uint32_t>(nodeCount_ - 1));
        do {
            const gmTableNode& node = nodes_[i];
            if (node.key == key)
                return node.value.copyFields();
            i = node.getNext();
        } while (i >= 0);
        return gmValue();
    }
    // The index of the node that holds [key]; -1 when it is absent. Not for dense tables (their
    // keys have no nodes): -2 there.
    int32_t findNode(const gmValue& key) const {
        if (values_ != nullptr)
            return -2;
        if (nodeCount_ == 0)
            return -1;
        const uint32_t hash = key.isReference() ? key.getObject()->getHashKey() : key.getPayload32();
        int32_t i = static_cast<int32_t>(hash & static_cast<uint32_t>(nodeCount_ - 1));
        do {
            if (nodes_[i].key == key)
                return i;
            i = nodes_[i].getNext();
        } while (i >= 0);
        return -1;
    }
    // Node [node] when it holds [key]; null otherwise, and for any [node] not below the node count
    // or a dense table. The VM's member sites try the node they last found a name at with it.
    const gmTableNode* nodeHolding(uint32_t node, const gmValue& key) const {
        return nodes_ != nullptr && node < static_cast<uint32_t>(nodeCount_) && nodes_[node].key == key
                   ? &nodes_[node]
                   : nullptr;
    }
    // Overwrites the value at node [node] (a findNode() or nodeHolding() result) with [value], not
    // null, with the write barrier: the keys stay as they are.
    void overwriteNodeValue(gmGarbageCollector& collector, int32_t node, const gmValue& value) {
        gmTableNode& held = nodes_[node];
        collector.writeBarrier(held.value);
        held.value.assignFields(value);
    }
    // The value at node [node], a findNode() result while the shape version is unchanged.
    gmValue getNodeValue(int32_t node) const { return nodes_[node].value.copyFields(); }
    // get() with the interned string [name] as key (null when no such string exists).
    gmValue getField(gmScriptMachine& machine, const char* name) const;
    // Stores [value] under [key] with the write barrier; a null key does nothing, a null value
    // removes the key. A table without nodes gets kInitialNodeCount first (even for a removal).
    void set(gmScriptMachine& machine, const gmValue& key, const gmValue& value);
    // Inline for the VM, which tries it before set(): the common stores, what set() would do in these cases:
    // [value] not null, and [key] either present (an overwrite, with the write barrier) or new with its main
    // position empty and not under the free-node cursor (an insertion that leaves the cursor where it is).
    // Answers true when it stored; otherwise changes nothing and answers false.
    [[gnu::always_inline]] bool trySetInline(gmGarbageCollector& collector, const gmValue& key,
                                             const gmValue& value) {
        if (values_ != nullptr)
            return trySetDense(collector, key, value);
        if (nodeCount_ == 0 || value.isNull() || key.isNull())
            return false;
        const uint32_t hash = key.isReference() ? key.getObject()->getHashKey() : key.getPayload32();
        const int32_t main = static_cast<int32_t>(hash & static_cast<uint32_t>(nodeCount_ - 1));
        gmTableNode& node = nodes_[main];
        // Field by field: [value] is often a fresh value the caller has just written the same way.
        if (node.key == key) {
            collector.writeBarrier(node.value);
            node.value.assignFields(value);
            return true;
        }
        if (!node.key.isNull()) {
            // An overwrite further down the chain.
            for (int32_t i = node.getNext(); i >= 0; i = nodes_[i].getNext()) {
                gmTableNode& link = nodes_[i];
                if (link.key == key) {
                    collector.writeBarrier(link.value);
                    link.value.assignFields(value);
                    return true;
                }
            }
            return false;
        }
        if (main == freeNode_)
            return false;
        node.key.assignFields(key);
        node.setNext(-1);
        node.value.assignFields(value);
        ++usedCount_;
        ++shapeVersion_;
        return true;
    }
    // Interns [name] and stores, with collection switched off meanwhile.
    void setField(gmScriptMachine& machine, const char* name, const gmValue& value);
    // Number of used nodes (keys).
    int32_t getCount() const { return usedCount_; }
    int32_t getNodeCount() const { return nodeCount_; }
    // A new table with the same node count holding every pair (no write barrier is needed: the
    // copy is born black during a cycle and every value is still referenced by this table).
    gmTable* duplicate(gmScriptMachine& machine) const;
    // Iteration in node-array order. [iterator] -2 means before the first node; the next used node is
    // returned and the iterator set to its index + 1; at the end null is returned and the iterator set
    // to -1 (finished). The table may change between calls; nodes are visited by array position.
    // Safe for any [iterator] (the VM takes it from a stack slot a compiled file may have filled):
    // any other negative value counts as finished, and a value past the nodes ends the iteration.
    const gmTableNode* nextEntry(int32_t& iterator) const;
    // Changes whenever a key is added or removed or pairs move within the node array. While it is
    // unchanged the table has the same keys at the same nodes, so a cached node index or a cached
    // absence of a key stays valid (an overwrite of a present key's value leaves it as it is).
    uint32_t getShapeVersion() const { return shapeVersion_; }
    // Index of the free-node cursor (tests and diagnostics); -1 without a node array.
    int32_t getFreeNodeIndex() const { return nodeCount_ > 0 ? freeNode_ : -1; }
    // True while the table keeps its values only (see the class comment; tests and diagnostics).
    bool isDense() const { return values_ != nullptr; }

    void destroyObject(gmScriptMachine& machine) override;
    // Greys the reference keys and values from the trace cursor on, until [workLeft] is spent; work =
    // 1 for the table + 1 per reference key or value. True when the last node has been traced.
    bool traceReferences(gmScriptMachine& machine, gmGarbageCollector& collector, int32_t workLeft,
                         int32_t& workDone) override;
    int32_t getTypeId() const override { return kGmTable; }

  private:
    friend class gmScriptMachine;

    gmTable() = default;
    ~gmTable() = default;

    // trySetInline of a dense table: the same cases, in the values.
    [[gnu::always_inline]] bool trySetDense(gmGarbageCollector& collector, const gmValue& key,
                                            const gmValue& value) {
        const uint32_t k = key.getPayload32();
        if (!key.isInt() || value.isNull() || k >= static_cast<uint32_t>(valueCount_))
            return false;
        gmValue& slot = values_[k];
        if (!slot.isNull()) {
            collector.writeBarrier(slot);
            slot.assignFields(value);
            return true;
        }
        // Node [main] holds key k or the other key of that node, k ^ nodeCount_; k is absent.
        const int32_t main = static_cast<int32_t>(k & static_cast<uint32_t>(nodeCount_ - 1));
        const uint32_t other = k ^ static_cast<uint32_t>(nodeCount_);
        if (main == freeNode_ || (other < static_cast<uint32_t>(valueCount_) && !values_[other].isNull()))
            return false;
        slot.assignFields(value);
        ++usedCount_;
        ++shapeVersion_;
        return true;
    }
    // Whether node [node] (below nodeCount_) of the node array a dense table stands for holds a key:
    // key [node] or key [node] + nodeCount_.
    bool denseNodeUsed(int32_t node) const {
        return (node < valueCount_ && !values_[node].isNull()) ||
               (node + nodeCount_ < valueCount_ && !values_[node + nodeCount_].isNull());
    }
    // The highest node at or below [node] (below nodeCount_) that holds no key; -1 when none does.
    int32_t highestEmptyDenseNode(int32_t node) const;
    // store() of a dense table; false (nothing changed) when the layout cannot hold the store.
    bool storeDense(gmScriptMachine& machine, const gmValue& key, const gmValue& value);
    // rehash() of a dense table.
    void rehashDense(gmScriptMachine& machine);
    // Room for key [key] (below 2 * nodeCount_) in the values, the slots' indices unchanged.
    void growValues(gmScriptMachine& machine, uint32_t key);
    // Writes out the node array a dense table stands for and keeps that from now on.
    void convertToNodes(gmScriptMachine& machine);
    gmValue* allocateValues(gmScriptMachine& machine, int32_t count, int32_t uncleared) const;

    int32_t mainPosition(const gmValue& key) const {
        return static_cast<int32_t>(key.getHash() & static_cast<uint32_t>(nodeCount_ - 1));
    }
    void store(gmScriptMachine& machine, const gmValue& key, const gmValue& value);
    // The insertion half of store(): [key] (not null) is known to be absent, [value] is not null.
    void insertAbsent(gmScriptMachine& machine, const gmValue& key, const gmValue& value);
    void rehash(gmScriptMachine& machine);
    void resize(gmScriptMachine& machine, int32_t newCount);
    // resize(nodeCount_ * 2), in one pass when no chains exist.
    void doubleNodeCount(gmScriptMachine& machine);
    void reinsertInto(gmScriptMachine& machine, gmTableNode* fresh, int32_t newCount);
    gmTableNode* allocateNodes(gmScriptMachine& machine, int32_t count) const;
    gmTableNode* allocateUnclearedNodes(gmScriptMachine& machine, int32_t count) const;
    static void clearNodes(gmTableNode* nodes, int32_t count);
    // A pair moved within the array while a trace is under way: mark it (see the class comment).
    void onPairMoved(gmScriptMachine& machine, const gmTableNode& node) const;

    gmTableNode* nodes_ = nullptr;
    int32_t freeNode_ = 0;  // the free-node cursor, an index into nodes_
    int32_t nodeCount_ = 0;
    int32_t usedCount_ = 0;
    int32_t traceCursor_ = 0;  // 0: no trace under way
    uint32_t shapeVersion_ = 0;
    gmValue* values_ = nullptr;  // a dense table's values (then nodes_ is null)
    int32_t valueCount_ = 0;
    // What nextEntry() returns for a dense table, which has no nodes.
    mutable gmTableNode entry_;
};

inline gmValue gmValue::makeTable(const gmTable* table) {
    return makeReference(kGmTable, table);
}
inline gmTable* gmValue::getTable() const {
    return static_cast<gmTable*>(getObject());
}
