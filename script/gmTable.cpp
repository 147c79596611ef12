#include "script/gmTable.h"

#include <algorithm>
#include <cstring>
#if defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "script/gmBlockHeap.h"
#include "script/gmGarbageCollector.h"
#include "script/gmScriptMachine.h"
#include "script/gmString.h"

namespace {
// Node arrays of this size or more are written by the doubling with non-temporal stores: the new
// array is bigger than the core's caches, and ordinary stores would first read every line they
// fill (the old contents of recycled memory) only to overwrite it.
constexpr std::size_t kStreamedArrayBytes = 1 << 20;

void writeNode(gmTableNode& to, const gmTableNode& from, bool streamed) {
#if defined(__x86_64__)
    if (streamed) {
        long long words[sizeof(gmTableNode) / sizeof(long long)];
        std::memcpy(words, &from, sizeof(words));
        auto* target = reinterpret_cast<long long*>(&to);
        for (std::size_t i = 0; i < sizeof(words) / sizeof(words[0]); ++i)
            _mm_stream_si64(target + i, words[i]);
        return;
    }
#endif
    static_cast<void>(streamed);
    to = from;
}

// Makes the non-temporal stores of writeNode visible in order with the stores that follow.
void finishWrites(bool streamed) {
#if defined(__x86_64__)
    if (streamed)
        _mm_sfence();
#endif
    static_cast<void>(streamed);
}

void emptyNode(gmTableNode& node) {
    node = gmTableNode();
}
}  // namespace

gmValue gmTable::getField(gmScriptMachine& machine, const char* name) const {
    // A text that is not interned cannot be a key, so a lookup need not create the string.
    gmString* key = machine.findString(name);
    return key ? get(gmValue::makeString(key)) : gmValue();
}

void gmTable::set(gmScriptMachine& machine, const gmValue& key, const gmValue& value) {
    if (!trySetInline(machine.getCollector(), key, value))
        store(machine, key, value);
}

void gmTable::setField(gmScriptMachine& machine, const char* name, const gmValue& value) {
    gmCollectionPause pause(machine);
    store(machine, gmValue::makeString(machine.internString(name)), value);
}

// The table store (with write barriers): find the key in the chain of its main position; overwrite
// or remove it there; or insert it (insertAbsent).
void gmTable::store(gmScriptMachine& machine, const gmValue& key, const gmValue& value) {
    if (key.isNull())
        return;
    if (nodeCount_ == 0) {
        // resize() without pairs to move: the first node array, the cursor on its last node. A
        // first key that a dense table can hold makes it one.
        if (key.isInt() && key.getPayload32() < 2 * kInitialNodeCount) {
            values_ = allocateValues(machine, kInitialNodeCount, 0);
            valueCount_ = kInitialNodeCount;
        } else {
            nodes_ = allocateNodes(machine, kInitialNodeCount);
        }
        nodeCount_ = kInitialNodeCount;
        freeNode_ = kInitialNodeCount - 1;
        traceCursor_ = 0;
    }
    if (values_ != nullptr) {
        if (storeDense(machine, key, value))
            return;
        convertToNodes(machine);
    }
    gmGarbageCollector& collector = machine.getCollector();
    const int32_t main = mainPosition(key);

    int32_t previous = -1;
    int32_t found = -1;
    // An empty main position heads no chain (the chain rule); otherwise walk the chain from it.
    if (!nodes_[main].key.isNull()) {
        for (int32_t i = main; i >= 0; previous = i, i = nodes_[i].getNext()) {
            if (nodes_[i].key == key) {
                found = i;
                break;
            }
        }
    }

    if (found >= 0) {
        gmTableNode& node = nodes_[found];
        if (!value.isNull()) {
            collector.writeBarrier(node.value);
            node.value = value;
            return;
        }
        collector.writeBarrier(node.key);
        collector.writeBarrier(node.value);
        if (found == main) {
            // The chain head: pull the successor up so the head stays at the main position.
            const int32_t successor = node.getNext();
            if (successor >= 0) {
                node = nodes_[successor];
                onPairMoved(machine, node);
                emptyNode(nodes_[successor]);
            } else {
                emptyNode(node);
            }
        } else {
            nodes_[previous].setNext(node.getNext());
            emptyNode(node);
        }
        --usedCount_;
        ++shapeVersion_;
        return;
    }
    if (!value.isNull())
        insertAbsent(machine, key, value);
}

// Uses the main position when free and otherwise the node at the free-node cursor (moving a foreign
// collision node out of the main position when it occupies it); then moves the cursor down to an
// empty node, rehashing when it reaches the bottom of the array.
void gmTable::insertAbsent(gmScriptMachine& machine, const gmValue& key, const gmValue& value) {
    const int32_t main = mainPosition(key);
    gmTableNode& mainNode = nodes_[main];
    if (mainNode.key.isNull()) {
        mainNode.key = key;
        mainNode.setNext(-1);
        mainNode.value = value;
    } else {
        const int32_t freeIndex = freeNode_;
        gmTableNode& freeNode = nodes_[freeIndex];
        const int32_t occupantMain = mainPosition(mainNode.key);
        if (occupantMain != main) {
            // The occupant is a collision node of another chain: move it to the free node.
            int32_t predecessor = occupantMain;
            while (nodes_[predecessor].getNext() != main) predecessor = nodes_[predecessor].getNext();
            nodes_[predecessor].setNext(freeIndex);
            freeNode = mainNode;
            onPairMoved(machine, freeNode);
            mainNode.key = key;
            mainNode.setNext(-1);
            mainNode.value = value;
        } else {
            freeNode.key = key;
            freeNode.setNext(mainNode.getNext());
            freeNode.value = value;
            mainNode.setNext(freeIndex);
        }
    }
    ++usedCount_;
    ++shapeVersion_;

    for (;;) {
        if (nodes_[freeNode_].key.isNull())
            return;
        if (freeNode_ == 0)
            break;
        --freeNode_;
    }
    rehash(machine);
}

// Called when the free-node cursor has reached the bottom of the array. With n nodes and u used:
// three quarters or more used doubles; more than a quarter used (or n < 5) keeps n, preferring to
// reuse an empty node above the cursor over rehashing; otherwise halves.
void gmTable::rehash(gmScriptMachine& machine) {
    const int32_t n = nodeCount_;
    const int32_t u = usedCount_;
    if (u >= n - n / 4) {
        doubleNodeCount(machine);
    } else if (u > n / 4 || n < 5) {
        for (int32_t i = n - 1; i >= 0; --i) {
            if (nodes_[i].key.isNull()) {
                freeNode_ = i;
                return;
            }
        }
        resize(machine, n);
    } else {
        resize(machine, n / 2);
    }
}

bool gmTable::storeDense(gmScriptMachine& machine, const gmValue& key, const gmValue& value) {
    const uint32_t k = key.getPayload32();
    if (key.isInt() && k < static_cast<uint32_t>(valueCount_) && !values_[k].isNull()) {
        gmValue& slot = values_[k];
        machine.getCollector().writeBarrier(slot);
        if (!value.isNull()) {
            slot = value;
            return true;
        }
        slot = gmValue();
        --usedCount_;
        ++shapeVersion_;
        return true;
    }
    if (value.isNull())
        return true;  // the key is absent: nothing to remove
    if (!key.isInt() || k >= 2 * static_cast<uint32_t>(nodeCount_) ||
        denseNodeUsed(static_cast<int32_t>(k & static_cast<uint32_t>(nodeCount_ - 1))))
        return false;
    if (k >= static_cast<uint32_t>(valueCount_))
        growValues(machine, k);
    values_[k] = value;
    ++usedCount_;
    ++shapeVersion_;
    // The cursor moves as insertAbsent moves it.
    const int32_t empty = highestEmptyDenseNode(freeNode_);
    if (empty >= 0) {
        freeNode_ = empty;
        return true;
    }
    freeNode_ = 0;
    rehashDense(machine);
    return true;
}

// A walk over the values: a node's lower key k has a slot while k < valueCount_, its upper key
// k + nodeCount_ while that is below valueCount_ too.
int32_t gmTable::highestEmptyDenseNode(int32_t node) const {
    const int32_t n = nodeCount_;
    int32_t i = node;
    if (i >= valueCount_)
        return i;
    const int32_t paired = valueCount_ - n;  // nodes below this have both slots
    for (; i >= 0 && i >= paired; --i) {
        if (values_[i].isNull())
            return i;
    }
    for (; i >= 0; --i) {
        if (values_[i].isNull() && values_[i + n].isNull())
            return i;
    }
    return -1;
}

// rehash()'s decisions. Doubling moves no value: every key stays below the new node count, at its
// own index. A resize to the same count or half of it goes to the node array.
void gmTable::rehashDense(gmScriptMachine& machine) {
    const int32_t n = nodeCount_;
    const int32_t u = usedCount_;
    if (u >= n - n / 4) {
        nodeCount_ = n * 2;
        machine.getBlockHeap().recharge(values_, static_cast<std::size_t>(nodeCount_) * kNodeChargeBytes);
        ++shapeVersion_;
        // At most half the nodes hold keys now.
        freeNode_ = highestEmptyDenseNode(nodeCount_ - 1);
        return;
    }
    if (u > n / 4 || n < 5) {
        const int32_t empty = highestEmptyDenseNode(n - 1);
        if (empty >= 0) {
            freeNode_ = empty;
            return;
        }
    }
    convertToNodes(machine);
    rehash(machine);
}

// [count] values, those from [uncleared] on null (the caller writes the others).
gmValue* gmTable::allocateValues(gmScriptMachine& machine, int32_t count, int32_t uncleared) const {
    auto* values = static_cast<gmValue*>(machine.getBlockHeap().allocate(
        static_cast<std::size_t>(count) * sizeof(gmValue),
        static_cast<std::size_t>(nodeCount_ > 0 ? nodeCount_ : count) * kNodeChargeBytes));
    std::memset(static_cast<void*>(values + uncleared), 0,
                static_cast<std::size_t>(count - uncleared) * sizeof(gmValue));
    return values;
}

// The trace cursor stays: every value keeps its index.
void gmTable::growValues(gmScriptMachine& machine, uint32_t key) {
    int32_t count = valueCount_;
    while (static_cast<uint32_t>(count) <= key) count *= 2;
    gmValue* fresh = allocateValues(machine, count, valueCount_);
    std::memcpy(static_cast<void*>(fresh), values_, static_cast<std::size_t>(valueCount_) * sizeof(gmValue));
    machine.getBlockHeap().free(values_);
    values_ = fresh;
    valueCount_ = count;
}

void gmTable::convertToNodes(gmScriptMachine& machine) {
    gmTableNode* nodes = allocateNodes(machine, nodeCount_);
    const uint32_t mask = static_cast<uint32_t>(nodeCount_ - 1);
    for (int32_t k = 0; k < valueCount_; ++k) {
        if (values_[k].isNull())
            continue;
        gmTableNode& node = nodes[static_cast<uint32_t>(k) & mask];
        node.key = gmValue::makeInt(k);
        node.setNext(-1);
        node.value = values_[k];
    }
    machine.getBlockHeap().free(values_);
    values_ = nullptr;
    valueCount_ = 0;
    nodes_ = nodes;
    traceCursor_ = 0;  // pairs change places: a trace under way starts again
    ++shapeVersion_;
}

gmTableNode* gmTable::allocateNodes(gmScriptMachine& machine, int32_t count) const {
    gmTableNode* nodes = allocateUnclearedNodes(machine, count);
    clearNodes(nodes, count);
    return nodes;
}

gmTableNode* gmTable::allocateUnclearedNodes(gmScriptMachine& machine, int32_t count) const {
    return static_cast<gmTableNode*>(
        machine.getBlockHeap().allocate(static_cast<std::size_t>(count) * sizeof(gmTableNode),
                                        static_cast<std::size_t>(count) * kNodeChargeBytes));
}

void gmTable::clearNodes(gmTableNode* nodes, int32_t count) {
    // Small arrays (most tables) are cleared two nodes at a time with inline stores: a library
    // clear of a variable size (or a string instruction) costs more than the stores themselves there.
    constexpr int32_t kClearStep = 2;
    static_assert(kInitialNodeCount % kClearStep == 0, "node counts are multiples of the step");
    if (count <= 32 * kClearStep) {
        for (int32_t i = 0; i < count; i += kClearStep)
            std::memset(static_cast<void*>(nodes + i), 0, kClearStep * sizeof(gmTableNode));
    } else {
        std::memset(static_cast<void*>(nodes), 0, static_cast<std::size_t>(count) * sizeof(gmTableNode));
    }
}

void gmTable::onPairMoved(gmScriptMachine& machine, const gmTableNode& node) const {
    if (traceCursor_ == 0)
        return;
    gmGarbageCollector& collector = machine.getCollector();
    collector.markValue(node.key);
    collector.markValue(node.value);
}

void gmTable::resize(gmScriptMachine& machine, int32_t newCount) {
    reinsertInto(machine, allocateNodes(machine, newCount), newCount);
}

// Re-inserting into twice the nodes puts each key at its new main position, which is its old one
// or that plus the old count (the hash's next bit). When no chain links any nodes, no two keys
// meet there and the cursor ends on the highest empty node -- where re-insertion in array order
// leaves everything too -- so one pass over the old nodes writes every new node once instead of
// clearing the new array and inserting key by key. A link found on the way hands the half-written
// array to the re-insertion.
void gmTable::doubleNodeCount(gmScriptMachine& machine) {
    const int32_t oldCount = nodeCount_;
    const int32_t newCount = oldCount * 2;
    gmTableNode* fresh = allocateUnclearedNodes(machine, newCount);
    const uint32_t nextBit = static_cast<uint32_t>(oldCount);
    const bool streamed = static_cast<std::size_t>(newCount) * sizeof(gmTableNode) >= kStreamedArrayBytes;
    for (int32_t i = 0; i < oldCount; ++i) {
        const gmTableNode& node = nodes_[i];
        if (node.key.isNull()) {
            writeNode(fresh[i], gmTableNode(), streamed);
            writeNode(fresh[i + oldCount], gmTableNode(), streamed);
            continue;
        }
        if (node.getNext() >= 0) {
            finishWrites(streamed);
            clearNodes(fresh, newCount);
            reinsertInto(machine, fresh, newCount);
            return;
        }
        const bool upper = (node.key.getHash() & nextBit) != 0;
        writeNode(fresh[upper ? i + oldCount : i], node, streamed);
        writeNode(fresh[upper ? i : i + oldCount], gmTableNode(), streamed);
    }
    finishWrites(streamed);
    machine.getBlockHeap().free(nodes_);
    nodes_ = fresh;
    nodeCount_ = newCount;
    traceCursor_ = 0;  // pairs change places: a trace under way starts again
    ++shapeVersion_;
    freeNode_ = newCount - 1;
    while (!nodes_[freeNode_].key.isNull()) --freeNode_;
}

// Moves every pair into [fresh] (cleared, [newCount] nodes), which becomes the node array.
void gmTable::reinsertInto(gmScriptMachine& machine, gmTableNode* fresh, int32_t newCount) {
    gmTableNode* oldNodes = nodes_;
    const int32_t oldCount = nodeCount_;
    nodes_ = fresh;
    nodeCount_ = newCount;
    usedCount_ = 0;
    freeNode_ = newCount - 1;
    traceCursor_ = 0;  // pairs change places: a trace under way starts again
    // Re-insert in node-array order (no barriers: every pair stays referenced by this table). The
    // keys are distinct and the values not null, so no lookup is needed.
    for (int32_t i = 0; i < oldCount; ++i) {
        if (!oldNodes[i].key.isNull())
            insertAbsent(machine, oldNodes[i].key, oldNodes[i].value);
    }
    machine.getBlockHeap().free(oldNodes);
}

gmTable* gmTable::duplicate(gmScriptMachine& machine) const {
    gmTable* copy = machine.createTable();
    if (nodeCount_ == 0)
        return copy;
    if (values_ != nullptr) {
        // As the re-insertion below would leave it: the same keys, the cursor on the highest empty node.
        copy->nodeCount_ = nodeCount_;
        copy->values_ = copy->allocateValues(machine, valueCount_, valueCount_);
        copy->valueCount_ = valueCount_;
        std::memcpy(static_cast<void*>(copy->values_), values_,
                    static_cast<std::size_t>(valueCount_) * sizeof(gmValue));
        copy->usedCount_ = usedCount_;
        copy->freeNode_ = std::max(copy->highestEmptyDenseNode(nodeCount_ - 1), 0);
        return copy;
    }
    copy->nodes_ = allocateNodes(machine, nodeCount_);
    copy->nodeCount_ = nodeCount_;
    copy->freeNode_ = nodeCount_ - 1;
    for (int32_t i = 0; i < nodeCount_; ++i) {
        if (!nodes_[i].key.isNull())
            copy->insertAbsent(machine, nodes_[i].key, nodes_[i].value);
    }
    return copy;
}

const gmTableNode* gmTable::nextEntry(int32_t& iterator) const {
    if (iterator < 0 && iterator != -2) {
        iterator = -1;
        return nullptr;
    }
    if (values_ != nullptr) {
        for (int32_t i = iterator < 0 ? 0 : iterator; i < nodeCount_; ++i) {
            if (!denseNodeUsed(i))
                continue;
            const int32_t k = i < valueCount_ && !values_[i].isNull() ? i : i + nodeCount_;
            entry_.key = gmValue::makeInt(k);
            entry_.setNext(-1);
            entry_.value = values_[k];
            iterator = i + 1;
            return &entry_;
        }
        iterator = -1;
        return nullptr;
    }
    for (int32_t i = iterator < 0 ? 0 : iterator; i < nodeCount_; ++i) {
        if (!nodes_[i].key.isNull()) {
            iterator = i + 1;
            return &nodes_[i];
        }
    }
    iterator = -1;
    return nullptr;
}

void gmTable::destroyObject(gmScriptMachine& machine) {
    machine.getBlockHeap().free(nodes_);
    machine.getBlockHeap().free(values_);
    nodes_ = nullptr;
    values_ = nullptr;
    nodeCount_ = usedCount_ = valueCount_ = 0;
    machine.recycleObject(this);
}

bool gmTable::traceReferences(gmScriptMachine&, gmGarbageCollector& collector, int32_t workLeft,
                              int32_t& workDone) {
    int32_t work = traceCursor_ == 0 ? 1 : 0;
    if (values_ != nullptr) {
        for (int32_t i = traceCursor_; i < valueCount_; ++i) {
            if (values_[i].isReference()) {
                collector.markObject(values_[i].getObject());
                ++work;
            }
            if (work >= workLeft && i + 1 < valueCount_) {
                traceCursor_ = i + 1;
                workDone += work;
                return false;
            }
        }
        traceCursor_ = 0;
        workDone += work;
        return true;
    }
    for (int32_t i = traceCursor_; i < nodeCount_; ++i) {
        const gmTableNode& node = nodes_[i];
        if (node.key.isReference()) {
            collector.markObject(node.key.getObject());
            ++work;
        }
        if (node.value.isReference()) {
            collector.markObject(node.value.getObject());
            ++work;
        }
        if (work >= workLeft && i + 1 < nodeCount_) {
            traceCursor_ = i + 1;
            workDone += work;
            return false;
        }
    }
    traceCursor_ = 0;
    workDone += work;
    return true;
}
