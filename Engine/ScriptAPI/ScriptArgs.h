// Reading a native call's `this` and arguments in straight lines. The first read that fails logs
// its message (through the shared argument checks, so the wording never drifts); every later read
// does nothing and gives a default, and the binding checks once, at the end:
//
//   int physicsdata_setAsRect(gmScriptThread* thread) {
//       ScriptArgs args(thread);
//       PhysicsData* self = args.self<PhysicsData>();
//       args.count(2);
//       const float width = args.number(0);
//       const float height = args.number(1);
//       if (!args)
//           return kRunTimeError;
//       ...
//
// The order of the reads is the order of the checks, and so decides which message a script sees.
#pragma once

#include <cstdint>
#include <string>

#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/ScriptBinding.h"

class ScriptArgs {
  public:
    explicit ScriptArgs(gmScriptThread* thread) : thread_(thread) {}

    // The engine object behind `this`: "<TYPE> no longer exists" when it is gone.
    template <class T>
    T* self() {
        T* object = ok_ ? selfAs<T>(thread_) : nullptr;
        ok_ = object != nullptr;
        return object;
    }
    // At least [n] arguments: "expecting %d param(s)".
    void count(int32_t n) { ok_ = ok_ && gmCheckParamCount(thread_, n); }
    // An int (converted) or a float.
    float number(int32_t index) { return read(gmFloatOrIntParam, index, 0.0f); }
    int32_t integer(int32_t index) { return read(gmIntParam, index, 0); }
    // An int, non-zero is true.
    bool boolean(int32_t index) { return read(gmBoolParam, index, false); }
    // The text of a string argument; "" after a failure.
    const char* text(int32_t index) { return read(gmStringParam, index, static_cast<const char*>("")); }
    // A REALPOINT argument, copied.
    RealPoint point(int32_t index) { return read(pointParam, index, RealPoint()); }
    // A live engine object of [type].
    template <class T>
    T* object(int32_t index, ScriptType type) {
        T* out = nullptr;
        ok_ = ok_ && objectParam(thread_, index, type, out);
        return out;
    }

    int32_t size() const { return thread_->getNumParams(); }
    gmScriptThread* thread() const { return thread_; }
    // False once a read has failed (its message is in the machine's log).
    explicit operator bool() const { return ok_; }

  private:
    template <class Check, class T>
    T read(Check check, int32_t index, T value) {
        ok_ = ok_ && check(thread_, index, value);
        return value;
    }

    gmScriptThread* thread_;
    bool ok_ = true;
};
