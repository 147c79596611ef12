// Engine objects that know each other: when one is destroyed every linked object hears of it,
// so nothing keeps a dangling pointer to it.
#pragma once

#include "Engine/Class.h"
#include "Engine/LinkList.h"

class LinkedObject : public Class {
  public:
    LinkedObject();
    ~LinkedObject() override;

    // Links this object and [other] both ways. Nothing happens when either is null or dying, or
    // when they are already linked.
    void link(LinkedObject* other);
    bool isLinkedTo(const LinkedObject* other) const;
    bool isDying() const { return dying_; }

    // Called on every linked object when [deleted] is being destroyed (after it forgot the link).
    virtual void onLinkedObjectDeleted(LinkedObject* deleted);

  private:
    LinkList linksTo_;     // objects this one refers to
    LinkList linkedFrom_;  // objects that refer to this one
    bool dying_ = false;
};
