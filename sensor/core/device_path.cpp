#include "sensor/core/device_path.h"

#include <cctype>

namespace {

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool isHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// The path holds `tag` ("VID_" or "PID_") followed by exactly the four hex digits of `value`.
bool carriesIdentifier(const std::string& path, const char* tag, uint16_t value) {
    static const char DIGITS[] = "0123456789ABCDEF";
    const std::string wanted = std::string(tag) + DIGITS[(value >> 12) & 0xF] + DIGITS[(value >> 8) & 0xF] +
                               DIGITS[(value >> 4) & 0xF] + DIGITS[value & 0xF];
    for (size_t at = 0; at + wanted.size() <= path.size(); ++at) {
        size_t i = 0;
        while (i < wanted.size() && upper(path[at + i]) == wanted[i])
            ++i;
        const size_t end = at + wanted.size();
        if (i == wanted.size() && (end == path.size() || !isHexDigit(path[end])))
            return true;
    }
    return false;
}

} // namespace

bool devicePathNames(const std::string& path, uint16_t vendorId, uint16_t productId) {
    return carriesIdentifier(path, "VID_", vendorId) && carriesIdentifier(path, "PID_", productId);
}

bool sameDevicePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}
