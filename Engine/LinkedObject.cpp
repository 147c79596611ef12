#include "Engine/LinkedObject.h"

#include <algorithm>

LinkedObject::LinkedObject() { addTypeName("LinkedObject"); }

LinkedObject::~LinkedObject() {
    dying_ = true;
    // Copy first: a deletion hook may link or unlink other objects.
    std::vector<LinkedObject*> others = linksTo_;
    for (LinkedObject* other : linkedFrom_) {
        if (std::find(others.begin(), others.end(), other) == others.end()) others.push_back(other);
    }
    linksTo_.clear();
    linkedFrom_.clear();
    for (LinkedObject* other : others) {
        removeFrom(other->linksTo_, this);
        removeFrom(other->linkedFrom_, this);
    }
    for (LinkedObject* other : others) {
        other->onLinkedObjectDeleted(this);
    }
}

void LinkedObject::link(LinkedObject* other) {
    if (other == nullptr || other == this || dying_ || other->dying_ || isLinkedTo(other)) return;
    linksTo_.push_back(other);
    other->linkedFrom_.push_back(this);
}

bool LinkedObject::isLinkedTo(const LinkedObject* other) const {
    return std::find(linksTo_.begin(), linksTo_.end(), other) != linksTo_.end();
}

void LinkedObject::onLinkedObjectDeleted(LinkedObject*) {}

void LinkedObject::removeFrom(std::vector<LinkedObject*>& list, const LinkedObject* object) {
    list.erase(std::remove(list.begin(), list.end(), object), list.end());
}
