#include "script/gmString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptTestSupport.h"
#include "script/gmStringTable.h"

namespace {
using gmtest::MachineTest;

class gmStringInterning : public MachineTest {};

TEST(gmStringTable, HashIsTimes33PlusSignedChar) {
    EXPECT_EQ(gmStringTable::hashText("", 0), 0u);
    EXPECT_EQ(gmStringTable::hashText("a", 1), 97u);
    EXPECT_EQ(gmStringTable::hashText("ab", 2), 97u * 33u + 98u);
    // Bytes above 127 count as negative chars.
    EXPECT_EQ(gmStringTable::hashText("\xff", 1), 0xFFFFFFFFu);
    EXPECT_EQ(gmStringTable::hashText("a\xff", 2), 97u * 33u - 1u);
}

// The hash taken four bytes a step and the hash of a text joined from two parts are the plain
// byte-by-byte sum, for every length and split (bytes above 127 included).
TEST(gmStringTable, FastAndJoinedHashesEqualTheBytewiseOne) {
    std::string text;
    for (int i = 0; i < 40; ++i) text += static_cast<char>((i * 67 + 13) % 256);
    for (int32_t length = 0; length <= 40; ++length) {
        uint32_t plain = 0;
        for (int32_t i = 0; i < length; ++i)
            plain = plain * 33u + static_cast<uint32_t>(static_cast<signed char>(text[i]));
        EXPECT_EQ(gmStringTable::hashText(text.data(), length), plain) << length;
        for (int32_t split = 0; split <= length; ++split) {
            const uint32_t joined = gmStringTable::hashJoined(
                gmStringTable::hashText(text.data(), split),
                gmStringTable::hashText(text.data() + split, length - split), length - split);
            ASSERT_EQ(joined, plain) << length << " split at " << split;
        }
    }
}

TEST_F(gmStringInterning, SameTextGivesTheSameObject) {
    gmString* a = machine_.internString("hello");
    roots_.keep(gmValue::makeString(a));
    EXPECT_EQ(machine_.internString("hello"), a);
    EXPECT_EQ(machine_.internString("hello world", 5), a);
    EXPECT_NE(machine_.internString("hell"), a);
    EXPECT_EQ(a->getLength(), 5);
    EXPECT_STREQ(a->getText(), "hello");
    EXPECT_EQ(a->getHash(), gmStringTable::hashText("hello", 5));
}

TEST_F(gmStringInterning, LengthCountsBytesAndTheCopyIsTerminated) {
    const char text[] = {'a', 'b', 'c', 'd'};
    gmString* s = machine_.internString(text, 3);
    roots_.keep(gmValue::makeString(s));
    EXPECT_EQ(s->getLength(), 3);
    EXPECT_EQ(s->getText()[3], '\0');
    EXPECT_STREQ(s->getText(), "abc");
    gmString* empty = machine_.internString("");
    EXPECT_EQ(empty->getLength(), 0);
    EXPECT_EQ(machine_.internString(nullptr), empty);
}

TEST_F(gmStringInterning, ChargesTwentyEightBytesPlusTheCharacterBlock) {
    machine_.setStressCollection(false);
    const int64_t objects = machine_.getObjectBytes();
    const int64_t blocks = machine_.getBlockHeapBytes();
    const int32_t strings = machine_.getStringCount();
    str("0123456789");  // 11 bytes with the NUL: the 16-byte class
    EXPECT_EQ(machine_.getObjectBytes() - objects, 28);
    EXPECT_EQ(machine_.getBlockHeapBytes() - blocks, 16);
    EXPECT_EQ(machine_.getStringCount(), strings + 1);
    str("0123456789");
    EXPECT_EQ(machine_.getStringCount(), strings + 1);
}

TEST_F(gmStringInterning, CollidingTextsStayDistinctInOneBucket) {
    // Texts whose hashes are equal modulo 8192 share a bucket; each must still be found.
    std::vector<gmString*> made;
    for (int i = 0; i < 3000; ++i) {
        const std::string text = "k" + std::to_string(i);
        made.push_back(machine_.internString(text.c_str()));
        roots_.keep(gmValue::makeString(made.back()));
    }
    for (int i = 0; i < 3000; ++i) {
        const std::string text = "k" + std::to_string(i);
        ASSERT_EQ(machine_.findString(text.c_str()), made[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(machine_.findString("k3000"), nullptr);
}

TEST_F(gmStringInterning, TextsWithTheSameHashAndLengthAreDifferentStrings) {
    // 'A' * 33 + 'B' == 'B' * 33 + '!'
    ASSERT_EQ(gmStringTable::hashText("AB", 2), gmStringTable::hashText("B!", 2));
    gmString* first = machine_.internString("AB");
    roots_.keep(gmValue::makeString(first));
    EXPECT_EQ(machine_.findString("B!"), nullptr);
    gmString* second = machine_.internString("B!");
    roots_.keep(gmValue::makeString(second));
    EXPECT_NE(first, second);
    EXPECT_STREQ(second->getText(), "B!");
    EXPECT_EQ(machine_.internString("AB"), first);
    EXPECT_EQ(machine_.internString("B!"), second);
}

TEST_F(gmStringInterning, PermanentStringsLeaveTheCollectedRing) {
    machine_.setStressCollection(false);
    const int32_t persistent = machine_.getPersistentObjectCount();
    gmString* name = machine_.internPermanentString("member");
    EXPECT_TRUE(name->isPersistent());
    EXPECT_EQ(machine_.getPersistentObjectCount(), persistent + 1);
    machine_.collectGarbage(true);
    machine_.collectGarbage(true);
    EXPECT_EQ(machine_.findString("member"), name);
    EXPECT_EQ(machine_.internString("member"), name);
}

TEST_F(gmStringInterning, TypeNamesArePermanent) {
    EXPECT_STREQ(machine_.getTypeName(kGmNull), "null");
    EXPECT_STREQ(machine_.getTypeName(kGmInt), "int");
    EXPECT_STREQ(machine_.getTypeName(kGmFloat), "float");
    EXPECT_STREQ(machine_.getTypeName(kGmString), "string");
    EXPECT_STREQ(machine_.getTypeName(kGmTable), "table");
    EXPECT_STREQ(machine_.getTypeName(kGmFunction), "function");
    EXPECT_TRUE(machine_.getTypeRecord(kGmTable).name->isPersistent());
}

TEST_F(gmStringInterning, UnreferencedStringsAreFreedAndLeaveTheTable) {
    machine_.setStressCollection(false);
    machine_.internString("temporary");
    EXPECT_NE(machine_.findString("temporary"), nullptr);
    machine_.collectGarbage(true);
    EXPECT_EQ(machine_.findString("temporary"), nullptr);
}

// The table grows with the strings and shrinks when they die; every string
// stays findable through both, and one text is still one string.
TEST_F(gmStringInterning, ManyLiveStringsStayUniqueThroughGrowthAndShrinking) {
    const auto text = [](int i) { return "e" + std::to_string(i) + "." + std::to_string(i % 3); };
    constexpr int kCount = 100000;
    {
        // Nothing holds most of these strings: no collection may free them before they are checked
        // (the GC stress build collects at every allocation).
        gmCollectionPause pause(machine_);
        for (int i = 0; i < kCount; ++i) {
            if (i % 1000 == 0)
                str(text(i).c_str());  // kept through the collection below
            else
                machine_.internString(text(i).c_str());
        }
        for (int i = 0; i < kCount; i += 7) {
            gmString* found = machine_.findString(text(i).c_str());
            ASSERT_NE(found, nullptr) << text(i);
            EXPECT_EQ(machine_.internString(text(i).c_str()), found);
        }
    }
    machine_.collectGarbage(true);
    for (int i = 0; i < kCount; i += 1000)
        EXPECT_NE(machine_.findString(text(i).c_str()), nullptr) << text(i);
    EXPECT_EQ(machine_.findString(text(1).c_str()), nullptr);
    EXPECT_EQ(machine_.internString(text(2000).c_str()), machine_.findString(text(2000).c_str()));
}
// Texts of equal length made of the blocks "AB" and "B!" (which hash alike) all share one hash,
// so they all compete for one home slot. Freeing every third of them, and then making them
// again, must leave each text findable as exactly one string.
TEST_F(gmStringInterning, TextsSharingAHashSurviveRemovalsAmongThem) {
    machine_.setStressCollection(false);
    const auto text = [](int bits) {
        std::string made;
        for (int b = 0; b < 9; ++b) made += (bits >> b) & 1 ? "B!" : "AB";
        return made;
    };
    constexpr int kCount = 512;
    ASSERT_EQ(gmStringTable::hashText(text(0).c_str(), 18),
              gmStringTable::hashText(text(kCount - 1).c_str(), 18));
    std::vector<gmString*> kept(kCount, nullptr);
    {
        gmCollectionPause pause(machine_);
        for (int i = 0; i < kCount; ++i) {
            gmString* made = machine_.internString(text(i).c_str());
            if (i % 3 != 0)
                kept[static_cast<size_t>(i)] = made;
        }
    }
    for (gmString* string : kept)
        if (string != nullptr)
            roots_.keep(gmValue::makeString(string));
    machine_.collectGarbage(true);
    for (int i = 0; i < kCount; ++i) {
        gmString* found = machine_.findString(text(i).c_str());
        ASSERT_EQ(found, kept[static_cast<size_t>(i)]) << text(i);
    }
    for (int i = 0; i < kCount; i += 3)
        roots_.keep(gmValue::makeString(machine_.internString(text(i).c_str())));
    for (int i = 0; i < kCount; ++i) {
        gmString* found = machine_.findString(text(i).c_str());
        ASSERT_NE(found, nullptr) << text(i);
        EXPECT_STREQ(found->getText(), text(i).c_str());
        EXPECT_EQ(machine_.internString(text(i).c_str()), found);
    }
}
}  // namespace
