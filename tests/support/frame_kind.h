#pragma once
// The name of a touch frame's pointer flags, for the traces the touch tests compare whole. Plain
// C++: the host's unit tests and the Wine tests both use it.
#include <cstdint>
#include <cstdio>
#include <string>

#include "touch/core/touch_contact.h"

// "down", "update", "up" or "cancel"; any other combination as "flags0x" and its value in hex.
inline std::string kindOf(uint32_t flags) {
    switch (flags) {
    case CONTACT_DOWN_FLAGS:
        return "down";
    case CONTACT_UPDATE_FLAGS:
        return "update";
    case CONTACT_UP_FLAGS:
        return "up";
    case CONTACT_CANCEL_FLAGS:
        return "cancel";
    default: {
        char text[24];
        std::snprintf(text, sizeof text, "flags0x%lX", static_cast<unsigned long>(flags));
        return text;
    }
    }
}
