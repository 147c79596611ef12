#include "script/gmTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "ScriptTestSupport.h"

namespace {
using gmtest::MachineTest;

class gmTableOps : public MachineTest {
  protected:
    gmTable* t() { return table_.getTable(); }
    void set(gmValue key, gmValue value) { t()->set(machine_, key, value); }
    gmValue get(gmValue key) { return t()->get(key); }

    gmValue table_ = table();
};

TEST_F(gmTableOps, NeverUsedTableHasNoNodes) {
    EXPECT_EQ(t()->getNodeCount(), 0);
    EXPECT_EQ(t()->getCount(), 0);
    EXPECT_TRUE(get(i(1)).isNull());
    EXPECT_EQ(t()->getFreeNodeIndex(), -1);
}

TEST_F(gmTableOps, FirstStoreGivesFourNodesChargedAsAClassBlock) {
    machine_.setStressCollection(false);
    const int64_t blocks = machine_.getBlockHeapBytes();
    set(i(1), i(10));
    EXPECT_EQ(t()->getNodeCount(), 4);
    EXPECT_EQ(machine_.getBlockHeapBytes() - blocks, 128);  // 4 x 20 = 80 bytes: the 128 class
    EXPECT_EQ(get(i(1)).getInt(), 10);
}

TEST_F(gmTableOps, NullKeyIsIgnoredAndYieldsNull) {
    set(gmValue(), i(5));
    EXPECT_EQ(t()->getCount(), 0);
    EXPECT_TRUE(get(gmValue()).isNull());
}

TEST_F(gmTableOps, StoringNullRemovesTheKey) {
    set(i(1), i(10));
    set(i(2), i(20));
    EXPECT_EQ(t()->getCount(), 2);
    set(i(1), gmValue());
    EXPECT_EQ(t()->getCount(), 1);
    EXPECT_TRUE(get(i(1)).isNull());
    EXPECT_EQ(get(i(2)).getInt(), 20);
    set(i(7), gmValue());
    EXPECT_EQ(t()->getCount(), 1);
}

TEST_F(gmTableOps, OverwriteKeepsTheCount) {
    set(str("k"), i(1));
    set(str("k"), i(2));
    EXPECT_EQ(t()->getCount(), 1);
    EXPECT_EQ(get(str("k")).getInt(), 2);
}

TEST_F(gmTableOps, IntOneAndFloatOneAreDifferentKeys) {
    set(i(1), str("int"));
    EXPECT_TRUE(get(f(1.0f)).isNull());
    set(f(1.0f), str("float"));
    EXPECT_EQ(text(get(i(1))), "int");
    EXPECT_EQ(text(get(f(1.0f))), "float");
    EXPECT_EQ(t()->getCount(), 2);
}

TEST_F(gmTableOps, StringKeysMatchByIdentityOfInternedStrings) {
    set(str("name"), i(3));
    EXPECT_EQ(get(gmValue::makeString(machine_.internString("name"))).getInt(), 3);
    EXPECT_EQ(t()->getField(machine_, "name").getInt(), 3);
    EXPECT_TRUE(t()->getField(machine_, "absent-and-never-interned").isNull());
    EXPECT_EQ(machine_.findString("absent-and-never-interned"), nullptr);
    t()->setField(machine_, "other", i(4));
    EXPECT_EQ(get(str("other")).getInt(), 4);
}

TEST_F(gmTableOps, SequentialIntKeysDoubleTheTableWhenFull) {
    for (int k = 0; k < 4; ++k) set(i(k), i(k));
    EXPECT_EQ(t()->getNodeCount(), 8);
    for (int k = 4; k < 8; ++k) set(i(k), i(k));
    EXPECT_EQ(t()->getNodeCount(), 16);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(get(i(k)).getInt(), k);
}

TEST_F(gmTableOps, RehashHappensOnlyWhenTheCursorReachesTheBottom) {
    for (int k = 0; k < 3; ++k) set(i(k), i(k));
    EXPECT_EQ(t()->getNodeCount(), 4);
    EXPECT_EQ(t()->getFreeNodeIndex(), 3);
    // Key 4 collides with key 0 (main position 0): it takes the free node 3; the cursor then
    // walks down over nodes 3, 2, 1, 0, all used, and the table (4 of 4 used) doubles.
    set(i(4), i(4));
    EXPECT_EQ(t()->getNodeCount(), 8);
    for (int k : {0, 1, 2, 4}) EXPECT_EQ(get(i(k)).getInt(), k);
}

// Removed nodes above the cursor are not reused until the cursor reaches the bottom; then a table
// with more than a quarter used keeps its size and moves the cursor to the highest empty node.
TEST_F(gmTableOps, KeepsItsSizeAndReusesEmptyNodesWhenHalfUsed) {
    for (int k = 0; k < 9; ++k) set(i(k), i(k));
    ASSERT_EQ(t()->getNodeCount(), 16);
    for (int k = 6; k < 9; ++k) set(i(k), gmValue());  // 6 used of 16: more than a quarter
    int32_t rounds = 0;
    int32_t lastCursor = t()->getFreeNodeIndex();
    bool jumpedUp = false;
    for (int32_t key = 16; rounds < 64 && !jumpedUp; key += 16, ++rounds) {
        set(i(key), i(key));  // main position 0: lands on the free node
        set(i(key), gmValue());
        const int32_t cursor = t()->getFreeNodeIndex();
        jumpedUp = cursor > lastCursor;
        lastCursor = cursor;
        ASSERT_EQ(t()->getNodeCount(), 16);
    }
    EXPECT_TRUE(jumpedUp);
    EXPECT_EQ(t()->getCount(), 6);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(get(i(k)).getInt(), k);
}

TEST_F(gmTableOps, HalvesWhenAtMostAQuarterIsUsed) {
    for (int k = 0; k < 9; ++k) set(i(k), i(k));
    ASSERT_EQ(t()->getNodeCount(), 16);
    for (int k = 2; k < 9; ++k) set(i(k), gmValue());  // 2 used of 16
    int32_t rounds = 0;
    for (int32_t key = 16; rounds < 64 && t()->getNodeCount() == 16; key += 16, ++rounds) {
        set(i(key), i(key));
        set(i(key), gmValue());
    }
    EXPECT_EQ(t()->getNodeCount(), 8);
    EXPECT_EQ(t()->getCount(), 2);
    EXPECT_EQ(get(i(0)).getInt(), 0);
    EXPECT_EQ(get(i(1)).getInt(), 1);
}

TEST_F(gmTableOps, NextEntryWalksUsedNodesInArrayOrder) {
    for (int k = 0; k < 3; ++k) set(i(k), i(k * 10));
    int32_t iterator = -2;
    std::vector<int32_t> keys;
    while (const gmTableNode* node = t()->nextEntry(iterator)) {
        keys.push_back(node->key.getInt());
        EXPECT_EQ(node->value.getInt(), node->key.getInt() * 10);
        EXPECT_EQ(iterator, keys.back() + 1);  // int keys 0..2 sit at their own index
    }
    EXPECT_EQ(keys, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(iterator, -1);
    EXPECT_EQ(t()->nextEntry(iterator), nullptr);
}

TEST_F(gmTableOps, NextEntryOnANeverUsedTableFinishesAtOnce) {
    int32_t iterator = -2;
    EXPECT_EQ(t()->nextEntry(iterator), nullptr);
    EXPECT_EQ(iterator, -1);
}

TEST_F(gmTableOps, DuplicateCopiesPairsAndNodeCount) {
    for (int k = 0; k < 5; ++k) set(i(k), str("v"));
    set(str("x"), f(2.5f));
    gmTable* copy = t()->duplicate(machine_);
    roots_.keep(gmValue::makeTable(copy));
    EXPECT_NE(copy, t());
    EXPECT_EQ(copy->getNodeCount(), t()->getNodeCount());
    EXPECT_EQ(copy->getCount(), t()->getCount());
    for (int k = 0; k < 5; ++k) EXPECT_EQ(copy->get(i(k)), str("v"));
    EXPECT_EQ(copy->get(str("x")).getFloat(), 2.5f);
    copy->set(machine_, i(0), gmValue());
    EXPECT_EQ(get(i(0)), str("v"));
}

TEST_F(gmTableOps, DuplicateOfAnEmptyTableIsEmpty) {
    gmTable* copy = t()->duplicate(machine_);
    EXPECT_EQ(copy->getNodeCount(), 0);
    EXPECT_EQ(copy->getCount(), 0);
}

// Random stores, overwrites and removals against std::map, with int, float and string keys whose
// hashes collide often (small ints, strings), checking every key and the iteration after each step.
TEST_F(gmTableOps, RandomOperationsMatchAMapModel) {
    struct KeyLess {
        bool operator()(const gmValue& a, const gmValue& b) const {
            if (a.getType() != b.getType())
                return a.getType() < b.getType();
            const auto objectA = reinterpret_cast<uintptr_t>(a.getObject());
            const auto objectB = reinterpret_cast<uintptr_t>(b.getObject());
            if (objectA != objectB)
                return objectA < objectB;
            return a.getPayload32() < b.getPayload32();
        }
    };
    std::vector<gmValue> keyPool;
    for (int k = -20; k < 60; ++k) keyPool.push_back(i(k * 4));
    for (int k = 0; k < 20; ++k) keyPool.push_back(f(static_cast<float>(k) * 0.5f));
    for (int k = 0; k < 40; ++k) keyPool.push_back(str(("s" + std::to_string(k)).c_str()));
    std::map<gmValue, int32_t, KeyLess> model;
    std::mt19937 random(1234);
    for (int step = 0; step < 4000; ++step) {
        const gmValue key = keyPool[random() % keyPool.size()];
        if (random() % 3 == 0) {
            set(key, gmValue());
            model.erase(key);
        } else {
            const int32_t value = static_cast<int32_t>(random() % 1000);
            set(key, i(value));
            model[key] = value;
        }
        ASSERT_EQ(t()->getCount(), static_cast<int32_t>(model.size())) << "step " << step;
        if (step % 50 == 0) {
            for (const gmValue& k : keyPool) {
                auto found = model.find(k);
                if (found == model.end()) {
                    ASSERT_TRUE(get(k).isNull());
                } else {
                    ASSERT_EQ(get(k).getInt(), found->second);
                }
            }
            int32_t iterator = -2;
            int32_t visited = 0;
            while (const gmTableNode* node = t()->nextEntry(iterator)) {
                ASSERT_EQ(model.count(node->key), 1u);
                ++visited;
            }
            ASSERT_EQ(visited, static_cast<int32_t>(model.size()));
        }
    }
    const int32_t n = t()->getNodeCount();
    EXPECT_EQ(n & (n - 1), 0) << "node count is a power of two";
}

// A cache keyed by the shape version stays right: while the version is unchanged, every key sits at
// the node it sat at and every absent key is still absent, through random stores, overwrites,
// removals and resizes (also those of the VM's main-position store).
TEST_F(gmTableOps, UnchangedShapeVersionMeansTheSameKeysAtTheSameNodes) {
    std::vector<gmValue> keyPool;
    for (int k = 0; k < 48; ++k) keyPool.push_back(i(k * 3));
    for (int k = 0; k < 24; ++k) keyPool.push_back(str(("k" + std::to_string(k)).c_str()));
    auto layout = [&] {
        std::vector<const gmTableNode*> where;
        int32_t iterator = -2;
        std::map<std::pair<int, uint32_t>, int32_t> byKey;
        while (const gmTableNode* node = t()->nextEntry(iterator))
            byKey[{node->key.getType(), node->key.getHash()}] = iterator - 1;
        std::vector<int32_t> nodes;
        for (const gmValue& k : keyPool) {
            auto found = byKey.find({k.getType(), k.getHash()});
            nodes.push_back(found == byKey.end() || get(k).isNull() ? -1 : found->second);
        }
        return nodes;
    };
    std::mt19937 random(99);
    std::vector<int32_t> before = layout();
    uint32_t version = t()->getShapeVersion();
    int changes = 0;
    for (int step = 0; step < 3000; ++step) {
        const gmValue key = keyPool[random() % keyPool.size()];
        const uint32_t what = random() % 4;
        if (what == 0)
            set(key, gmValue());
        else if (what == 1)
            t()->trySetInline(machine_.getCollector(), key, i(step));
        else
            set(key, i(step));
        const std::vector<int32_t> after = layout();
        if (t()->getShapeVersion() == version) {
            ASSERT_EQ(after, before) << "step " << step;
        } else {
            ++changes;
            version = t()->getShapeVersion();
        }
        before = after;
    }
    EXPECT_GT(changes, 100);
}

// The node layout, and with it the iteration order, of int keys stored (never removed) as the table
// rules describe them: chains headed at the main position, collisions at the free-node cursor, and
// the rehash on the cursor reaching the bottom. The table must lay its nodes out exactly so.
class NodeLayoutModel {
  public:
    void insert(int32_t key) {
        if (nodes_.empty())
            reset(gmTable::kInitialNodeCount);
        const int32_t main = mainPosition(key);
        for (int32_t n = main; n >= 0 && used(n); n = at(n).next)
            if (at(n).key == key)
                return;
        place(key);
    }
    // The store of a null value: the chain head pulls its successor up, another node is unlinked.
    void remove(int32_t key) {
        if (nodes_.empty())
            reset(gmTable::kInitialNodeCount);
        const int32_t main = mainPosition(key);
        for (int32_t n = main, previous = -1; n >= 0 && used(n); previous = n, n = at(n).next) {
            if (at(n).key != key)
                continue;
            if (n != main) {
                at(previous).next = at(n).next;
                at(n) = Node();
            } else if (const int32_t successor = at(n).next; successor >= 0) {
                at(n) = at(successor);
                at(successor) = Node();
            } else {
                at(n) = Node();
            }
            --usedCount_;
            return;
        }
    }
    int32_t nodeCount() const { return count(); }
    int32_t freeNode() const { return free_; }
    std::vector<int32_t> order() const {
        std::vector<int32_t> keys;
        for (const Node& node : nodes_)
            if (node.used)
                keys.push_back(node.key);
        return keys;
    }

  private:
    struct Node {
        bool used = false;
        int32_t key = 0;
        int32_t next = -1;
    };
    Node& at(int32_t n) { return nodes_[static_cast<std::size_t>(n)]; }
    bool used(int32_t n) const { return nodes_[static_cast<std::size_t>(n)].used; }
    int32_t count() const { return static_cast<int32_t>(nodes_.size()); }
    int32_t mainPosition(int32_t key) const {
        return static_cast<int32_t>(static_cast<uint32_t>(key) & static_cast<uint32_t>(count() - 1));
    }
    void reset(int32_t n) {
        nodes_.assign(static_cast<std::size_t>(n), Node());
        free_ = n - 1;
        usedCount_ = 0;
    }
    void place(int32_t key) {
        const int32_t main = mainPosition(key);
        if (!used(main)) {
            at(main) = {true, key, -1};
        } else if (const int32_t occupantMain = mainPosition(at(main).key); occupantMain != main) {
            int32_t predecessor = occupantMain;
            while (at(predecessor).next != main) predecessor = at(predecessor).next;
            at(predecessor).next = free_;
            at(free_) = at(main);
            at(main) = {true, key, -1};
        } else {
            at(free_) = {true, key, at(main).next};
            at(main).next = free_;
        }
        ++usedCount_;
        moveCursor();
    }
    void moveCursor() {
        while (used(free_)) {
            if (free_ == 0) {
                rehash();
                return;
            }
            --free_;
        }
    }
    void rehash() {
        const int32_t n = count();
        if (usedCount_ < n - n / 4 && (usedCount_ > n / 4 || n < 5)) {
            for (int32_t k = n - 1; k >= 0; --k) {
                if (!used(k)) {
                    free_ = k;
                    return;
                }
            }
        }
        const std::vector<int32_t> keys = order();
        reset(usedCount_ >= n - n / 4 ? n * 2 : usedCount_ > n / 4 || n < 5 ? n : n / 2);
        for (int32_t key : keys) place(key);
    }

    std::vector<Node> nodes_;
    int32_t free_ = 0;
    int32_t usedCount_ = 0;
};

TEST_F(gmTableOps, NodeLayoutFollowsTheTableRulesThroughEveryGrowth) {
    std::mt19937 random(99);
    const std::vector<std::vector<int32_t>> sequences = [&] {
        std::vector<std::vector<int32_t>> all;
        std::vector<int32_t> dense, offset, descending, strided, mixed, shuffled;
        for (int32_t k = 2; k < 3000; ++k) dense.push_back(k);
        for (int32_t k = 1000; k < 4000; ++k) offset.push_back(k);
        for (int32_t k = 2999; k >= 0; --k) descending.push_back(k);
        for (int32_t k = 0; k < 1500; ++k) strided.push_back(k * 8);
        for (int32_t k = 0; k < 2000; ++k)
            mixed.push_back(k % 3 == 0 ? -k : static_cast<int32_t>(random() % 5000));
        shuffled = dense;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        return std::vector<std::vector<int32_t>>{dense, offset, descending, strided, mixed, shuffled};
    }();
    for (const std::vector<int32_t>& keys : sequences) {
        gmTable* table = this->table().getTable();
        NodeLayoutModel model;
        for (std::size_t n = 0; n < keys.size(); ++n) {
            table->set(machine_, i(keys[n]), i(1));
            model.insert(keys[n]);
            if (n % 97 != 0 && n + 1 != keys.size())
                continue;
            std::vector<int32_t> order;
            int32_t iterator = -2;
            while (const gmTableNode* node = table->nextEntry(iterator)) order.push_back(node->key.getInt());
            ASSERT_EQ(order, model.order()) << "after " << n + 1 << " keys";
        }
    }
}

// A table of small int keys keeps its values only until a store its layout cannot hold; before and
// after, the nodes, the cursor and the order are those of the node array, through insertions,
// removals, doublings, same-size rehashes and shrinks, and the keys a dense table cannot take.
TEST_F(gmTableOps, DenseTablesLayOutAsTheNodeArrayWould) {
    std::mt19937 random(7);
    int denseSteps = 0;
    int converted = 0;
    for (int round = 0; round < 40; ++round) {
        gmTable* table = machine_.createTable();
        const gmValue held = gmValue::makeTable(table);
        machine_.getGlobals()->set(machine_, str("held"), held);
        NodeLayoutModel model;
        // Small keys first; later rounds bring keys a dense table cannot hold (far ints, strings).
        const int32_t range = 4 << (round % 6);
        const int32_t steps = 600;
        for (int32_t step = 0; step < steps; ++step) {
            const bool late = step > steps / 2 && round % 3 != 0;
            // Every fourth round counts up from a small offset (an array filled in order).
            const bool counting = round % 4 == 3;
            const int32_t key = counting ? step + round / 4 % 8
                                : late && random() % 50 == 0
                                    ? static_cast<int32_t>(range * 4 + random() % 100)
                                    : static_cast<int32_t>(random() % range);
            const bool removal = !counting && random() % (step < steps / 3 ? 4 : 2) == 0;
            if (removal) {
                table->set(machine_, i(key), gmValue());
                model.remove(key);
            } else if (random() % 2 == 0) {
                table->set(machine_, i(key), i(step));
                model.insert(key);
            } else if (!table->trySetInline(machine_.getCollector(), i(key), i(step))) {
                table->set(machine_, i(key), i(step));
                model.insert(key);
            } else {
                model.insert(key);
            }
            if (late && round % 3 == 1 && random() % 100 == 0) {
                // A string key leaves the dense layout; the model keeps ints only, so take it out again.
                const gmValue name = str("s");
                table->set(machine_, name, i(1));
                table->set(machine_, name, gmValue());
                ASSERT_FALSE(table->isDense());
                break;
            }
            denseSteps += table->isDense() ? 1 : 0;
            std::vector<int32_t> order;
            int32_t iterator = -2;
            while (const gmTableNode* node = table->nextEntry(iterator)) {
                ASSERT_EQ(table->get(node->key).getInt(), node->value.getInt());
                order.push_back(node->key.getInt());
            }
            ASSERT_EQ(order, model.order()) << "round " << round << " step " << step;
            ASSERT_EQ(table->getNodeCount(), model.nodeCount()) << "round " << round << " step " << step;
            ASSERT_EQ(table->getFreeNodeIndex(), model.freeNode()) << "round " << round << " step " << step;
            ASSERT_EQ(table->getCount(), static_cast<int32_t>(order.size()));
        }
        converted += table->isDense() ? 0 : 1;
        // The copy holds the same pairs; a dense one in the same order (a node array with chains
        // may re-insert in another).
        gmTable* copy = table->duplicate(machine_);
        EXPECT_EQ(copy->isDense(), table->isDense());
        EXPECT_EQ(copy->getNodeCount(), table->getNodeCount());
        auto pairs = [](const gmTable* from) {
            std::vector<std::pair<int32_t, int32_t>> all;
            int32_t iterator = -2;
            while (const gmTableNode* node = from->nextEntry(iterator))
                all.emplace_back(node->key.getInt(), node->value.getInt());
            return all;
        };
        auto original = pairs(table);
        auto copied = pairs(copy);
        if (!table->isDense()) {
            std::sort(original.begin(), original.end());
            std::sort(copied.begin(), copied.end());
        }
        EXPECT_EQ(original, copied) << "round " << round;
    }
    EXPECT_GT(denseSteps, 3000);
    EXPECT_GT(converted, 5);
}

// Doublings of chain-free tables into arrays of a megabyte and more take another store path; they
// must leave the same layout, and values the collector can still reach.
TEST_F(gmTableOps, BigTablesGrowWithTheSameLayout) {
    gmTable* table = this->table().getTable();
    NodeLayoutModel model;
    constexpr int32_t kKeys = 70000;
    for (int32_t k = 5; k < kKeys + 5; ++k) {
        const int32_t key = k;
        // The strings are held by the table alone.
        const std::string name = "v" + std::to_string(k);
        table->set(machine_, i(key),
                   k % 1000 == 0 ? gmValue::makeString(machine_.internString(name.c_str())) : i(k));
        model.insert(key);
    }
    EXPECT_GE(static_cast<std::size_t>(table->getNodeCount()) * sizeof(gmTableNode), std::size_t{1} << 21);
    std::vector<int32_t> order;
    int32_t iterator = -2;
    while (const gmTableNode* node = table->nextEntry(iterator)) order.push_back(node->key.getInt());
    ASSERT_EQ(order, model.order());
    machine_.collectGarbage(true);
    for (int32_t k = 5; k < kKeys + 5; ++k) {
        const gmValue found = table->get(i(k));
        if (k % 1000 == 0) {
            ASSERT_TRUE(found.isString());
            ASSERT_EQ(text(found), "v" + std::to_string(k));
        } else {
            ASSERT_EQ(found.getInt(), k);
        }
    }
}

TEST_F(gmTableOps, ManyKeysGrowAndShrinkBack) {
    for (int k = 0; k < 5000; ++k) set(i(k), i(-k));
    EXPECT_EQ(t()->getCount(), 5000);
    EXPECT_GE(t()->getNodeCount(), 5000);
    for (int k = 0; k < 5000; ++k) ASSERT_EQ(get(i(k)).getInt(), -k);
    for (int k = 0; k < 4990; ++k) set(i(k), gmValue());
    // Shrinking needs the cursor to reach the bottom: keep inserting and removing a key that
    // collides with key 4990 at its main position, so each insertion takes the free node.
    for (int k = 1; k < 40000 && t()->getNodeCount() > 64; ++k) {
        const gmValue key = i(4990 + k * t()->getNodeCount());
        set(key, i(1));
        set(key, gmValue());
    }
    EXPECT_LE(t()->getNodeCount(), 64);
    for (int k = 4990; k < 5000; ++k) EXPECT_EQ(get(i(k)).getInt(), -k);
}
}  // namespace
