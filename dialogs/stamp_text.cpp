// Date, time and details texts of the overwrite question.
#include "dialogs/stamp_text.h"

#include <cstdio>
#include <cstring>

#include "platform/file_services.h"

namespace {

// Blanks that "%2u" leaves become zeros, so every field has its two digits.
void zeroPad(char* text, unsigned width) {
    for (unsigned i = 0; i < width && text[i] != '\0'; ++i)
        if (text[i] == ' ') text[i] = '0';
}

void append(char (&line)[DetailsLineSize], const char* text) {
    std::size_t used = std::strlen(line);
    std::snprintf(line + used, sizeof line - used, "%s", text);
}

}  // namespace

void formatStampText(FileServices& files, int file, StampText& stamp) {
    DosStamp dos;
    if (files.getFileTime(file, dos) != 0) {
        stamp.dateText[0] = '\0';
        stamp.timeText[0] = '\0';
        return;
    }
    unsigned hours = dos.time >> 11;
    unsigned minutes = (dos.time >> 5) & 0x3F;
    unsigned seconds = (dos.time & 0x1F) * 2;
    unsigned day = dos.date & 0x1F;
    unsigned month = (dos.date >> 5) & 0x0F;
    unsigned year = 1980 + (dos.date >> 9);
    std::snprintf(stamp.timeText, sizeof stamp.timeText, "%2u:%2u:%2u", hours, minutes, seconds);
    std::snprintf(stamp.dateText, sizeof stamp.dateText, "%2u.%2u.%4u", day, month, year);
    zeroPad(stamp.timeText, 8);
    zeroPad(stamp.dateText, 10);
}

void formatDetailsLine(char (&line)[DetailsLineSize], std::uint64_t length, const StampText& stamp,
                       std::uint32_t attributes) {
    std::snprintf(line, sizeof line, "%lluKb ", static_cast<unsigned long long>(length >> 10));
    append(line, ", ");
    append(line, stamp.dateText);
    append(line, ", ");
    append(line, stamp.timeText);
    append(line, ", ");
    char letters[6] = {};
    char* next = letters;
    if (attributes & AttrReadOnly) *next++ = 'R';
    if (attributes & AttrHidden) *next++ = 'H';
    if (attributes & AttrSystem) *next++ = 'S';
    if (attributes & AttrArchive) *next++ = 'A';
    if (attributes & AttrCompressed) *next++ = 'C';
    append(line, letters);
}
