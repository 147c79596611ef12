#include "Engine/LinkList.h"

#include <algorithm>

void LinkList::add(LinkedObject* object) {
    items_.push_back(object);
    if (index_ != nullptr)
        index_->emplace(object, items_.size() - 1);
    else if (items_.size() >= kIndexFrom)
        buildIndex();
}

bool LinkList::contains(const LinkedObject* object) const {
    if (object == nullptr)
        return false;
    if (index_ != nullptr)
        return index_->count(object) != 0;
    return std::find(items_.begin(), items_.end(), object) != items_.end();
}

void LinkList::remove(const LinkedObject* object) {
    if (object == nullptr)
        return;
    if (index_ == nullptr) {
        items_.erase(std::remove(items_.begin(), items_.end(), object), items_.end());
        return;
    }
    const auto found = index_->find(object);
    if (found == index_->end())
        return;
    // A hole keeps the others' order and slots; holes are squeezed out once they are half the list.
    items_[found->second] = nullptr;
    index_->erase(found);
    if (++holes_ * 2 > items_.size())
        compact();
}

std::vector<LinkedObject*> LinkList::takeAll() {
    std::vector<LinkedObject*> all = toVector();
    items_.clear();
    holes_ = 0;
    index_.reset();
    return all;
}

std::vector<LinkedObject*> LinkList::toVector() const {
    std::vector<LinkedObject*> all;
    all.reserve(items_.size() - holes_);
    for (LinkedObject* object : items_) {
        if (object != nullptr)
            all.push_back(object);
    }
    return all;
}

void LinkList::buildIndex() {
    index_ = std::make_unique<std::unordered_map<const LinkedObject*, std::size_t>>();
    index_->reserve(items_.size() * 2);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i] != nullptr)
            index_->emplace(items_[i], i);
    }
}

void LinkList::compact() {
    items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
    holes_ = 0;
    if (items_.size() < kIndexFrom) {
        index_.reset();
        return;
    }
    for (std::size_t i = 0; i < items_.size(); ++i) (*index_)[items_[i]] = i;
}
