// One side of an object's links (Engine/LinkedObject): the objects in the order they were linked,
// with membership and removal in constant time once the list is long. A manager is linked to
// every one of its entities or particles, so its lists grow to tens of thousands; short lists
// (every other object's) stay a plain vector without an index.
#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

class LinkedObject;

class LinkList {
  public:
    // [object] must not be in the list yet.
    void add(LinkedObject* object);
    bool contains(const LinkedObject* object) const;
    void remove(const LinkedObject* object);
    // The objects in link order; the list is left empty.
    std::vector<LinkedObject*> takeAll();
    // The objects in link order.
    std::vector<LinkedObject*> toVector() const;

  private:
    // Lists shorter than this are searched; longer ones are indexed.
    static constexpr std::size_t kIndexFrom = 16;

    void buildIndex();
    void compact();

    std::vector<LinkedObject*> items_;  // with null holes left by removals while indexed
    std::size_t holes_ = 0;
    std::unique_ptr<std::unordered_map<const LinkedObject*, std::size_t>> index_;  // object -> slot
};
