// Bindings made from a member or function pointer: the argument and result types come from the
// pointer, so a table entry is the whole binding:
//
//   {"getHP", bindMember<&Entity::getHP>, "() -> float"},
//   {"setMass", bindRefusable<&PhysicsData::setMass>, "(n mass) -> nothing"},
//
// A member binding reads `this` ("<TYPE> no longer exists"), then checks the argument count
// ("expecting %d param(s)") when there are arguments, then each argument in order, with the same
// checks and messages as the hand-written bindings:
//   float            an int (converted) or a float
//   int              an int
//   bool             an int, non-zero is true
//   std::string      a string
//   RealPoint        a REALPOINT, copied
// Results: nothing, float, int (any integer type, as a 32-bit int), bool (1 or 0), a new REALPOINT,
// or a string.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "Engine/ScriptAPI/ScriptArgs.h"

namespace binding {

template <class T>
struct Argument;
template <>
struct Argument<float> {
    static float read(ScriptArgs& args, int32_t index) { return args.number(index); }
};
template <>
struct Argument<int> {
    static int read(ScriptArgs& args, int32_t index) { return args.integer(index); }
};
template <>
struct Argument<bool> {
    static bool read(ScriptArgs& args, int32_t index) { return args.boolean(index); }
};
template <>
struct Argument<std::string> {
    static std::string read(ScriptArgs& args, int32_t index) { return args.text(index); }
};
template <>
struct Argument<RealPoint> {
    static RealPoint read(ScriptArgs& args, int32_t index) { return args.point(index); }
};

template <class R>
int pushResult(gmScriptThread* thread, const R& value) {
    if constexpr (std::is_same_v<R, bool>) {
        return pushBool(thread, value);
    } else if constexpr (std::is_integral_v<R> || std::is_enum_v<R>) {
        thread->pushInt(static_cast<int32_t>(value));
        return kDone;
    } else if constexpr (std::is_floating_point_v<R>) {
        thread->pushFloat(static_cast<float>(value));
        return kDone;
    } else if constexpr (std::is_same_v<R, RealPoint>) {
        return pushPoint(thread, value);
    } else {
        static_assert(std::is_same_v<R, std::string>, "no script form for this result type");
        return pushText(thread, value.c_str());
    }
}

template <class F>
struct Signature;
template <class C, class R, class... A>
struct Signature<R (C::*)(A...)> {
    using Class = C;
    using Result = R;
    using Arguments = std::tuple<std::decay_t<A>...>;
};
template <class C, class R, class... A>
struct Signature<R (C::*)(A...) const> : Signature<R (C::*)(A...)> {};
template <class R, class... A>
struct Signature<R (*)(A...)> {
    using Class = void;
    using Result = R;
    using Arguments = std::tuple<std::decay_t<A>...>;
};

// Reads the arguments of [Arguments] in order (a braced list is evaluated left to right).
template <class Arguments, std::size_t... I>
Arguments readArguments(ScriptArgs& args, std::index_sequence<I...>) {
    if constexpr (sizeof...(I) > 0)
        args.count(static_cast<int32_t>(sizeof...(I)));
    return Arguments{Argument<std::tuple_element_t<I, Arguments>>::read(args, static_cast<int32_t>(I))...};
}

// Calls [Method] on `this` with the arguments read; [onResult] turns the result into the native's
// status.
template <auto Method, class OnResult>
int callMember(gmScriptThread* thread, OnResult onResult) {
    using S = Signature<decltype(Method)>;
    using Arguments = typename S::Arguments;
    ScriptArgs args(thread);
    typename S::Class* self = args.template self<typename S::Class>();
    Arguments values =
        readArguments<Arguments>(args, std::make_index_sequence<std::tuple_size_v<Arguments>>());
    if (!args)
        return kRunTimeError;
    auto call = [self](auto&&... a) { return (self->*Method)(a...); };
    if constexpr (std::is_void_v<typename S::Result>) {
        std::apply(call, values);
        return kDone;
    } else {
        return onResult(thread, std::apply(call, values));
    }
}

}  // namespace binding

// A method of a bound type, from its member pointer.
template <auto Method>
int bindMember(gmScriptThread* thread) {
    return binding::callMember<Method>(
        thread, [](gmScriptThread* t, const auto& result) { return binding::pushResult(t, result); });
}

// A setter that returns false when it refuses the value (and keeps the old one): the refusal is
// the error "\"<method>\" refused the value (not finite or out of range)".
template <auto Method>
int bindRefusable(gmScriptThread* thread) {
    return binding::callMember<Method>(
        thread, [](gmScriptThread* t, bool accepted) { return accepted ? kDone : refusedError(t); });
}

// A global function from a function pointer: the count check, then each argument in order.
template <auto Function>
int bindFunction(gmScriptThread* thread) {
    using S = binding::Signature<decltype(Function)>;
    using Arguments = typename S::Arguments;
    ScriptArgs args(thread);
    Arguments values =
        binding::readArguments<Arguments>(args, std::make_index_sequence<std::tuple_size_v<Arguments>>());
    if (!args)
        return kRunTimeError;
    if constexpr (std::is_void_v<typename S::Result>) {
        std::apply(Function, values);
        return kDone;
    } else {
        return binding::pushResult(thread, std::apply(Function, values));
    }
}
