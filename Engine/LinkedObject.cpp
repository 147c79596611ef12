#include "Engine/LinkedObject.h"

#include <vector>

LinkedObject::LinkedObject() {
    addTypeName("LinkedObject");
}

LinkedObject::~LinkedObject() {
    dying_ = true;
    // Copy first: a deletion hook may link or unlink other objects.
    std::vector<LinkedObject*> others = linksTo_.toVector();
    for (LinkedObject* other : linkedFrom_.toVector()) {
        if (!linksTo_.contains(other))
            others.push_back(other);
    }
    linksTo_.takeAll();
    linkedFrom_.takeAll();
    for (LinkedObject* other : others) {
        other->linksTo_.remove(this);
        other->linkedFrom_.remove(this);
    }
    for (LinkedObject* other : others) {
        other->onLinkedObjectDeleted(this);
    }
}

void LinkedObject::link(LinkedObject* other) {
    if (other == nullptr || other == this || dying_ || other->dying_ || isLinkedTo(other))
        return;
    linksTo_.add(other);
    other->linkedFrom_.add(this);
}

bool LinkedObject::isLinkedTo(const LinkedObject* other) const {
    return linksTo_.contains(other);
}

void LinkedObject::onLinkedObjectDeleted(LinkedObject*) {}
