// The main dialog's transfer record: what the user typed and ticked, as the
// engine reads it when a job starts.
#pragma once

#include <cstdint>

struct MainTransfer {
    char sourceText[256];             // edit 1101
    char targetText[256];             // edit 1102
    std::int32_t clearReadOnlyFromCdrom;  // check box 1500
    std::int32_t moveFile;            // check box 54
};
static_assert(sizeof(MainTransfer) == 256 + 256 + 4 + 4, "the fields lie in this order without gaps");

extern MainTransfer mainTransfer;
