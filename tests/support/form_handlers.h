// For tests that load the program's windows: the form data block, the number of handler routines its event
// bindings refer to (forms/handlers.inc), and handler tables that stand in for the application's routines.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "forms/form_store.h"

extern const uint8_t form_data_block[];
extern const uint32_t form_data_block_size;

constexpr int kHandlerCount = 0
#define HANDLER(name) +1
#include "forms/handlers.inc"
#undef HANDLER
    ;

// A table with Handler<I>::call at position I for every handler of the form data, then a null entry; its
// address serves as the program header's code base.
template <template <int> class Handler, size_t... I>
constexpr std::array<HandlerFn, sizeof...(I) + 1> handler_table(std::index_sequence<I...>) {
    return {Handler<static_cast<int>(I)>::call..., nullptr};
}
template <template <int> class Handler>
constexpr auto make_handler_table() {
    return handler_table<Handler>(std::make_index_sequence<kHandlerCount>{});
}
