// The answers the job's dialogs give: each is the id of the button that
// gives it, and each dialog checks that against its template's ids.
#pragma once

namespace answer {
constexpr int Overwrite = 1;      // Confirm File Overwrite
constexpr int Append = 1104;
constexpr int Continue = 1;       // Disk is full
constexpr int ChangeTarget = 1104;
constexpr int NewTarget = 1;      // Change target
constexpr int KeepTarget = 1601;
constexpr int Cancel = 2;         // any of them
}  // namespace answer
