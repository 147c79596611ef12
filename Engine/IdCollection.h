// The id-keyed alarms or oscillators of a game object. Additions and deletions wait for the next
// maintenance, so the collection can be changed from inside the callbacks of its own walk.
#pragma once

#include <limits>
#include <map>
#include <memory>
#include <vector>

template <typename T>
class IdCollection {
  public:
    // Queues [object] under [id]; it replaces an object with the same id at the next maintenance.
    // The pointer stays valid until the object is replaced or deleted.
    T* add(int id, std::unique_ptr<T> object) {
        T* added = object.get();
        pending_[id] = std::move(object);
        return added;
    }
    // Queues the deletion of [id], both active and pending.
    void remove(int id) { pendingDeletions_.push_back(id); }

    // The active object first, then a pending one; null when neither exists.
    T* get(int id) const {
        if (auto found = active_.find(id); found != active_.end())
            return found->second.get();
        if (auto found = pending_.find(id); found != pending_.end())
            return found->second.get();
        return nullptr;
    }

    // 1 + the largest id in use (1 when empty). Should that overflow, the smallest free positive id.
    int getUniqueID() const {
        int largest = 0;
        bool any = false;
        for (const auto* map : {&active_, &pending_}) {
            if (map->empty())
                continue;
            const int last = map->rbegin()->first;
            largest = any && largest > last ? largest : last;
            any = true;
        }
        if (!any)
            return 1;
        if (largest < std::numeric_limits<int>::max())
            return largest + 1;
        int id = 1;
        while (get(id) != nullptr) ++id;
        return id;
    }

    // Applies the queued deletions, then the queued additions.
    void maintain() {
        std::vector<int> deletions;
        deletions.swap(pendingDeletions_);
        for (const int id : deletions) {
            pending_.erase(id);
            active_.erase(id);
        }
        for (auto& [id, object] : pending_) active_[id] = std::move(object);
        pending_.clear();
    }

    // Calls [visit](id, object) on every active object in id order. [visit] may add and remove
    // (both queued), but must not maintain.
    template <typename Visit>
    void forEachActive(Visit&& visit) {
        for (auto& [id, object] : active_) visit(id, *object);
    }

  private:
    std::map<int, std::unique_ptr<T>> active_;
    std::map<int, std::unique_ptr<T>> pending_;
    std::vector<int> pendingDeletions_;
};
