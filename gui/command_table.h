// Command tables: which member function handles which command id. A dialog's
// command lookup scans its own table first, then falls back to its base.
#pragma once

#include <span>
#include <type_traits>

template <class Owner>
struct CommandEntry {
    int id;
    void (Owner::*handler)();
};

// Runs the handler for `id`; false when the table has none. The table's type
// follows the owner's, so an array converts to it.
template <class Owner>
bool dispatchCommand(Owner& owner, std::type_identity_t<std::span<const CommandEntry<Owner>>> table, int id) {
    for (const CommandEntry<Owner>& entry : table) {
        if (entry.id == id) {
            (owner.*entry.handler)();
            return true;
        }
    }
    return false;
}
