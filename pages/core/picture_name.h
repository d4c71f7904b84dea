#pragma once
// The file name a saved picture gets: "Velmora AAAA-MM-DD HH-MM-SS.png" from the local time, and
// " (2)", " (3)" ... before the extension when that name is taken (attempt 1 is the plain name).
#include <cstdint>
#include <string>

struct LocalTime {
    int32_t year, month, day, hour, minute, second;
};

std::string savedPictureName(const LocalTime& t, int32_t attempt);
// The same name with another extension: the board's PDF is named as its pictures are.
std::string savedFileName(const LocalTime& t, int32_t attempt, const char* extension);
