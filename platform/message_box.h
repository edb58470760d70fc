// Message box flags and answers with the platform's values, for the code that
// names them without <windows.h>: the copy engine and its tests. The user
// interface services check them against the platform's own.
#pragma once

namespace box {
constexpr unsigned Ok = 0x0;
constexpr unsigned OkCancel = 0x1;
constexpr unsigned YesNo = 0x4;
constexpr unsigned RetryCancel = 0x5;
constexpr unsigned IconHand = 0x10;
constexpr unsigned IconQuestion = 0x20;
constexpr unsigned IconExclamation = 0x30;
constexpr unsigned DefButton2 = 0x100;

constexpr int IdOk = 1;
constexpr int IdCancel = 2;
constexpr int IdRetry = 4;
constexpr int IdYes = 6;
constexpr int IdNo = 7;
}  // namespace box
