#include "pages/core/picture_name.h"

#include <cstdio>

std::string savedPictureName(const LocalTime& t, int32_t attempt) {
    return savedFileName(t, attempt, ".png");
}

std::string savedFileName(const LocalTime& t, int32_t attempt, const char* extension) {
    char name[80];
    std::snprintf(name, sizeof name, "Velmora %04d-%02d-%02d %02d-%02d-%02d", int(t.year), int(t.month),
                  int(t.day), int(t.hour), int(t.minute), int(t.second));
    std::string out = name;
    if (attempt > 1)
        out += " (" + std::to_string(attempt) + ")";
    return out + extension;
}
