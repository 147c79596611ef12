// The script value (if any) that currently stands for an engine object. The script host keeps one
// value per live object in this slot; when the object dies the slot tells the host, which cuts the
// value off from the object, so a script that kept the value gets an error instead of freed memory.
#pragma once

class ScriptHandleSlot {
  public:
    // Called with the handle of a dying object; installed by the script host.
    using OrphanHook = void (*)(void* handle);

    ScriptHandleSlot() = default;
    // A copy of an object is a different object: it starts without a script value.
    ScriptHandleSlot(const ScriptHandleSlot&) {}
    ScriptHandleSlot& operator=(const ScriptHandleSlot&) { return *this; }
    ~ScriptHandleSlot() { release(); }

    void* get() const { return handle_; }
    void set(void* handle) { handle_ = handle; }
    // The object is going: the host forgets it now (before the object's memory is reused).
    void release() {
        if (handle_ != nullptr && orphanHook_ != nullptr)
            orphanHook_(handle_);
        handle_ = nullptr;
    }

    static void setOrphanHook(OrphanHook hook) { orphanHook_ = hook; }

  private:
    void* handle_ = nullptr;
    static inline OrphanHook orphanHook_ = nullptr;
};
