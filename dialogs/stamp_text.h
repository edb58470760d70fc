// A file's last-write date and time as the texts the overwrite question shows.
#pragma once

#include <cstdint>

class FileServices;

struct StampText {
    char dateText[11];  // "dd.mm.yyyy" or empty
    char timeText[11];  // "hh:mm:ss" or empty
};

// Fills both texts from an open file's last-write time, or leaves both empty
// when it cannot be read.
void formatStampText(FileServices& files, int file, StampText& stamp);

// "12Kb , 05.06.1998, 14:22:08, RA": size, date, time and attribute letters.
// The longest line, with a 64-bit size, is 49 characters.
constexpr unsigned DetailsLineSize = 64;
void formatDetailsLine(char (&line)[DetailsLineSize], std::uint64_t length, const StampText& stamp,
                       std::uint32_t attributes);
