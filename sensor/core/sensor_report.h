#pragma once
// SensorReport: the 10-byte buffer that serves as sensor command (9 bytes written) and as reply
// (10 bytes read).
//
// Command: 00 A0 <sub-command> 00 00 00 00 00 <check> 00. Every command is built from the template
// 00 A0 00 00 00 00 00 00 00 00: copy it, set byte 1 to the command marker and byte 2 to the
// sub-command, then byte 8 = 0x100 - byte 1 - byte 8 of the copy. Byte 2 takes no part in that sum,
// so Get, Run and Stop all carry 0x60; the probe is the bare template (0x00 in bytes 2 and 8).
//
// Reply: byte 1 is the status (0x0A when the reply carries an answer); x = byte 3 plus bits 4..5 of
// byte 5 as bits 8..9; y = byte 4 plus bits 6..7 of byte 5 as bits 8..9.

#include <array>
#include <cstddef>
#include <cstdint>

using SensorReport = std::array<uint8_t, 10>;

constexpr size_t SENSOR_COMMAND_BYTES = 9; // bytes of a command that are written
constexpr size_t SENSOR_REPLY_BYTES = 10;  // bytes of a reply that are read
constexpr uint8_t SENSOR_COMMAND = 0xA0;   // byte 1 of every command
constexpr uint8_t REPORT_DATA = 0x0A;      // byte 1 of a reply that carries an answer
constexpr int32_t SENSOR_WIDTH = 1024;     // the sensor's coordinate space
constexpr int32_t SENSOR_HEIGHT = 768;

// Byte 2 of a command.
enum SensorSubCommand : uint8_t {
    SENSOR_PROBE = 0,
    SENSOR_GET = 1,
    SENSOR_RUN = 2,
    SENSOR_STOP = 3,
};

// The template every command starts from: buildSensorCommand copies it, then sets byte 2 and the
// check byte; the probe is the template itself (buildProbeCommand).
constexpr SensorReport SENSOR_COMMAND_TEMPLATE = {0x00, SENSOR_COMMAND, 0, 0, 0, 0, 0, 0, 0, 0};

// The check byte of a command whose bytes 1 and 8 are as given: (0x100 - byte1 - byte8) mod 256.
uint8_t commandCheckByte(uint8_t byte1, uint8_t byte8);

// Overwrites the whole buffer with the command for Get, Run or Stop, built from the template with
// the byte-8 rule. Rebuilding the same buffer gives the same bytes again.
void buildSensorCommand(SensorReport& buffer, SensorSubCommand subCommand);
SensorReport makeSensorCommand(SensorSubCommand subCommand);

// The probe: the template itself.
void buildProbeCommand(SensorReport& buffer);

struct SensorPoint {
    int32_t x;
    int32_t y;
};

// The report sizes of a HID collection (its capabilities): a command goes out as one output report,
// a reply comes in as one input report.
constexpr size_t SENSOR_REPORT_BYTES_LIMIT = 4096; // larger is no report this sensor sends

// A collection can be the sensor only when its reports hold the protocol: at least 9 bytes out and
// 10 in (the sensor's own are exactly that, or 65 each on some boards, a report ID and 64 bytes).
// A collection with no output report, or with absurdly long ones, is some other device.
bool reportLengthsFitSensor(size_t inputBytes, size_t outputBytes);

// True when byte 1 of the reply is REPORT_DATA.
bool replyCarriesAnswer(const SensorReport& reply);

// The 10-bit x and y of a reply, whatever its status.
SensorPoint decodeSensorPoint(const SensorReport& reply);

// A touch lies strictly inside the sensor's space: 0 < x < 1024 and 0 < y < 768. A zero coordinate
// or a y of 768 or more means no touch.
bool isValidSensorPoint(SensorPoint point);
