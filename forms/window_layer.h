// The window layer as the program sees it: installing it as the runtime's window host, and binding the
// program's routines to the events of the form data. The unit identifiers and the event and property numbers
// are generated beside it from the form data (forms/unit_ids.h, forms/unit_numbers.h).
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

// Installs the window layer as the runtime's window host (runtime/window_host.h); the program calls it at
// start-up, before it initialises the runtime, which then reads the form data through it.
void install_window_layer();

// An event handler as the form store calls it: the event's arguments in order; answers true when the
// routine returned a value (stored in *result).
using HandlerFn = bool (*)(const int32_t* args, int32_t count, int32_t* result);

// bound_handler<&routine>: a routine of any plain shape (up to five int arguments, void or integral result)
// as a HandlerFn.
namespace handler_binding {
template <class Fn>
struct Invoke;

template <class R, class... A>
struct Invoke<R (*)(A...)> {
    static_assert(sizeof...(A) <= 5, "an event has at most five arguments");
    template <auto F>
    static bool call(const int32_t* args, int32_t count, int32_t* result) {
        return call_with<F>(args, count, result, std::index_sequence_for<A...>{});
    }
    template <auto F, size_t... I>
    static bool call_with(const int32_t* args, int32_t count, int32_t* result, std::index_sequence<I...>) {
        int32_t v[sizeof...(A) + 1] = {0};
        for (int32_t i = 0; i < static_cast<int32_t>(sizeof...(A)) && i < count; ++i) v[i] = args[i];
        (void)v;
        if constexpr (std::is_void_v<R>) {
            F(static_cast<A>(v[I])...);
            return false;
        } else {
            *result = static_cast<int32_t>(F(static_cast<A>(v[I])...));
            return true;
        }
    }
};
}  // namespace handler_binding

template <auto F>
bool bound_handler(const int32_t* args, int32_t count, int32_t* result) {
    return handler_binding::Invoke<decltype(F)>::template call<F>(args, count, result);
}
