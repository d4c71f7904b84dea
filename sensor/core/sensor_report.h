#pragma once
// SensorReport: the 10-byte buffer that serves as sensor command (9 bytes written) and as reply
// (10 bytes read).

#include <array>
#include <cstdint>

using SensorReport = std::array<uint8_t, 10>;
