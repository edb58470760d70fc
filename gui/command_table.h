// Command tables: which member function handles which command id. A dialog's
// command lookup scans its own table first, then falls back to its base.
#pragma once

#include <cstddef>

template <class Owner>
struct CommandEntry {
    int id;
    void (Owner::*handler)();
};

// Runs the handler for `id`; false when the table has none.
template <class Owner, std::size_t N>
bool dispatchCommand(Owner& owner, const CommandEntry<Owner> (&table)[N], int id) {
    for (const CommandEntry<Owner>& entry : table) {
        if (entry.id == id) {
            (owner.*entry.handler)();
            return true;
        }
    }
    return false;
}
