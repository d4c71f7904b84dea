#include "sensor/core/sensor_report.h"

uint8_t commandCheckByte(uint8_t byte1, uint8_t byte8) {
    return static_cast<uint8_t>((0x100 - byte1 - byte8) & 0xFF);
}

void buildSensorCommand(SensorReport& buffer, SensorSubCommand subCommand) {
    // Always start again from the template: applying the byte-8 rule to a buffer that already holds
    // a command would turn its 0x60 into 0x00.
    buffer = SENSOR_COMMAND_TEMPLATE;
    buffer[1] = SENSOR_COMMAND;
    buffer[2] = subCommand;
    buffer[8] = commandCheckByte(buffer[1], buffer[8]);
}

SensorReport makeSensorCommand(SensorSubCommand subCommand) {
    SensorReport buffer;
    buildSensorCommand(buffer, subCommand);
    return buffer;
}

void buildProbeCommand(SensorReport& buffer) {
    buffer = SENSOR_COMMAND_TEMPLATE;
}

bool replyCarriesAnswer(const SensorReport& reply) {
    return reply[1] == REPORT_DATA;
}

SensorPoint decodeSensorPoint(const SensorReport& reply) {
    SensorPoint point;
    point.x = reply[3] + 256 * ((reply[5] >> 4) & 3);
    point.y = reply[4] + 256 * ((reply[5] >> 6) & 3);
    return point;
}

bool isValidSensorPoint(SensorPoint point) {
    return point.x > 0 && point.x < SENSOR_WIDTH && point.y > 0 && point.y < SENSOR_HEIGHT;
}

bool reportLengthsFitSensor(size_t inputBytes, size_t outputBytes) {
    return inputBytes >= SENSOR_REPLY_BYTES && outputBytes >= SENSOR_COMMAND_BYTES &&
           inputBytes <= SENSOR_REPORT_BYTES_LIMIT && outputBytes <= SENSOR_REPORT_BYTES_LIMIT;
}
